#pragma once
// This process as a Jet user of a database, for as long as the object lives:
// a slot in the lock file beside the database, its user lock held. Other Jet
// clients see it as they see any user; Access cannot open the database
// exclusively meanwhile.
#include "jet/lockfile/LockFileProbe.h"
#include "jet/page/File.h"

#include <functional>
#include <string>

namespace jet {

// The computer name Windows would report for this machine: the host name's
// first label, upper-cased, at most 15 characters (a NetBIOS name).
std::string thisComputerName();

// How a user meets others and leaves.
struct LockFileUserOptions {
    // Join the users already there, as a Jet client opening a database
    // shared does; otherwise their presence refuses the connection.
    bool shareWithOthers = false;
    // Leave the names in the slot on leaving, as Jet does (a departed user
    // stays listed until the slot is reused); otherwise the slot is cleared.
    bool keepNamesOnLeaving = false;
    // Asked on leaving, when no other user holds a lock and no one else has
    // the lock file open, whether it may be removed; empty means yes.
    std::function<bool(const HeldSlots& others)> mayRemoveLockFile;
};

class LockFileUser {
public:
    // Opens the lock file of `databasePath`, creating it when there is none,
    // takes the first free slot's user lock (slot 0 first, so a departed
    // user's slot is reused) and writes the names into the whole slot.
    // Unless `shareWithOthers`, another user's lock held means the database is
    // in use: Error 3260 naming that user, with the lock file left exactly as
    // it was.
    LockFileUser(const std::string& databasePath, const std::string& computerName, const std::string& userName,
                 LockFileUserOptions options = {});
    // Clears the slot (unless `keepNamesOnLeaving`); removes the lock file
    // when no one else uses it (no other user lock held, and no other
    // descriptor open where the system can tell) and the options allow it.
    ~LockFileUser();
    LockFileUser(const LockFileUser&) = delete;
    LockFileUser& operator=(const LockFileUser&) = delete;

    int slot() const { return slot_; }

private:
    HeldSlots othersHoldingLocks() const;

    std::string path_;
    LockFileUserOptions options_;
    UniqueFd fd_;
    int slot_ = -1;
    int lockCommand_ = 0;
};

}  // namespace jet
