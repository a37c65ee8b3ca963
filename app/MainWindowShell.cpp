// The commands that hand work to other windows and programs: print-export,
// the NBTSTAT lookup, help, the web site and the About box.
#include "app/MainWindow.h"
#include "base/DatabasePathModel.h"
#include "base/UserListModel.h"

#include "about/AboutWindow.h"
#include "base/MessageBoxes.h"
#include "base/ProgramFolder.h"
#include "report/ReportWindow.h"
#include "settings/SettingsWindow.h"
#include "shell/DesktopApps.h"
#include "shell/Help.h"
#include "shell/Nbtstat.h"
#include "shell/WebSite.h"

#include <QRadioButton>
#include <QTreeView>

void MainWindow::showReport() {
    try {
        ReportWindow::showModal(this, {users_, databasePaths_->paths(), selectedDatabasePath(), readModeChoice[0]->isChecked()});
    } catch (...) {
        // Showing the window is best effort: nothing was written yet, and
        // the command has no error message of its own to give.
    }
}

void MainWindow::showNbtstat() {
    if (users_->rowCount() == 0) {
        msgBox(this,
               QStringLiteral("There are no LDB Users to select that will allow you to run the Command Prompt "
                              "'NBSTAT' command."),
               MsgIcon::Exclamation, MsgButtons::Ok, QStringLiteral("No Computer Names To Select"));
        return;
    }
    const int selected = selectedUserRow();
    if (selected < 0) {
        msgBox(this, QStringLiteral("There is no LDB User selected to run the Command Prompt 'NBSTAT' command."),
               MsgIcon::Exclamation, MsgButtons::Ok, QStringLiteral("No Computer Name Selected"));
        return;
    }
    const QString computer = users_->computerName(selected);
    // The name comes from a lock file that anyone on the share can write.
    if (!acceptableComputerName(computer)) {
        msgBox(this, QStringLiteral("The selected computer name holds control characters and can not be looked up."),
               MsgIcon::Exclamation, MsgButtons::Ok, QStringLiteral("Invalid Computer Name"));
        return;
    }
    if (!startNodeStatusLookup(computer)) {
        const QString text =
            terminalCommand({}).isEmpty()
                ? QStringLiteral("No terminal program was found to run the NBTSTAT lookup in. Tried: ") +
                      terminalPrograms().join(QStringLiteral(", ")) + QChar('.')
                : QStringLiteral("The terminal program for the NBTSTAT lookup could not be started.");
        msgBox(this, text, MsgIcon::Exclamation, MsgButtons::Ok, QStringLiteral("Command Prompt (NBTSTAT)"));
    }
    enterProgramFolder();
}

void MainWindow::showHelp() { openHelp(this); }

void MainWindow::showWebSite() { openWebSite(); }

void MainWindow::showAbout() { AboutWindow::showModal(this); }
