#include "jet/LdbUsers.h"

#include "jet/Error.h"
#include "jet/lockfile/LdbCommitState.h"
#include "jet/lockfile/LockFile.h"
#include "jet/lockfile/LockFileFinder.h"
#include "jet/lockfile/LockFileProbe.h"
#include "jet/lockfile/ReadOnlyFile.h"

namespace jet {
namespace {

std::vector<std::string> namesOf(const std::vector<LockSlot>& slots, auto&& selected) {
    std::vector<std::string> names;
    for (const LockSlot& slot : slots)
        if (!slot.computerName.empty() && selected(slot.index))
            names.push_back(slot.computerName);
    return names;
}

// The named slots with their state. Locks are tested before and after the
// header page is read, and a user counts as gone only if both tests find its
// lock free: a user that connects or leaves while a write is in progress is
// not taken for one that left mid-write.
std::vector<LdbUser> usersOf(const ReadOnlyFile& lockFile, const std::string& lockPath,
                             const std::string& databasePath) {
    const HeldSlots before = heldUserLocks(lockFile.fd(), lockPath);
    const auto commits = readCommitValues(databasePath);
    const HeldSlots after = heldUserLocks(lockFile.fd(), lockPath);
    std::vector<LdbUser> users;
    for (LockSlot& slot : parseLockSlots(lockFile.readUpTo(kMaxLockFileSize))) {
        if (slot.computerName.empty())
            continue;
        const auto i = static_cast<std::size_t>(slot.index);
        LdbUser user{std::move(slot), after.test(i), false, commits[i]};
        user.suspect = leftSuspect(user.commitValue, before.test(i) || after.test(i));
        users.push_back(std::move(user));
    }
    return users;
}

}  // namespace

std::vector<LdbUser> readLdbUsers(const std::string& databasePath) {
    return readLdbUsers(databasePath, lockFileFor(databasePath));
}

std::vector<LdbUser> readLdbUsers(const std::string& databasePath, const std::string& lockPath) {
    const ReadOnlyFile lockFile(lockPath, ReadOnlyFile::IfMissing::Empty);
    if (lockFile.missing())
        return {};
    return usersOf(lockFile, lockPath, databasePath);
}

std::vector<std::string> getLdbUsers(const std::string& path, int option) {
    // A path passed in a fixed-size buffer ends in NULs; the path is what precedes them.
    const std::string databasePath = path.substr(0, path.find('\0'));
    if (option != LdbAllUsers && option != LdbConnectedUsers && option != LdbSuspectUsers)
        throw Error(InvalidArgument, "Invalid lock file option " + std::to_string(option) +
                                         " for '" + databasePath + "': use 1, 2 or 4.");
    const std::string lockPath = lockFileFor(databasePath);
    const ReadOnlyFile lockFile(lockPath);

    switch (option) {
    case LdbConnectedUsers: {
        const HeldSlots held = heldUserLocks(lockFile.fd(), lockPath);
        return namesOf(parseLockSlots(lockFile.readUpTo(kMaxLockFileSize)),
                       [&](int slot) { return held.test(static_cast<std::size_t>(slot)); });
    }
    case LdbSuspectUsers: {
        std::vector<std::string> names;
        for (const LdbUser& user : usersOf(lockFile, lockPath, databasePath))
            if (user.suspect)
                names.push_back(user.slot.computerName);
        return names;
    }
    default:
        return namesOf(parseLockSlots(lockFile.readUpTo(kMaxLockFileSize)), [](int) { return true; });
    }
}

}  // namespace jet
