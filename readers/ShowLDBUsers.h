#pragma once
// The lock-file library reader: the computer names that the lock-file
// library returns for the selected database, paired with security names read
// from the lock file itself, fill the user list.
#include <QString>
#include <QStringList>

#include <functional>

class frmMain;

namespace readers {

void ShowLDBUsers(frmMain& w);

// The lock-file library's operation: the computer names for a database path
// (ending in NULs) and an option 1, 2 or 4. Tests may put another in place.
using LdbLibrary = std::function<QStringList(const QByteArray& databasePath, int option)>;
void setLdbLibrary(LdbLibrary library);  // empty: the real library

// The lock file that belongs to a database.
QString lockFilePath(const QString& databasePath);

// Upper case as the ANSI code page has it: a letter whose capital the code
// page lacks (such as the micro sign), or whose capital is two letters (such
// as the sharp s), stays as it is.
QString ansiUpperCase(const QString& text);

}  // namespace readers
