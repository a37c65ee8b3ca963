#pragma once
// The main window: the database path list, the user list and every command.
#include "settings/Settings.h"

#include <QMainWindow>
#include <QPointer>

#include <array>
#include <optional>

class InstanceGuard;
class QAction;
class QCheckBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class DatabasePathModel;
class QListView;
class QMenu;
class QPushButton;
class QRadioButton;
class QScrollArea;
class QSplitter;
class QStatusBar;
class QTimer;
class QToolButton;
class QTreeView;
class UserListModel;
class UserNameWindow;
class SettingsWindow;
class TipWindow;
struct Notice;
namespace readers {
struct UserRows;
}

class MainWindow : public QMainWindow {
    Q_OBJECT
public:
    MainWindow();
    ~MainWindow() override;

    // Start-up. Returns false when another instance is running: the user was
    // told, nothing was read or written, and this instance must end.
    bool load(InstanceGuard& guard);
    // Shut-down; runs once, when the window closes.
    void unload();

    // The lock-file option passed to the lock-file library: 1, 2 or 4.
    short lockFileOption = 2;

    // The settings the program runs with; the settings window edits them.
    SettingsStore& settingsStore() { return *settingsStore_; }

    // The windows loaded with this one; referring to one loads it (hidden)
    // when it is not loaded.
    SettingsWindow* settings();
    UserNameWindow* data();
    // The tip window while it is loaded, else null.
    TipWindow* tip() const;

    // The selected database path: the text of the status bar's first panel.
    QString selectedDatabasePath() const;
    void setSelectedDatabasePath(const QString& path);
    // The database path list the view shows.
    DatabasePathModel& databasePaths() { return *databasePaths_; }
    // The user list the view shows.
    UserListModel& users() { return *users_; }
    // The selected row of the user list, or -1; selecting one as a click does.
    int selectedUserRow() const;
    void selectUserRow(int row);
    // Index of the selected entry of databaseList, or -1.
    int databaseIndex() const;
    // Selects entry `index` of databaseList, as a click on it does.
    void selectDatabaseIndex(int index);

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

    // The longest auto-monitoring interval the timer takes, in ms.
    static constexpr int kMaxMonitorInterval = Settings::kMaxMonitorInterval;
    // True while auto monitoring is switched on (the timer may still be
    // idle, with an interval of 0).
    bool autoMonitoring() const { return autoMonitoring_; }

    void saveDatabasePaths();
    void loadDatabasePaths();
    void saveSettings();
    void loadSettings();
    void enableRosterOptions();
    void enableLockFileOptions();
    void resolveUserNames();
    // The log-on name of the user the program runs as (the effective user,
    // from the system's user database).
    static QString currentUserId();
    // The double-click's go-to action: the selected row's computer becomes
    // the current record of the user name database window.
    void goToSelectedComputer();

public slots:
    void addDatabasePath();
    void deleteDatabasePath();
    void exitProgram();
    void showSettings();
    void showUserDatabase();
    void showUsers();
    // Compacts the selected database in place, keeping a backup of it.
    void compactAndRepair();
    void displayUsersClicked();
    void databaseSelected();
    void databaseDoubleClicked();
    void actOnSelectedUser();
    void showNbtstat();
    void chooseReadMode(int index);
    void chooseLockFileOption(int index);
    void applyAutoMonitoring();
    void refreshTick();
    void showReport();
    void showHelp();
    void showWebSite();
    void showAbout();

protected:
    void closeEvent(QCloseEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    // Toolbar.
    QToolButton* printButton;
    QToolButton* nbtstatButton;
    QToolButton* helpButton;

    // Database path list.
    QWidget* databasePanel;
    QListView* databaseList;

    // User list.
    QWidget* userPanel;
    QTreeView* userList;

    // Options.
    QScrollArea* optionsArea;
    QWidget* optionsPanel;
    QCheckBox* autoMonitorCheck;
    QPushButton* displayUsersButton;
    std::array<QRadioButton*, 2> readModeChoice;
    QGroupBox* lockFileGroup;
    std::array<QRadioButton*, 3> lockFileChoice;
    QCheckBox* allPossibleCheck;
    QLineEdit* userNameEdit;
    QLineEdit* passwordEdit;

    // Ticks while auto monitoring is on with an interval above zero.
    QTimer* refreshTimer;
    QStatusBar* statusLine;
    QLabel* databasePathLabel;

    // Menus.
    QAction* addDatabaseAction;
    QAction* deleteDatabaseAction;
    QAction* printAction;
    QAction* compactAction;
    QAction* settingsAction;
    QAction* displayUsersAction;
    QAction* nbtstatAction;
    QMenu* helpMenu;
    QAction* helpAction;
    QAction* webSiteAction;
    QAction* aboutAction;

    QScrollArea* toolbarArea;
    QWidget* toolbar;
    QToolButton* addDatabaseButton;
    QToolButton* deleteDatabaseButton;
    QToolButton* settingsButton;
    QToolButton* userDatabaseButton;
    QSplitter* panels;
    QLabel* databaseHeading;
    QLabel* userHeading;
    QGroupBox* readModeGroup;
    QGroupBox* credentialsGroup;
    std::array<QLabel*, 2> credentialLabels;
    QMenu* fileMenu;
    QAction* fileSeparator;
    QAction* exitSeparator;
    QAction* exitAction;
    QMenu* optionsMenu;
    QAction* userDatabaseAction;
    QAction* userDatabaseSeparator;
    QAction* displaySeparator;
    QAction* helpSeparator;
    QAction* aboutSeparator;

    void buildToolbar();
    void buildMenus();
    void buildPanels();
    void buildOptions();
    QWidget* buildListPanel();
    QWidget* buildUserPanel();

    void enableReadMode(bool lockFileMode);
    void deleteSelectedPath();
    // Enables "Compact and Repair..." while the selected database is a file nobody uses.
    void updateCompactAction();
    bool checkDatabaseSelected();
    void setUserColumns();
    void showLockFileUsers();
    void showRosterUsers();
    // Draws what a reader read into the emptied user list.
    void showUserRows(const readers::UserRows& read);
    // Tells the user of `notice`: in the tip window while auto monitoring
    // is on, else in a message box.
    void tell(const Notice& notice);
    // Shows `hint` at the right of the status line, or hides it.
    void showLockHint(const std::optional<QString>& hint);
    // Points the user name database window at the settings' path.
    void connectUserDatabase();

    SettingsStore* settingsStore_;
    DatabasePathModel* databasePaths_;
    UserListModel* users_;
    QPointer<SettingsWindow> settings_;
    QPointer<UserNameWindow> data_;
    QPointer<TipWindow> tip_;
    bool loaded_ = false;
    bool unloaded_ = false;
    bool refreshRunning_ = false;
    bool autoMonitoring_ = false;
    // Starts a fresh interval when monitoring with one above zero, else stops.
    void restartRefreshTimer();
    // Sets the interval; false (changing nothing) outside 0 to kMaxMonitorInterval.
    bool setRefreshInterval(int ms);

    // Files that were there at start-up but could not be read: kept aside
    // before they are replaced.
    bool pathListUnread_ = false;
    bool settingsUnread_ = false;
    // The lines of settings.set as read, so that unchanged ones are written
    // back byte for byte.
    QList<QByteArray> settingsRead_;
};
