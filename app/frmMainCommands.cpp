// Start-up, shut-down, the database path list and the commands that manage it.
#include "app/frmMain.h"

#include "app/AppError.h"
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
#include <QCollator>
#include <QFileInfo>
#include <QLocale>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>

namespace {

QString pathListFile() { return programFile(QStringLiteral("ravelin.set")); }

}  // namespace

bool frmMain::Form_Load(InstanceGuard& guard) {
    anchorProgramFolder();
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
        addDatabasePath(decodeLine(*entry))->setData(kReadBytesRole, *entry);
    }
}

void frmMain::SaveDBs() {
    enterProgramFolder();
    if (pathListUnread_ && !keepUnreadableAside(pathListFile()))
        return;
    QList<QByteArray> lines{QByteArray::number(List1->count())};
    for (int i = 0; i < List1->count(); ++i) {
        const QListWidgetItem* item = List1->item(i);
        lines << encodeLine(item->text(), item->data(kReadBytesRole).toByteArray());
    }
    if (writeLinesReplacing(pathListFile(), lines))
        pathListUnread_ = false;
}

QListWidgetItem* frmMain::addDatabasePath(const QString& path) {
    // Sorted as the locale sorts words, letter case ignored: an accented
    // letter sits beside its plain one.
    static const QCollator collator = [] {
        // The C locale compares code points; the common collation, which
        // English uses unchanged, stands in for it.
        QLocale locale;
        if (locale.language() == QLocale::C)
            locale = QLocale(QLocale::English, QLocale::UnitedStates);
        QCollator c(locale);
        c.setCaseSensitivity(Qt::CaseInsensitive);
        return c;
    }();
    int at = List1->count();
    for (int i = 0; i < List1->count(); ++i) {
        if (collator.compare(List1->item(i)->text(), path) > 0) {
            at = i;
            break;
        }
    }
    List1->insertItem(at, path);
    return List1->item(at);
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
    runCommand(this, [this] {
        const QString chosen = basCDL::ChooseOpenFile(
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
        addDatabasePath(chosen);
    });
}

void frmMain::mDelDB_Click() {
    runCommand(this, [this] { deleteSelectedPath(); });
}

void frmMain::deleteSelectedPath() {
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
        // Showing the window is best effort: the settings stay in its
        // controls whether or not it showed, and the command has no error
        // message of its own to give.
    }
}

void frmMain::mnuUserDB_Click() {
    data()->show();
    data()->raise();
}

frmTip* frmMain::tip() const { return tip_; }

void frmMain::showTip(const QString& message) {
    // A tip that has closed but is not yet deleted can't show the message.
    if (!tip_ || tip_->closed())
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
