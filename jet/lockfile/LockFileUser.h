#pragma once
// This process as a Jet user of a database, for as long as the object lives:
// a slot in the lock file beside the database, its user lock held. Other Jet
// clients see it as they see any user; Access cannot open the database
// exclusively meanwhile.
#include "jet/page/File.h"

#include <string>

namespace jet {

// The computer name Windows would report for this machine: the host name's
// first label, upper-cased, at most 15 characters (a NetBIOS name).
std::string thisComputerName();

class LockFileUser {
public:
    // Opens the lock file of `databasePath`, creating it when there is none.
    // When another user's lock is held the database is in use: Error 3260
    // naming that user, with the lock file left exactly as it was. Otherwise
    // takes the first free slot's user lock and writes the names into it.
    LockFileUser(const std::string& databasePath, const std::string& computerName, const std::string& userName);
    // Clears the slot; removes the lock file when no one else uses it (no
    // other user lock held, and no other descriptor open where the file
    // system can tell).
    ~LockFileUser();
    LockFileUser(const LockFileUser&) = delete;
    LockFileUser& operator=(const LockFileUser&) = delete;

    int slot() const { return slot_; }

private:
    std::string path_;
    UniqueFd fd_;
    int slot_ = -1;
    int lockCommand_ = 0;
};

}  // namespace jet
