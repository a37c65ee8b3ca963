#pragma once
// Who uses a Jet database, from its lock file: the operation the monitor asks
// for with a database path and an option (all listed users, connected users,
// users that left the database suspect). It only reads: it never creates,
// changes or locks the database or its lock file.
#include "jet/lockfile/LockFile.h"

#include <cstdint>
#include <string>
#include <vector>

namespace jet {

enum LdbOption : int {
    LdbAllUsers = 1,        // every slot that holds a computer name
    LdbConnectedUsers = 2,  // slots whose user holds its user lock now
    LdbSuspectUsers = 4,    // slots whose user left the database suspect
};

// The computer names (UTF-8, as written, blanks around them removed) of the
// lock file slots that `option` selects, in slot order; a name appears once
// per slot that holds it. The lock file is found with lockFileFor; the
// path ends at its first NUL, if any.
// Throws Error naming the file concerned: FileNotFound or DiskIo for the lock
// file; for option 4 also FileNotFound, DiskIo or NotADatabase for the
// database, whose header page it reads; InvalidArgument for another option.
// POSIX rule to mind: closing any descriptor of a file drops the calling
// process's own POSIX (non-OFD) locks on it, so a process that itself holds
// user locks on this lock file as POSIX locks loses them by calling this.
std::vector<std::string> getLdbUsers(const std::string& databasePath, int option);

// A lock-file slot that holds a computer name, with its user's state.
struct LdbUser {
    LockSlot slot;
    bool connected = false;  // the user lock is held now
    bool suspect = false;    // left the database suspect
    // The slot's commit value in the header page. Lets a caller that learns
    // more about the connection (another view of the locks) judge suspect again.
    std::uint16_t commitValue = 0;
};

// Every slot that holds a computer name, in slot order, with the state that
// options 2 and 4 select by, from the lock file lockFileFor finds. A missing
// lock file gives no users (nobody has the database open). Reads only, like
// getLdbUsers, and never blocks: a lock file or database that is not a
// regular file (a FIFO, a device) is refused.
// Throws Error naming the file: DiskIo for the lock file, FileNotFound,
// DiskIo or NotADatabase for the database. The same POSIX rule applies.
std::vector<LdbUser> readLdbUsers(const std::string& databasePath);
// The same from the lock file at `lockPath` (one of findLockFiles).
std::vector<LdbUser> readLdbUsers(const std::string& databasePath, const std::string& lockPath);

}  // namespace jet
