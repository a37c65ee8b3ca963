#pragma once
// User name resolution: each row of the user list looked up by its computer
// name in the user name database's records, whose "User Name", "Contact" and
// "Email" then fill the row's columns of those names.
#include "base/MessageBoxes.h"
#include "usernames/UserNameMap.h"

#include <QString>

namespace readers {

// The user list's column of a row's user name, in roster schema mode or in
// lock-file mode; the contact and the e-mail address follow it.
int userNameColumn(bool rosterMode);

// One row's computer as the resolution finds it: its record, or none and
// what the user is told of that.
struct UserNameLookup {
    const RecordTexts* record = nullptr;  // valid until `known` changes
    Notice notice;
};

UserNameLookup lookUpUserName(const UserNameMap& known, const QString& computer, bool rosterMode);

}  // namespace readers
