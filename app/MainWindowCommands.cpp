// Start-up, shut-down, the database path list and the commands that manage it.
#include "app/MainWindow.h"

#include "base/AppError.h"
#include "base/InstanceGuard.h"
#include "base/MessageBoxes.h"
#include "base/Numbers.h"
#include "base/DatabasePathModel.h"
#include "base/UserListModel.h"
#include "base/ProgramFolder.h"
#include "base/TextFile.h"
#include "base/ChooseOpenFile.h"
#include "app/TipWindow.h"
#include "settings/SettingsWindow.h"
#include "shell/Help.h"
#include "shell/KillApp.h"
#include "usernames/DefaultUserNameDatabase.h"
#include "usernames/UserNameWindow.h"

#include <QCheckBox>
#include <QCloseEvent>
#include <QFileInfo>
#include <QLabel>
#include <QLineEdit>
#include <QListView>
#include <QTreeView>
#include <QTimer>

namespace {

QString pathListFile() { return programFile(QStringLiteral("ravelin.set")); }

}  // namespace

bool MainWindow::load(InstanceGuard& guard) {
    anchorProgramFolder();
    if (!guard.acquire()) {
        msgBox(nullptr, QStringLiteral("The Ravelin program is already running"), MsgIcon::Exclamation,
               MsgButtons::Ok, QStringLiteral("Program Already Running"));
        unloaded_ = true;  // nothing was loaded, so nothing may be written
        return false;
    }
    setUserColumns();
    Settings defaults = settingsStore_->value();
    defaults.userDatabasePath = programFile(QStringLiteral("compnamedb.mdb"));
    settingsStore_->setValue(defaults);
    settings();
    loadDatabasePaths();
    loadSettings();
    createDefaultUserNameDatabase(settingsStore_->value().userDatabasePath);
    data();
    lockFileOption = 2;
    loaded_ = true;
    return true;
}

void MainWindow::closeEvent(QCloseEvent* event) {
    unload();
    event->accept();
}

void MainWindow::unload() {
    if (unloaded_ || !loaded_)
        return;
    unloaded_ = true;
    autoMonitoring_ = false;
    refreshTimer->stop();
    saveDatabasePaths();
    saveSettings();
    if (settings_)
        settings_->unload();
    delete settings_;
    if (data_)
        data_->unload();
    delete data_;
    if (tip_)
        tip_->close();
    KillApp::CloseStarted(kHelpTitle);
}

void MainWindow::loadDatabasePaths() {
    LineReader in(pathListFile());
    const auto countLine = in.next();
    const auto count = countLine ? parseNumber(*countLine) : std::nullopt;
    if (!count || *count < 0) {
        // Shut-down keeps a file that is there but could not be read aside
        // before it writes the list.
        pathListUnread_ = QFileInfo::exists(pathListFile());
        return;
    }
    // Entries are read one by one up to the count; a file with fewer lines
    // keeps what it had. Each entry keeps the bytes it was read from, so that
    // it is written back as it was.
    for (double i = 1; i <= *count; ++i) {
        const auto entry = in.nextBytes();
        if (!entry)
            return;
        databasePaths_->insert(decodeLine(*entry), *entry);
    }
}

void MainWindow::saveDatabasePaths() {
    enterProgramFolder();
    if (pathListUnread_ && !keepUnreadableAside(pathListFile()))
        return;
    QList<QByteArray> lines{QByteArray::number(databasePaths_->rowCount())};
    for (int i = 0; i < databasePaths_->rowCount(); ++i) {
        lines << encodeLine(databasePaths_->path(i), databasePaths_->readBytes(i));
    }
    if (writeLinesReplacing(pathListFile(), lines))
        pathListUnread_ = false;
}

int MainWindow::databaseIndex() const {
    const QModelIndexList selected = databaseList->selectionModel()->selectedRows();
    return selected.isEmpty() ? -1 : selected.constFirst().row();
}

void MainWindow::selectDatabaseIndex(int index) {
    databaseList->selectionModel()->setCurrentIndex(databasePaths_->index(index), QItemSelectionModel::ClearAndSelect);
}

int MainWindow::selectedUserRow() const {
    const QModelIndexList selected = userList->selectionModel()->selectedRows();
    return selected.isEmpty() ? -1 : selected.constFirst().row();
}

void MainWindow::selectUserRow(int row) {
    userList->selectionModel()->setCurrentIndex(users_->index(row, 0),
                                                QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
}

void MainWindow::databaseSelected() {
    if (const int index = databaseIndex(); index >= 0)
        setSelectedDatabasePath(databasePaths_->path(index));
}

void MainWindow::databaseDoubleClicked() { displayUsersClicked(); }

void MainWindow::addDatabasePath() {
    runCommand(this, [this] {
        const QString chosen = chooseOpenFile(
            this, QStringLiteral("Microsoft Database Files (*.mdb;*.mde)|*.mdb;*.mde"),
            QStringLiteral("Choose Database File Path"), QString());
        if (chosen.isEmpty())
            return;
        // The list file holds one path a line: a path with a line break
        // would come back as pieces.
        if (chosen.contains(QChar('\n')) || chosen.contains(QChar('\r'))) {
            msgBox(this, QStringLiteral("The path contains a line break, which the list of database paths "
                                        "can't hold. Rename the file or its folder, then add it again."),
                   MsgIcon::Exclamation, MsgButtons::Ok, QStringLiteral("Database Path Not Added"));
            return;
        }
        databasePaths_->insert(chosen);
    });
}

void MainWindow::deleteDatabasePath() {
    runCommand(this, [this] { deleteSelectedPath(); });
}

void MainWindow::deleteSelectedPath() {
    if (databasePaths_->rowCount() == 0)
        return;
    const int index = databaseIndex();
    if (index < 0) {
        msgBox(this, QStringLiteral("You must select a database item before deleting it from the list."),
               MsgIcon::Exclamation, MsgButtons::Ok, QStringLiteral("No Database Selected"));
        selectDatabaseIndex(0);
        return;
    }
    const MsgAnswer answer =
        msgBox(this, QStringLiteral("Are you sure you want to delete the database path?"), MsgIcon::Question,
               MsgButtons::YesNo, QStringLiteral("Delete Database Path"));
    if (answer == MsgAnswer::No)
        return;
    // After the removal no entry is selected, and the status bar keeps the
    // removed path until another entry is clicked.
    const QSignalBlocker quiet(databaseList->selectionModel());
    databasePaths_->remove(index);
    databaseList->selectionModel()->clear();
    databaseList->viewport()->update();
}

void MainWindow::exitProgram() { close(); }

void MainWindow::showSettings() {
    try {
        settings()->showModal();
    } catch (...) {
        // Showing the window is best effort: the settings stay in its
        // controls whether or not it showed, and the command has no error
        // message of its own to give.
    }
}

void MainWindow::showUserDatabase() {
    data()->show();
    data()->raise();
}

TipWindow* MainWindow::tip() const { return tip_; }

void MainWindow::showTip(const QString& message) {
    // A tip that has closed but is not yet deleted can't show the message.
    if (!tip_ || tip_->closed())
        tip_ = new TipWindow(this);
    tip_->setMessage(message);
    tip_->showOverOwner();
}

void MainWindow::setMonitorCaption(const QString& text) {
    autoMonitorCheck->setText(QStringLiteral("Auto Monitoring (Every ") + text + QStringLiteral(" miliseconds)"));
}

bool MainWindow::setMonitorInterval(int ms, const QString& text) {
    setMonitorCaption(text);
    return setRefreshInterval(ms);
}
