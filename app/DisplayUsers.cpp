// The display-users command, the read modes and auto monitoring.
#include "app/MainWindow.h"

#include "base/AppError.h"
#include "base/MessageBoxes.h"
#include "base/Twips.h"
#include "base/UserListModel.h"

#include <QCheckBox>
#include <QFileInfo>
#include <QHeaderView>
#include <QLineEdit>
#include <QRadioButton>
#include <QTimer>
#include <QTreeView>

#include <span>

namespace {

struct Column {
    const char* title;
    int twips;
};

constexpr Column kRosterColumns[] = {{"Computer Name", 2500}, {"Security Name", 2500}, {"Connected", 1400},
                                     {"Suspect", 1400},       {"User Name", 2500},     {"Contact", 2500},
                                     {"Email", 2500}};
constexpr Column kLockFileColumns[] = {
    {"Computer Name", 2500}, {"Security Name", 2500}, {"User Name", 2500}, {"Contact", 2500}, {"Email", 2500}};

void setBold(QWidget* w, bool bold) {
    QFont f = w->font();
    f.setBold(bold);
    w->setFont(f);
}

// Marks the command as running until it ends, however it ends.
struct RefreshScope {
    explicit RefreshScope(bool& running) : flag(running) { flag = true; }
    ~RefreshScope() { flag = false; }
    bool& flag;
};

}  // namespace

void MainWindow::displayUsersClicked() { showUsers(); }

void MainWindow::showUsers() {
    const RefreshScope running(refreshRunning_);
    const bool ran = runCommand(this, [this] {
        if (!checkDatabaseSelected()) {
            users_->clear();
            return;
        }
        setCursor(Qt::WaitCursor);
        users_->clear();
        if (readModeChoice[0]->isChecked())
            showRosterUsers();
        else if (readModeChoice[1]->isChecked())
            showLockFileUsers();
        setCursor(Qt::ArrowCursor);
    });
    if (!ran)
        setCursor(Qt::ArrowCursor);
}

bool MainWindow::checkDatabaseSelected() {
    const QString path = selectedDatabasePath();
    if (path.isEmpty()) {
        msgBox(this, QStringLiteral("You must select a database"), MsgIcon::Information, MsgButtons::Ok,
               QStringLiteral("No Database Selected"));
        return false;
    }
    // An ordinary file: not a folder, not hidden.
    const QFileInfo file(path);
    if (!file.isFile() || file.isHidden()) {
        msgBox(this, QStringLiteral("Couldn't find file '") + path + QStringLiteral("', please try again"),
               MsgIcon::Information, MsgButtons::Ok, QStringLiteral("Database Not Found"));
        return false;
    }
    if (settingsStore_->value().workgroupPath.isEmpty()) {
        msgBox(this, QStringLiteral("You must connect via a valid workgroup file."), MsgIcon::Information,
               MsgButtons::Ok, QStringLiteral("Workgroup File Not Found"));
        return false;
    }
    return true;
}

void MainWindow::setUserColumns() {
    std::span<const Column> columns;
    if (readModeChoice[0]->isChecked())
        columns = kRosterColumns;
    else if (readModeChoice[1]->isChecked())
        columns = kLockFileColumns;
    QStringList titles;
    for (const Column& c : columns)
        titles << QString::fromLatin1(c.title);
    users_->setColumns(titles);
    for (int i = 0; i < static_cast<int>(columns.size()); ++i)
        userList->setColumnWidth(i, twipsToPixelsX(this, columns[static_cast<std::size_t>(i)].twips));
}

// Puts the window into one read mode: its option in bold, its controls
// enabled, the other mode's disabled, the columns laid out for it.
void MainWindow::enableReadMode(bool lockFileMode) {
    setBold(readModeChoice[lockFileMode ? 1 : 0], true);
    setBold(readModeChoice[lockFileMode ? 0 : 1], false);
    lockFileChoice[0]->setEnabled(lockFileMode);
    lockFileChoice[1]->setEnabled(lockFileMode);
    allPossibleCheck->setEnabled(lockFileMode);
    lockFileChoice[2]->setEnabled(lockFileMode);
    userNameEdit->setEnabled(!lockFileMode);
    passwordEdit->setEnabled(!lockFileMode);
    setUserColumns();
}

void MainWindow::enableRosterOptions() { enableReadMode(false); }

void MainWindow::enableLockFileOptions() { enableReadMode(true); }

void MainWindow::chooseReadMode(int index) {
    runCommand(this, [&] {
        if (index == 0)
            enableRosterOptions();
        else if (index == 1)
            enableLockFileOptions();
    });
}

void MainWindow::chooseLockFileOption(int index) {
    static constexpr short kOptions[] = {1, 2, 4};
    if (index >= 0 && index < 3)
        lockFileOption = kOptions[index];
}

void MainWindow::applyAutoMonitoring() {
    autoMonitoring_ = autoMonitorCheck->checkState() == Qt::Checked;
    restartRefreshTimer();
}

void MainWindow::restartRefreshTimer() {
    refreshTimer->stop();
    if (autoMonitoring_ && refreshTimer->interval() > 0)
        refreshTimer->start();
}

bool MainWindow::setRefreshInterval(int ms) {
    if (ms < 0 || ms > kMaxMonitorInterval)
        return false;
    refreshTimer->setInterval(ms);
    restartRefreshTimer();
    return true;
}

// A tick that falls due while a refresh is still running (waiting on one of
// its own message boxes) is dropped: a second refresh inside the first would
// empty and refill the list under it. The next tick refreshes as usual.
void MainWindow::refreshTick() {
    if (refreshRunning_)
        return;
    showUsers();
}

