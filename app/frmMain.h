#pragma once
// The main window: the database path list, the user list and every command.
#include <QMainWindow>
#include <QPointer>

#include <array>
#include <optional>

class IntervalTimer;
class InstanceGuard;
class QAction;
class QCheckBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QListWidget;
class QListWidgetItem;
class QMenu;
class QPushButton;
class QRadioButton;
class QScrollArea;
class QSplitter;
class QStatusBar;
class QToolButton;
class QTreeWidget;
class frmData;
class frmSettings;
class frmTip;
struct Notice;
namespace readers {
struct UserRows;
}

class frmMain : public QMainWindow {
    Q_OBJECT
public:
    frmMain();
    ~frmMain() override;

    // Start-up. Returns false when another instance is running: the user was
    // told, nothing was read or written, and this instance must end.
    bool Form_Load(InstanceGuard& guard);
    // Shut-down; runs once, when the window closes.
    void Form_Unload();

    // Controls reached from outside the window; those only the window
    // itself uses are private.
    // Toolbar.
    QToolButton* BtnPrint;
    QToolButton* BtnCmdPrompt;
    QToolButton* BtnHelp;

    // Database path list.
    QWidget* pLeft;
    QListWidget* List1;

    // User list.
    QWidget* pRtTop;
    QTreeWidget* lvUsers;

    // Options.
    QScrollArea* pRtBottomArea;
    QWidget* pRtBottom;
    QCheckBox* chkAutoMonitor;
    QPushButton* btnLDBUsers;
    std::array<QRadioButton*, 2> optMode;
    QGroupBox* fLDB;
    std::array<QRadioButton*, 3> optLDB;
    QCheckBox* chkAllPossible;
    QLineEdit* txtUserName;
    QLineEdit* txtPassword;

    IntervalTimer* Timer1;
    QStatusBar* StatusBar1;
    QLabel* StatusBar1Panel1;

    // Menus.
    QAction* mAddDB;
    QAction* mDelDB;
    QAction* mPrint;
    QAction* mSettings;
    QAction* mnuDisplayUsers;
    QAction* mCmdPrompt;
    QMenu* mnuHelp;
    QAction* mHelp;
    QAction* mWebSite;
    QAction* mAbout;

    // The lock-file option passed to the lock-file library: 1, 2 or 4.
    short LDBOption = 2;

    // The windows loaded with this one; referring to one loads it (hidden)
    // when it is not loaded.
    frmSettings* settings();
    frmData* data();
    // The tip window while it is loaded, else null.
    frmTip* tip() const;

    // The selected database path: the text of the status bar's first panel.
    QString selectedDatabasePath() const;
    void setSelectedDatabasePath(const QString& path);
    // Index of the selected entry of List1, or -1.
    int List1Index() const;
    // Selects entry `index` of List1, as a click on it does.
    void setList1Index(int index);
    // Inserts `path` at its place in List1, sorted by the locale's collation
    // without regard to letter case; equal entries keep the order they came
    // in. Returns the new entry.
    QListWidgetItem* addDatabasePath(const QString& path);

    // Heights of the two stored panels, in twips.
    double panelHeightTwips(const QWidget* panel) const;
    void setPanelHeightTwips(QWidget* panel, double twips);

    // Sets the auto-monitoring interval: the timer's interval and the check
    // box's caption, which shows `text` as the user typed it. Returns false
    // (changing only the caption) when the timer refuses the interval.
    bool setMonitorInterval(int ms, const QString& text);
    void setMonitorCaption(const QString& text);

    // Shows `message` in the tip window, loading it when it is not loaded.
    void showTip(const QString& message);

    // True while the display-users command runs.
    bool refreshRunning() const { return refreshRunning_; }

    void SaveDBs();
    void OpenDBs();
    void SavSettings();
    void OpenSettings();
    void EnDisRoster();
    void EnDisMSDLL();
    void ResolveUserNames();
    // The log-on name of the user the program runs as (the effective user,
    // from the system's user database).
    static QString GetUserID();
    // The double-click's go-to action: the selected row's computer becomes
    // the current record of the user name database window.
    void GoToSelectedComputer();

public slots:
    void mAddDB_Click();
    void mDelDB_Click();
    void mnuExit_Click();
    void mSettings_Click();
    void mnuUserDB_Click();
    void mnuDisplayUsers_Click();
    void btnLDBUsers_Click();
    void List1_Click();
    void List1_DblClick();
    void lvUsers_DblClick();
    void mCmdPrompt_Click();
    void optMode_Click(int index);
    void optLDB_Click(int index);
    void chkAutoMonitor_Click();
    void Timer1_Timer();
    void mPrint_Click();
    void mHelp_Click();
    void mWebSite_Click();
    void mAbout_Click();

protected:
    void closeEvent(QCloseEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    // Controls only the window itself uses.
    QScrollArea* pToolbarArea;
    QWidget* pToolbar;
    QToolButton* BtnAddDB;
    QToolButton* BtnDelDB;
    QToolButton* BtnSettg;
    QToolButton* BtnSpellChk;
    QSplitter* panels;
    QLabel* pLfTopTop;
    QLabel* pRtTopTop;
    QGroupBox* fMode;
    QGroupBox* Frame1;
    std::array<QLabel*, 2> lblSecurity;
    QMenu* mnuFile;
    QAction* mnuSep;
    QAction* mnuSep1;
    QAction* mnuExit;
    QMenu* mnuOptions;
    QAction* mnuUserDB;
    QAction* mnuSep6;
    QAction* mnuSep3;
    QAction* mnuSep4;
    QAction* mnuSep5;

    void buildToolbar();
    void buildMenus();
    void buildPanels();
    void buildOptions();
    QWidget* buildListPanel();
    QWidget* buildUserPanel();

    void enableReadMode(bool lockFileMode);
    void deleteSelectedPath();
    bool CheckDBSelection();
    void SetColumns();
    void ShowLDBUsers();
    void ShowRosterUsers();
    // Draws what a reader read into the emptied user list.
    void showUserRows(const readers::UserRows& read);
    // Tells the user of `notice`: in the tip window while auto monitoring
    // is on, else in a message box.
    void tell(const Notice& notice);
    // Shows `hint` at the right of the status line, or hides it.
    void showLockHint(const std::optional<QString>& hint);
    // Points the user name database window at the settings' path (Module1).
    void ConnectUserDB();

    QPointer<frmSettings> settings_;
    QPointer<frmData> data_;
    QPointer<frmTip> tip_;
    bool loaded_ = false;
    bool unloaded_ = false;
    bool refreshRunning_ = false;

    // The bytes an entry of List1 was read from (data role of its item).
    static constexpr int kReadBytesRole = Qt::UserRole + 1;
    // Files that were there at start-up but could not be read: kept aside
    // before they are replaced.
    bool pathListUnread_ = false;
    bool settingsUnread_ = false;
    // The lines of settings.set as read, so that unchanged ones are written
    // back byte for byte.
    QList<QByteArray> settingsRead_;
};
