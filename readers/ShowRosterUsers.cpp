#include "readers/ShowRosterUsers.h"

#include "app/AppError.h"

namespace readers {

// Until the roster connection exists this read mode reports itself as not
// available, through the display-users command's error trap.
void ShowRosterUsers(frmMain&) {
    throw AppError(445, QStringLiteral("Ravelin"),
                   QStringLiteral("The \"ADO Roster Schema\" read mode is not available yet. "
                                  "Choose \"MSLDBUsr (msldbusr.dll required)\" to read the lock file."));
}

}  // namespace readers
