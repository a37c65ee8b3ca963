#include "readers/ResolveUserNames.h"

namespace readers {

int userNameColumn(bool rosterMode) { return rosterMode ? 4 : 2; }

UserNameLookup lookUpUserName(const UserNameMap& known, const QString& computer, bool rosterMode) {
    if (const RecordTexts* record = known.find(computer))
        return {record, {}};
    const QString text = QStringLiteral("There is no User Name in the User Database window with the Computer Name ");
    const QString quoted = QChar('\'') + computer + QChar('\'');
    return {nullptr,
            Notice{rosterMode ? text + quoted : text + computer, QStringLiteral("No User Name"), MsgIcon::Exclamation,
                   text + quoted + QChar('.')}};
}

}  // namespace readers
