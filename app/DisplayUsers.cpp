// The display-users command, the read modes and auto monitoring.
#include "app/frmMain.h"

#include "app/AppError.h"
#include "app/IntervalTimer.h"
#include "app/MessageBoxes.h"
#include "app/Twips.h"
#include "settings/frmSettings.h"

#include <QCheckBox>
#include <QFileInfo>
#include <QHeaderView>
#include <QLineEdit>
#include <QRadioButton>
#include <QTreeWidget>

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

void frmMain::btnLDBUsers_Click() { mnuDisplayUsers_Click(); }

void frmMain::mnuDisplayUsers_Click() {
    const RefreshScope running(refreshRunning_);
    const bool ran = runCommand(this, [this] {
        if (!CheckDBSelection()) {
            lvUsers->clear();
            return;
        }
        setCursor(Qt::WaitCursor);
        lvUsers->clear();
        if (optMode[0]->isChecked())
            ShowRosterUsers();
        else if (optMode[1]->isChecked())
            ShowLDBUsers();
        setCursor(Qt::ArrowCursor);
    });
    if (!ran)
        setCursor(Qt::ArrowCursor);
}

bool frmMain::CheckDBSelection() {
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
    if (settings()->txtWorkgroup->text().isEmpty()) {
        msgBox(this, QStringLiteral("You must connect via a valid workgroup file."), MsgIcon::Information,
               MsgButtons::Ok, QStringLiteral("Workgroup File Not Found"));
        return false;
    }
    return true;
}

void frmMain::SetColumns() {
    lvUsers->setColumnCount(0);
    std::span<const Column> columns;
    if (optMode[0]->isChecked())
        columns = kRosterColumns;
    else if (optMode[1]->isChecked())
        columns = kLockFileColumns;
    QStringList titles;
    for (const Column& c : columns)
        titles << QString::fromLatin1(c.title);
    lvUsers->setColumnCount(static_cast<int>(titles.size()));
    lvUsers->setHeaderLabels(titles);
    for (int i = 0; i < static_cast<int>(columns.size()); ++i)
        lvUsers->setColumnWidth(i, twipsToPixelsX(this, columns[static_cast<std::size_t>(i)].twips));
}

// Puts the window into one read mode: its option in bold, its controls
// enabled, the other mode's disabled, the columns laid out for it.
void frmMain::enableReadMode(bool lockFileMode) {
    setBold(optMode[lockFileMode ? 1 : 0], true);
    setBold(optMode[lockFileMode ? 0 : 1], false);
    optLDB[0]->setEnabled(lockFileMode);
    optLDB[1]->setEnabled(lockFileMode);
    chkAllPossible->setEnabled(lockFileMode);
    optLDB[2]->setEnabled(lockFileMode);
    txtUserName->setEnabled(!lockFileMode);
    txtPassword->setEnabled(!lockFileMode);
    SetColumns();
}

void frmMain::EnDisRoster() { enableReadMode(false); }

void frmMain::EnDisMSDLL() { enableReadMode(true); }

void frmMain::optMode_Click(int index) {
    runCommand(this, [&] {
        if (index == 0)
            EnDisRoster();
        else if (index == 1)
            EnDisMSDLL();
    });
}

void frmMain::optLDB_Click(int index) {
    static constexpr short kOptions[] = {1, 2, 4};
    if (index >= 0 && index < 3)
        LDBOption = kOptions[index];
}

void frmMain::chkAutoMonitor_Click() { Timer1->setEnabled(chkAutoMonitor->checkState() == Qt::Checked); }

// A tick that falls due while a refresh is still running (waiting on one of
// its own message boxes) is dropped: a second refresh inside the first would
// empty and refill the list under it. The next tick refreshes as usual.
void frmMain::Timer1_Timer() {
    if (refreshRunning_)
        return;
    mnuDisplayUsers_Click();
}

