#pragma once
// The desktop's default applications, found as the desktop finds them: the
// mimeapps.list files name a .desktop file for a MIME type, and its Exec
// line gives the command. Also the terminal window to run a command in.
#include <QString>
#include <QStringList>

// The command (program first) that opens `file` with the desktop's default
// application for `mimeType`; empty when none is set or found.
QStringList defaultApplicationCommand(const QString& mimeType, const QString& file);

// Splits a .desktop file's Exec value into arguments and fills in `file`
// for its field codes (appended when it has none). Empty when the value is
// malformed.
QStringList execArguments(const QString& exec, const QString& file);

// The command that runs `command` (program first, as an argument vector) in
// a new terminal window; empty when no terminal program is found.
QStringList terminalCommand(const QStringList& command);
// The terminal programs terminalCommand looks for, in its order.
QStringList terminalPrograms();
