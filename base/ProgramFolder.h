#pragma once
// The program's folder: where every file the program writes and reads back
// lives (ravelin.set, settings.set, usernames.set, the report, the default
// user name database).
//   1. $RAVELIN_HOME when set;
//   2. else the executable's folder when it is writable;
//   3. else $XDG_CONFIG_HOME/ravelin (default ~/.config/ravelin), created
//      when first needed.
#include <QString>

QString programFolder();

// Makes a relative $RAVELIN_HOME absolute, against the current directory at
// start, so that the commands that change into the program's folder don't
// move it. Called once, first thing at start-up.
void anchorProgramFolder();

// The program's folder followed by "/" and `name`.
QString programFile(const QString& name);

// Makes the program's folder the process's current directory; false when
// that failed.
bool enterProgramFolder();

// Files that ship with the program (help, icons): beside the executable, or
// in the installed share folder.
QString sharedFile(const QString& name);
