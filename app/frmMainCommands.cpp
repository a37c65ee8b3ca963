// Start-up, shut-down, the database path list and the commands that manage it.
#include "app/frmMain.h"

#include "app/InstanceGuard.h"
#include "app/IntervalTimer.h"
#include "app/MessageBoxes.h"
#include "app/Numbers.h"
#include "app/ProgramFolder.h"
#include "app/TextFile.h"
#include "app/basCDL.h"
#include "app/frmTip.h"
#include "settings/frmSettings.h"
#include "shell/KillApp.h"
#include "usernames/DefaultUserNameDatabase.h"
#include "usernames/frmData.h"

#include <QCheckBox>
#include <QCloseEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>

namespace {

QString pathListFile() { return programFile(QStringLiteral("ravelin.set")); }

}  // namespace

bool frmMain::Form_Load(InstanceGuard& guard) {
    if (!guard.acquire()) {
        msgBox(nullptr, QStringLiteral("The Ravelin program is already running"), MsgIcon::Exclamation,
               MsgButtons::Ok, QStringLiteral("Program Already Running"));
        unloaded_ = true;  // nothing was loaded, so nothing may be written
        return false;
    }
    SetColumns();
    settings();
    OpenDBs();
    OpenSettings();
    createDefaultUserNameDatabase(settings()->txtDB->text());
    data();
    LDBOption = 2;
    loaded_ = true;
    return true;
}

void frmMain::closeEvent(QCloseEvent* event) {
    Form_Unload();
    event->accept();
}

void frmMain::Form_Unload() {
    if (unloaded_ || !loaded_)
        return;
    unloaded_ = true;
    Timer1->setEnabled(false);
    SaveDBs();
    SavSettings();
    if (settings_)
        settings_->unload();
    delete settings_;
    if (data_)
        data_->unload();
    delete data_;
    if (tip_)
        tip_->close();
    KillApp::CloseByTitle(QStringLiteral("Ravelin Help"));
}

void frmMain::OpenDBs() {
    LineReader in(pathListFile());
    const auto countLine = in.next();
    const auto count = countLine ? parseNumber(*countLine) : std::nullopt;
    if (!count)
        return;
    // Entries are read one by one up to the count; a file with fewer lines
    // keeps what it had.
    for (double i = 1; i <= *count; ++i) {
        const auto entry = in.next();
        if (!entry)
            return;
        addDatabasePath(*entry);
    }
}

void frmMain::SaveDBs() {
    enterProgramFolder();
    QStringList lines{QString::number(List1->count())};
    for (int i = 0; i < List1->count(); ++i)
        lines << List1->item(i)->text();
    writeLinesReplacing(pathListFile(), lines);
}

void frmMain::addDatabasePath(const QString& path) {
    int at = List1->count();
    for (int i = 0; i < List1->count(); ++i) {
        if (QString::compare(List1->item(i)->text(), path, Qt::CaseInsensitive) > 0) {
            at = i;
            break;
        }
    }
    List1->insertItem(at, path);
}

int frmMain::List1Index() const {
    const auto selected = List1->selectedItems();
    return selected.isEmpty() ? -1 : List1->row(selected.constFirst());
}

void frmMain::setList1Index(int index) {
    List1->setCurrentRow(index, QItemSelectionModel::ClearAndSelect);
}

void frmMain::List1_Click() {
    if (const int index = List1Index(); index >= 0)
        setSelectedDatabasePath(List1->item(index)->text());
}

void frmMain::List1_DblClick() { btnLDBUsers_Click(); }

void frmMain::mAddDB_Click() {
    const QString chosen = basCDL::ChooseOpenFile(
        this, QStringLiteral("Microsoft Database Files (*.mdb;*.mde)|*.mdb;*.mde"),
        QStringLiteral("Choose Database File Path"), QString());
    if (!chosen.isEmpty())
        addDatabasePath(chosen);
}

void frmMain::mDelDB_Click() {
    if (List1->count() == 0)
        return;
    const int index = List1Index();
    if (index < 0) {
        msgBox(this, QStringLiteral("You must select a database item before deleting it from the list."),
               MsgIcon::Exclamation, MsgButtons::Ok, QStringLiteral("No Database Selected"));
        setList1Index(0);
        return;
    }
    const MsgAnswer answer =
        msgBox(this, QStringLiteral("Are you sure you want to delete the database path?"), MsgIcon::Question,
               MsgButtons::YesNo, QStringLiteral("Delete Database Path"));
    if (answer == MsgAnswer::No)
        return;
    // After the removal no entry is selected, and the status bar keeps the
    // removed path until another entry is clicked.
    const QSignalBlocker quiet(List1);
    delete List1->takeItem(index);
    List1->clearSelection();
    List1->setCurrentItem(nullptr);
}

void frmMain::mnuExit_Click() { close(); }

void frmMain::mSettings_Click() {
    try {
        settings()->showModal();
    } catch (...) {
        // Showing the window is best effort.
    }
}

void frmMain::mnuUserDB_Click() {
    data()->show();
    data()->raise();
}

frmTip* frmMain::tip() const { return tip_; }

void frmMain::showTip(const QString& message) {
    if (!tip_)
        tip_ = new frmTip(this);
    tip_->lbMsg->setText(message);
    tip_->showOverOwner();
}

void frmMain::setMonitorCaption(const QString& text) {
    chkAutoMonitor->setText(QStringLiteral("Auto Monitoring (Every ") + text + QStringLiteral(" miliseconds)"));
}

bool frmMain::setMonitorInterval(int ms, const QString& text) {
    setMonitorCaption(text);
    return Timer1->setInterval(ms);
}
