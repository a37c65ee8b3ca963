#pragma once
// The lock that serialises stores into one database, across processes and
// machines: a one-byte byte-range lock on the database file at
// kWriterLockOffset, taken exclusively by a store for its whole run and
// shared by a reader while it opens the file. The offset lies beyond the
// largest file Jet writes (2 GB), so no page is ever covered (Windows
// enforces byte-range locks on reads and writes), and outside the ranges
// Jet locks (0x10000001-0x6FF800FF, on the lock file).
//
// The locks are open file description locks (F_OFD_SETLK), which closing
// another descriptor of the file does not drop; where the kernel lacks them,
// POSIX record locks. Samba and the Linux CIFS client carry both to the
// server.
#include <cstdint>
#include <string>

namespace jet {

inline constexpr std::int64_t kWriterLockOffset = 0xA0000000;
inline constexpr int kDefaultLockWaitMs = 10000;

class WriterLock {
public:
    enum class Mode { Shared, Exclusive };

    // Waits up to `waitMs` for the lock on the file open on `fd` (read
    // access suffices for Shared, Exclusive needs write access). When it
    // stays taken: Error 3218 naming the file. A file system without
    // byte-range locks gives a lock that holds nothing. A shared lock asked
    // for by a thread that holds the exclusive one of the same file (a
    // reader opened inside a store) is granted at once.
    WriterLock(int fd, const std::string& path, Mode mode, int waitMs = kDefaultLockWaitMs);
    ~WriterLock();
    WriterLock(const WriterLock&) = delete;
    WriterLock& operator=(const WriterLock&) = delete;

private:
    int fd_;
    int command_ = 0;  // the fcntl command that took the lock; 0: none held
    bool exclusive_;
    std::uint64_t device_ = 0, inode_ = 0;
};

}  // namespace jet
