#include "readers/ShowLDBUsers.h"

#include "app/AppError.h"

namespace readers {

void ShowLDBUsers(frmMain&) {
    throw AppError(445, QStringLiteral("Ravelin"),
                   QStringLiteral("The \"MSLDBUsr (msldbusr.dll required)\" read mode is not available yet."));
}

}  // namespace readers
