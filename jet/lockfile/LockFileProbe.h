#pragma once
// Finds which users hold their user lock on a lock file, without taking any
// lock: byte-range lock tests (F_OFD_GETLK, or F_GETLK where the kernel lacks
// it) on the 255-byte user-lock range. Windows clients on a Samba share, and
// programs locking through a CIFS mount, show up on the server as such locks.
#include "jet/lockfile/LockFile.h"

#include <bitset>
#include <string>

namespace jet {

using HeldSlots = std::bitset<kMaxLockSlots>;

enum class LockOwners {
    Anyone,          // every holder, this process included (OFD lock test)
    OtherProcesses,  // F_GETLK: this process's own POSIX locks are not seen
};

// The slots whose user lock is held, tested through `fd` (any open mode) on
// the lock file `path` (named in errors). The cost grows with the number of
// held locks, not with the number of slots. Throws Error (DiskIo) when the
// kernel refuses the test.
HeldSlots heldUserLocks(int fd, const std::string& path, LockOwners owners = LockOwners::Anyone);

}  // namespace jet
