#include "jet/who/Listing.h"

#include "jet/Error.h"
#include "jet/LdbUsers.h"
#include "jet/lockfile/LdbCommitState.h"
#include "jet/page/FileFormat.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <set>

#include <sys/stat.h>

namespace jet::who {

int DatabaseUsers::connectedCount() const {
    return static_cast<int>(std::ranges::count_if(users, [](const User& u) { return u.connected; }));
}

int DatabaseUsers::suspectCount() const {
    return static_cast<int>(std::ranges::count_if(users, [](const User& u) { return u.suspect; }));
}

bool Sighting::complete() const {
    return sambaMissing.empty() &&
           std::ranges::all_of(databases, [](const DatabaseUsers& d) { return d.error.empty() && d.warning.empty(); }) &&
           std::ranges::all_of(scans, [](const ScanResult& s) { return s.rootError.empty() && s.unreadable.empty(); });
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

void markConnected(User& user) {
    user.connected = true;
    user.suspect = user.commitValue && leftSuspect(*user.commitValue, true);
}

void markUnseen(DatabaseUsers& database, const std::string& why) {
    database.warning = why;
    for (User& u : database.users)
        if (!u.connected)
            u.suspect = u.commitValue && leftSuspect(*u.commitValue, true);
}

DatabaseUsers listUsers(const std::string& databasePath, NameBook* names) {
    DatabaseUsers result{databasePath, {}, {}, {}};
    // Without a lock file the library reports nobody, so a mistyped path or
    // a file of another kind would pass for an unused database: the database
    // itself must be there and be one.
    struct stat st {};
    if (::stat(databasePath.c_str(), &st) != 0) {
        result.error = databasePath + ": " + std::strerror(errno);
        return result;
    }
    if (!S_ISREG(st.st_mode)) {
        result.error = databasePath + ": not a regular file";
        return result;
    }
    try {
        readFileFormat(databasePath);
        for (const LdbUser& u : readLdbUsers(databasePath)) {
            User user{u.slot.index, u.slot.computerName, u.slot.securityName, u.connected, u.suspect,
                      {}, {}, {}, {}, u.commitValue};
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

std::vector<DatabaseUsers> listDatabases(const std::vector<std::string>& paths, NameBook* names) {
    std::set<std::pair<dev_t, ino_t>> files;
    std::set<std::string> missing;
    std::vector<DatabaseUsers> result;
    for (const std::string& path : paths) {
        struct stat st {};
        const bool seen = ::stat(path.c_str(), &st) == 0 ? !files.insert({st.st_dev, st.st_ino}).second
                                                          : !missing.insert(path).second;
        if (!seen)
            result.push_back(listUsers(path, names));
    }
    return result;
}

}  // namespace jet::who
