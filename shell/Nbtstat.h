#pragma once
// The NetBIOS node-status lookup of a computer (the Linux counterpart of
// "NBTSTAT -a"): Samba's nmblookup -S in a terminal window that stays open.
#include <QString>
#include <QStringList>

// Whether `name` can be looked up: not empty, no control characters. The
// name comes from a lock file any user of the share may write.
bool acceptableComputerName(const QString& name);

// The command run inside the terminal, program first: it looks the computer
// up and leaves an interactive shell open. The name is one argument after
// "--", never part of a command string.
QStringList nodeStatusCommand(const QString& computerName);

// Starts the lookup in a new terminal window working in the root folder;
// false when it could not be started.
bool startNodeStatusLookup(const QString& computerName);
