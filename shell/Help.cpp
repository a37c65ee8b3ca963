#include "shell/Help.h"

#include "app/MessageBoxes.h"
#include "app/ProgramFolder.h"
#include "shell/KillApp.h"
#include "shell/modShellExec.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <QStandardPaths>

QString helpFile() { return sharedFile(QStringLiteral("help/index.html")); }

QString helpViewerProgram() {
    const QString beside = QCoreApplication::applicationDirPath() + QStringLiteral("/ravelin-help");
    if (QFileInfo(beside).isExecutable())
        return beside;
    return QStandardPaths::findExecutable(QStringLiteral("ravelin-help"));
}

void openHelp(QWidget* owner) {
    if (KillApp::FindWindow(kHelpTitle)) {
        msgBox(owner, QStringLiteral("Ravelin Help Is Already Open."), MsgIcon::Exclamation, MsgButtons::Ok,
               QStringLiteral("Help Is Already Open"));
        return;
    }
    QCoreApplication::processEvents();
    const QString viewer = helpViewerProgram();
    qint64 pid = 0;
    // Without a viewer no program can open the help file: "No association".
    const int code = viewer.isEmpty() ? 31 : ShellOpen(helpFile(), QString(), viewer, &pid);
    if (code <= 32) {
        ShellErrText(code, true, owner);
        return;
    }
    KillApp::trackStartedWindow(pid, viewer, kHelpTitle);
}
