#include "jet/lockfile/LockFileProbe.h"

#include "jet/Error.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <optional>
#include <utility>
#include <vector>

namespace jet {
namespace {

struct ByteRange {
    std::int64_t begin;
    std::int64_t end;  // exclusive
};

class LockTester {
public:
    LockTester(int fd, const std::string& path, LockOwners owners)
        : fd_(fd), path_(path), ofd_(owners == LockOwners::Anyone) {}

    // A lock that conflicts with a write lock on `r`, as the kernel reports it.
    std::optional<ByteRange> conflictIn(ByteRange r) {
        for (;;) {
            struct flock fl {};
            fl.l_type = F_WRLCK;  // conflicts with read and write locks alike
            fl.l_whence = SEEK_SET;
            fl.l_start = static_cast<off_t>(r.begin);
            fl.l_len = static_cast<off_t>(r.end - r.begin);
            fl.l_pid = 0;  // required by F_OFD_GETLK
            if (::fcntl(fd_, ofd_ ? F_OFD_GETLK : F_GETLK, &fl) == 0) {
                if (fl.l_type == F_UNLCK)
                    return std::nullopt;
                const std::int64_t start = fl.l_start;
                const std::int64_t end = fl.l_len == 0 ? r.end : start + fl.l_len;  // 0: to the end
                return ByteRange{start, end};
            }
            if (ofd_ && errno == EINVAL) {  // a kernel or file system without OFD locks
                ofd_ = false;
                continue;
            }
            throw Error(DiskIo, "Could not test the user locks on file '" + path_ + "': " + std::strerror(errno) + ".");
        }
    }

private:
    int fd_;
    const std::string& path_;
    bool ofd_;
};

}  // namespace

HeldSlots heldUserLocks(int fd, const std::string& path, LockOwners owners) {
    // The kernel reports one conflicting lock per test, not necessarily the
    // lowest (Linux answers in the order the owners first locked the file), so
    // the ranges on both sides of a reported lock are tested again. A report
    // that covers the whole tested range may be the range echoed back (a CIFS
    // mount without POSIX extensions answers that way); such a range is halved
    // until single bytes answer for themselves.
    HeldSlots held;
    LockTester tester(fd, path, owners);
    std::vector<ByteRange> pending{{kUserLockBase, kUserLockBase + kMaxLockSlots}};
    while (!pending.empty()) {
        const ByteRange r = pending.back();
        pending.pop_back();
        if (r.begin >= r.end)
            continue;
        const auto lock = tester.conflictIn(r);
        if (!lock)
            continue;
        const std::int64_t begin = std::max(lock->begin, r.begin);
        const std::int64_t end = std::min(lock->end, r.end);
        const bool wholeRange = begin <= r.begin && end >= r.end;
        if (r.end - r.begin > 1 && (wholeRange || begin >= end)) {
            const std::int64_t mid = r.begin + (r.end - r.begin) / 2;
            pending.push_back({r.begin, mid});
            pending.push_back({mid, r.end});
            continue;
        }
        const std::int64_t markBegin = begin < end ? begin : r.begin;
        const std::int64_t markEnd = begin < end ? end : r.end;
        for (std::int64_t b = markBegin; b < markEnd; ++b)
            held.set(static_cast<std::size_t>(b - kUserLockBase));
        pending.push_back({r.begin, markBegin});
        pending.push_back({markEnd, r.end});
    }
    return held;
}

}  // namespace jet
