#pragma once
// The lock-file library reader: the computer names that the lock-file
// library returns for a database, paired with security names read from the
// lock file itself, make the rows of the user list.
#include "readers/UserRows.h"

#include <QByteArray>
#include <QString>
#include <QStringList>

#include <functional>

namespace readers {

struct LockFileRequest {
    QString databasePath;
    short option = 2;          // the lock-file option passed to the library: 1, 2 or 4
    bool allPossible = false;  // a returned name may stand for any number of rows
};

// Reads the users of `request.databasePath`; rows are (computer, security).
// A lock file that is not there is a notice; failures come back in the rows.
UserRows readLockFileUsers(const LockFileRequest& request);

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
