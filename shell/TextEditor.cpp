#include "shell/TextEditor.h"

#include "shell/DesktopApps.h"
#include "shell/Launcher.h"

#include <QFileInfo>
#include <QStandardPaths>

void openInTextEditor(const QString& path) {
    QStringList command = defaultApplicationCommand(QStringLiteral("text/plain"), path);
    if (command.isEmpty()) {
        const QString opener = QStandardPaths::findExecutable(QStringLiteral("xdg-open"));
        if (opener.isEmpty())
            return;
        command = QStringList{opener, path};
    }
    const QString program = command.takeFirst();
    (void)launcher().startProgram(program, command, QFileInfo(path).absolutePath());
}
