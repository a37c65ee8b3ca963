#pragma once
// The user name database window: the computer names of compnamedb.mdb's
// table T_Main in a sorted list, the current record in four text boxes, and
// the commands that edit the table. Loaded hidden with the main window,
// shown modeless by "&User Database", hidden by "&Close", unloaded with the
// main window. It keeps its placement in usernames.set.
#include "base/MessageBoxes.h"
#include "usernames/ComputerNameList.h"
#include "usernames/DataControl.h"
#include "usernames/RecordEdit.h"
#include "usernames/UserNameMap.h"

#include <QWidget>

#include <array>
#include <future>
#include <memory>
#include <optional>

class AppError;
class QAbstractButton;
class QCheckBox;
class QFrame;
class QLabel;
class QLineEdit;
class QListView;
class QPushButton;
class QTimer;
class QToolButton;

class UserNameWindow : public QWidget {
    Q_OBJECT
public:
    // Loads the window (hidden), reads its placement and arms connectTimer.
    explicit UserNameWindow(QWidget* owner);
    ~UserNameWindow() override;

    // The window's commands, each a button of its toolbar.
    enum class Command { Save, Refresh, Add, CancelAdd, Delete, Close };
    // Presses the command's button as the user does: nothing when it is disabled.
    void click(Command command);
    bool enabled(Command command) const;
    // The box of record field `field` (box order: computer name, user name,
    // contact, e-mail), for typing into it as the user does.
    QLineEdit* fieldBox(std::size_t field) const { return fieldEdits[field]; }
    // The texts the four boxes show.
    RecordTexts fieldTexts() const;
    // The line under the boxes: "Select Record" or what an addition asks for.
    QString statusText() const;
    // Whether the list takes clicks (not during an addition).
    bool listEnabled() const;
    // True while a new record is being entered.
    bool adding() const { return addingRecord; }
    // The "Follow monitoring" box: while checked, each user name resolution
    // brings the window to the last computer found; picking a record
    // unchecks it.
    bool following() const;
    void setFollowing(bool follow);
    // The user name database the window is connected to.
    const QString& databasePath() const { return recordSource.DatabaseName; }
    // True until the connection started with the window, or the loading
    // procedure started since, has finished.
    bool loadPending() const;

    // The list's entries and its selected index (-1: none).
    const ComputerNameList& listedNames() const { return *names_; }
    int nameIndex() const;
    // Selects entry `index` (-1 clears the selection); selecting an entry
    // runs the list's click, which makes its record current.
    void selectNameIndex(int index);
    // The index of the first entry equal to `text`, letter case ignored, or -1.
    int findComputerName(const QString& text) const;

    // True while the loading procedure has names still to read or to order.
    bool loading() const { return reader_ != nullptr || sorting_.valid(); }

    // The records of T_Main for the user name resolution: those listed, kept
    // in step with every change made here. When the file was changed by
    // someone else since, it is read again first, the list too unless the
    // window is in use.
    const UserNameMap& userNames();
    // Selects `name` in the list, making its record current, while the
    // window follows monitoring and is not in use; otherwise it stays as the
    // user left it.
    void showComputer(const QString& name);
    // Whether the user works in the window: it is the active window, holds a
    // typed change or an addition, or has a message box open.
    bool inUse() const;

    void loadSettings();
    void saveSettings();
    // Seeds an empty T_Main with "Test Record" and lists it.
    void addFirstRecord();
    // Starts the loading procedure afresh as soon as the program is idle,
    // dropping one in progress.
    void startLoading();
    // Points the record source at the database `path`, opened with the Jet
    // `password` (an encrypted database's), and reloads the list.
    void connectTo(const QString& path, const QString& password = {});
    // Unloads the window: asks whether to save typing not yet stored,
    // writes its placement and closes it.
    void unload();

signals:
    // The window asks to be pointed at the user name database path and
    // reloaded: at start-up (connectTimer) and by "Refresh DB Connection".
    void connectionRequested();

public slots:
    void connectTick();
    void readTick();
    void refreshConnection();
    void closeWindow();
    void showSelectedName();
    void addRecord();
    void cancelAdding();
    void saveRecord();
    void deleteRecord();
    void fieldEdited(int index, const QString& text);

protected:
    // Closed by the window manager: as "&Close".
    void closeEvent(QCloseEvent* event) override;

private:
    QWidget* toolbarPanel;
    QToolButton* saveButton;
    QToolButton* refreshButton;
    std::array<QFrame*, 3> toolbarSeparators;
    QToolButton* addButton;
    QToolButton* cancelAddButton;
    QToolButton* deleteButton;
    QPushButton* closeButton;
    QWidget* listPanel;
    QListView* nameList;
    QWidget* fieldPanel;
    std::array<QLabel*, 4> fieldLabels;
    std::array<QLineEdit*, 4> fieldEdits;
    QLabel* infoLabel;
    QCheckBox* followCheck;
    QTimer* connectTimer;
    QTimer* readTimer;

