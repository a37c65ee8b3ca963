#include "jet/who/Listing.h"

#include "jet/Error.h"
#include "jet/LdbUsers.h"

#include <algorithm>
#include <cerrno>
#include <cstring>

#include <sys/stat.h>

namespace jet::who {

int DatabaseUsers::connectedCount() const {
    return static_cast<int>(std::ranges::count_if(users, [](const User& u) { return u.connected; }));
}

int DatabaseUsers::suspectCount() const {
    return static_cast<int>(std::ranges::count_if(users, [](const User& u) { return u.suspect; }));
}

NameBook::NameBook(const std::string& path)
    : names_(std::make_unique<Recordset>(Database::open(path), "T_Main")) {
    // A table of another shape is refused here, naming the file, rather than
    // failing later at every lookup.
    try {
        for (const char* field : {"ComputerName", "Name", "Contact", "Email"})
            names_->fieldIndex(field);
    } catch (const Error& e) {
        throw Error(e.number(), path + ": " + e.what());
    }
}

namespace {
std::string textOf(const Value& v) { return v.isNull() ? std::string() : v.text(); }
}  // namespace

void NameBook::fill(User& user) {
    if (user.computer.empty() || !names_->findFirst("ComputerName", Value::text(user.computer)))
        return;
    user.person = textOf(names_->field("Name"));
    user.contact = textOf(names_->field("Contact"));
    user.email = textOf(names_->field("Email"));
}

DatabaseUsers listUsers(const std::string& databasePath, NameBook* names) {
    DatabaseUsers result{databasePath, {}, {}};
    // Without a lock file the library reports nobody, so a mistyped path
    // would pass for an unused database: the database itself must be there.
    struct stat st {};
    if (::stat(databasePath.c_str(), &st) != 0) {
        result.error = databasePath + ": " + std::strerror(errno);
        return result;
    }
    try {
        for (const LdbUser& u : readLdbUsers(databasePath)) {
            User user{u.slot.index, u.slot.computerName, u.slot.securityName, u.connected, u.suspect, {}, {}, {}, {}};
            if (names)
                names->fill(user);
            result.users.push_back(std::move(user));
        }
    } catch (const Error& e) {
        result.error = e.what();
        result.users.clear();
    }
    return result;
}

}  // namespace jet::who
