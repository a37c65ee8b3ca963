#include "jet/who/Listing.h"

#include "jet/Error.h"
#include "jet/LdbUsers.h"
#include "jet/lockfile/LdbCommitState.h"
#include "jet/lockfile/LockFileFinder.h"
#include "jet/page/FileFormat.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <map>
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
           unmounted.empty() && metricsError.empty() &&
           std::ranges::all_of(databases, [](const DatabaseUsers& d) { return d.error.empty() && d.warning.empty(); }) &&
           std::ranges::all_of(scans, [](const ScanResult& s) { return s.rootError.empty() && s.unreadable.empty(); });
}

NameBook::NameBook(const std::string& path, const std::string& password)
    : names_(std::make_unique<Recordset>(Database::open(path, password), "T_Main")) {
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

DatabaseUsers listUsers(const std::string& databasePath, NameBook* names, const std::string& lockPath) {
    DatabaseUsers result{databasePath, {}, {}, {}};
    // Without a lock file the library reports nobody, so a mistyped path or
    // a file of another kind would pass for an unused database: the database
    // itself must be there and be one.
    struct stat st {};
    if (::stat(databasePath.c_str(), &st) != 0) {
        result.error = databasePath + ": " + std::strerror(errno);
        return result;
    }
    result.file = {st.st_dev, st.st_ino};
    if (!S_ISREG(st.st_mode)) {
        result.error = databasePath + ": not a regular file";
        return result;
    }
    struct stat lock {};
    if (::lstat(lockPath.c_str(), &lock) == 0)
        result.lockFile = lockPath;
    try {
        // Reading a lock file's users checks the header page too.
        if (result.lockFile.empty())
            readFileFormat(databasePath);
        for (const LdbUser& u : readLdbUsers(databasePath, lockPath)) {
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

DatabaseUsers listUsers(const std::string& databasePath, NameBook* names) {
    return listUsers(databasePath, names, lockFileFor(databasePath));
}

std::vector<DatabaseUsers> listDatabases(const std::vector<std::string>& paths, NameBook* names) {
    std::set<std::pair<dev_t, ino_t>> lockFiles, unlocked;
    std::set<std::string> missing;
    std::vector<DatabaseUsers> result;
    for (const std::string& path : paths) {
        struct stat st {};
        if (::stat(path.c_str(), &st) != 0) {
            if (missing.insert(path).second)
                result.push_back(listUsers(path, names, lockFilePathFor(path)));
            continue;
        }
        const std::vector<std::string> found = findLockFiles(path);
        if (found.empty()) {
            if (unlocked.insert({st.st_dev, st.st_ino}).second)
                result.push_back(listUsers(path, names, lockFilePathFor(path)));
            continue;
        }
        std::string note;
        if (found.size() > 1) {
            note = std::to_string(found.size()) + " lock files match its name without regard to case (";
            for (const std::string& f : found)
                note += (note.back() == '(' ? "" : ", ") + f;
            note += "): each is read";
        }
        for (const std::string& lockPath : found) {
            struct stat lock {};
            if (::stat(lockPath.c_str(), &lock) == 0 && !lockFiles.insert({lock.st_dev, lock.st_ino}).second)
                continue;
            result.push_back(listUsers(path, names, lockPath));
            result.back().note = note;
        }
    }
    return result;
}

std::vector<std::string> splitDatabases(const std::vector<DatabaseUsers>& databases) {
    std::map<std::pair<std::uint64_t, std::uint64_t>, std::vector<const DatabaseUsers*>> groups;
    for (const DatabaseUsers& db : databases) {
        const bool inUse = db.connectedCount() > 0 || (!db.warning.empty() && !db.users.empty());
        if (db.error.empty() && inUse)
            groups[db.file].push_back(&db);
    }
    std::vector<std::string> splits;
    for (const DatabaseUsers& db : databases) {
        const auto it = groups.find(db.file);
        if (it == groups.end() || it->second.size() < 2 || it->second.front() != &db)
            continue;
        std::string text = db.path + ": one database in use through " + std::to_string(it->second.size()) + " lock files (";
        for (const DatabaseUsers* d : it->second)
            text += (text.back() == '(' ? "" : ", ") + d->lockFile;
        splits.push_back(text + "): two groups of users who can't see each other");
    }
    return splits;
}

}  // namespace jet::who