    DataControl recordSource;
    // True while a new record is being entered.
    bool addingRecord = false;
    // The computer name a save selects again in the rebuilt list.
    QString infoTag;

    QAbstractButton* commandButton(Command command) const;
    void buildToolbar();
    void buildFields();
    void beginLoading();
    void continueLoading();
    void finishLoading();
    void loadingFailed(const AppError& error);
    bool finishListing();
    void readListing(jet::Recordset& reader, qint64 budgetMs) { readRecords(reader, listing_, budgetMs); }
    void takeListing(ComputerNameList::SortedNames order);
    ComputerNameList::SortedNames sortedListing();
    void relist();
    // A finished reload of the changed file becomes the list and the
    // records, the record the user is on staying selected and its typing kept.
    void takeReload();
    // Selects entry `index` as the window's own move, not a pick.
    void moveItself(int index);
    void showCurrentRecord();
    void clearRecordFields();
    void setRecordButtons(bool enabled);
    // What became of a change to a shown record about to be stored.
    enum class EditOutcome { Store, Dropped, Deleted };
    EditOutcome reconcileEdit();
    // The window takes a new record: Cancel Add ends it, Save stores it.
    void showAdding();
    // Typing not yet stored is saved or dropped as the user chooses; false
    // when it stays (the user cancelled, or the save was refused).
    bool settleUnsaved(MsgButtons choice);
    void setBrowsing();
    void seedEmptyTable();
    bool allFieldsEmpty() const;
    bool refuseNamelessStore();
    void selectQuietly(int index);
    void keepInStep(const std::optional<RecordTexts>& stored, const std::optional<QString>& replaced,
                    const FileStamp& before);
    // Starts reading the file, as it is `now`, on a worker, unless a reading
    // is under way already.
    void reloadInBackground(const FileStamp& now);
    void refusedStore(const AppError& e);
    // The record named `name`, after `skip` others so named, as the file
    // holds it now; nothing when it has none.
    std::optional<RecordTexts> storedRecord(const QString& name, int skip);
    // How many entries before `index` carry its name (entries without a
    // computer name): which of the records so named it stands for.
    int sameNamesBefore(int index) const;
    void notDeleted(const QString& name);
    // A message box over boxOwner(); the window counts as in use while it is open.
    MsgAnswer ask(const QString& text, MsgIcon icon, MsgButtons buttons = MsgButtons::Ok,
                  const QString& title = {});
    // The window a message box stands over: this one when shown, else the
    // main window (messages of the hidden window's loading).
    QWidget* boxOwner();

    ComputerNameList* names_;
    std::unique_ptr<jet::Recordset> reader_;  // the loading procedure's read position
    std::future<ComputerNameList::SortedNames> sorting_;  // its names being put in order
    // Records read by the loading procedure, in table order, listed when the
    // reading ends; until then the resolution keeps the records read before.
    struct Listing {
        QStringList names;
        QStringList folded;
        UserNameMap records;
        FileStamp stamp;  // the file as it was when the reading began
    } listing_;
    static void readRecords(jet::Recordset& reader, Listing& into, qint64 budgetMs);
    // A reload of the file after someone else changed it, read and put in
    // order on a worker thread, so that the window never waits for it.
    struct Reload {
        ComputerNameList::SortedNames order;
        UserNameMap records;
        FileStamp stamp;
    };
    static Reload reloadRecords(std::unique_ptr<jet::Recordset> reader, FileStamp stamp);
    std::future<Reload> reloading_;
    FileStamp reloadingStamp_;  // the file as the reload in progress found it
    // Counts the times the list was read or changed here: a reload begun
    // before the last of them is out of date when it ends.
    int listGeneration_ = 0;
    int reloadingGeneration_ = 0;
    UserNameMap records_;  // the records listed: the resolution's lookup
    FileStamp stamp_;      // the file as records_ last matched it
    RecordEdit edit_;          // the stored record the boxes were last given
    int shownSkip_ = 0;        // which of the records with its name it is
    int boxesOpen_ = 0;
    // True while the window moves on its own (following monitoring, or
    // keeping its selection through a reload): no pick of the user's.
    bool movingItself_ = false;
    bool unloading_ = false;
    // usernames.set was there but could not be read: kept aside before it
    // is replaced.
    bool placementUnread_ = false;
};
