#include "shell/Nbtstat.h"

#include "shell/DesktopApps.h"
#include "shell/Launcher.h"

bool acceptableComputerName(const QString& name) {
    if (name.isEmpty())
        return false;
    for (const QChar c : name) {
        if (c.category() == QChar::Other_Control || c.category() == QChar::Other_Format ||
            c == QChar::LineSeparator || c == QChar::ParagraphSeparator)
            return false;
    }
    return true;
}

QStringList nodeStatusCommand(const QString& computerName) {
    // The script is fixed text; the name reaches nmblookup as "$@", one
    // argument after "--", so nothing in it is ever parsed by the shell.
    return {QStringLiteral("/bin/sh"), QStringLiteral("-c"),
            QStringLiteral("nmblookup -S \"$@\"; exec \"${SHELL:-/bin/sh}\""), QStringLiteral("ravelin-nbtstat"),
            QStringLiteral("--"), computerName};
}

bool startNodeStatusLookup(const QString& computerName) {
    QStringList command = terminalCommand(nodeStatusCommand(computerName));
    if (command.isEmpty())
        return false;
    const QString program = command.takeFirst();
    return launcher().startProgram(program, command, QStringLiteral("/"));
}
