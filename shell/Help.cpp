#include "shell/Help.h"

#include "base/MessageBoxes.h"
#include "shell/KillApp.h"
#include "shell/OpenDocument.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>

// The help folder is found first, so that a contents page missing from it
// reads as a missing file, and a missing folder as a missing path.
// Beside the program (a build), in the share folder of its installation
// prefix, or in the desktop's data folders.
QString helpFile() {
    const QString programDir = QCoreApplication::applicationDirPath();
    const QString beside = programDir + QStringLiteral("/help");
    const QString prefixShare = programDir + QStringLiteral("/../share/ravelin/help");
    QString folder = QFileInfo(beside).isDir()        ? beside
                     : QFileInfo(prefixShare).isDir() ? QDir::cleanPath(prefixShare)
                                                      : QStandardPaths::locate(QStandardPaths::GenericDataLocation,
                                                                               QStringLiteral("ravelin/help"),
                                                                               QStandardPaths::LocateDirectory);
    if (folder.isEmpty())
        folder = beside;
    return folder + QStringLiteral("/index.html");
}

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
    // Without the viewer, the desktop's application for web pages shows it.
    const QString viewer = helpViewerProgram();
    qint64 pid = 0;
    const int code = openDocument(helpFile(), QString(), viewer, &pid);
    if (code <= 32) {
        launchErrorText(code, true, owner);
        return;
    }
    if (!viewer.isEmpty())
        KillApp::trackStartedWindow(pid, viewer, kHelpTitle);
}
