#include "jet/roster/WorkgroupAccounts.h"

#include "jet/Database.h"
#include "jet/Error.h"
#include "jet/Recordset.h"

#include <algorithm>
#include <optional>
#include <span>

namespace jet {
namespace {

const char* const kWorkgroupUnavailable =
    "Cannot start your application. The workgroup information file is missing or opened exclusively by "
    "another user.";
const char* const kNotAValidAccount = "Not a valid account name or password.";

enum class StoredPassword { Empty, NotEmpty, Unknown };

StoredPassword classify(const Value& stored) {
    if (stored.kind() != Value::Kind::Binary)
        return StoredPassword::Unknown;
    const std::span<const std::uint8_t> bytes = stored.bytes();
    if (bytes.empty() || bytes.size() % kEmptyPasswordBlock.size() != 0)
        return StoredPassword::Unknown;
    for (std::size_t at = 0; at < bytes.size(); at += kEmptyPasswordBlock.size())
        if (!std::ranges::equal(bytes.subspan(at, kEmptyPasswordBlock.size()), kEmptyPasswordBlock))
            return StoredPassword::NotEmpty;
    return StoredPassword::Empty;
}

std::shared_ptr<Database> openWorkgroup(const std::string& path) {
    try {
        auto db = Database::open(path);
        const auto table = db->tableDef("MSysAccounts");
        for (const char* column : {"Name", "Password", "FGroup"})
            if (std::ranges::none_of(table->columns, [&](const ColumnDef& c) {
                    return jetEquals(Value::text(c.name), Value::text(column));
                }))
                throw Error(WorkgroupUnavailable, kWorkgroupUnavailable);
        return db;
    } catch (const Error&) {
        throw Error(WorkgroupUnavailable, kWorkgroupUnavailable);
    }
}

// The stored password of the user account named `userId`, if there is one.
std::optional<Value> passwordOf(const std::shared_ptr<Database>& db, const std::string& userId) {
    Recordset accounts(db, "MSysAccounts");
    const Value sought = Value::text(userId);
    for (; !accounts.eof(); accounts.moveNext()) {
        const Value& group = accounts.field("FGroup");
        const bool isGroup = group.isNull() || numericValue(group) != 0;
        if (!isGroup && jetEquals(accounts.field("Name"), sought))
            return accounts.field("Password");
    }
    return std::nullopt;
}

}  // namespace

void logOn(const std::string& workgroupPath, const std::string& userId, const std::string& password) {
    const auto db = openWorkgroup(workgroupPath);
    const std::optional<Value> stored = passwordOf(db, userId);
    if (!stored)
        throw Error(InvalidAccount, kNotAValidAccount);
    switch (classify(*stored)) {
    case StoredPassword::Empty:
        if (!password.empty())
            throw Error(InvalidAccount, kNotAValidAccount);
        return;
    case StoredPassword::NotEmpty:
        // An empty password would read as empty blocks, so it is wrong.
        if (password.empty())
            throw Error(InvalidAccount, kNotAValidAccount);
        break;
    case StoredPassword::Unknown:
        break;
    }
    throw Error(InvalidAccount, "The password of the account '" + userId +
                                    "' cannot be verified on this platform. The lock-file read mode "
                                    "shows the same users.");
}

}  // namespace jet
