#include "jet/store/WriterLock.h"

#include "jet/Error.h"

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <thread>
#include <utility>
#include <vector>

namespace jet {
namespace {

// The files whose exclusive lock this thread holds (device, inode).
thread_local std::vector<std::pair<std::uint64_t, std::uint64_t>> heldHere;

bool tryLock(int fd, int command, short type) {
    struct flock fl {};
    fl.l_type = type;
    fl.l_whence = SEEK_SET;
    fl.l_start = static_cast<off_t>(kWriterLockOffset);
    fl.l_len = 1;
    fl.l_pid = 0;  // required by the OFD commands
    return ::fcntl(fd, command, &fl) == 0;
}

}  // namespace

WriterLock::WriterLock(int fd, const std::string& path, Mode mode, int waitMs)
    : fd_(fd), exclusive_(mode == Mode::Exclusive) {
    struct stat st {};
    if (::fstat(fd, &st) == 0) {
        device_ = static_cast<std::uint64_t>(st.st_dev);
        inode_ = static_cast<std::uint64_t>(st.st_ino);
    }
    const std::pair key{device_, inode_};
    if (!exclusive_ && std::find(heldHere.begin(), heldHere.end(), key) != heldHere.end())
        return;
    const short type = exclusive_ ? F_WRLCK : F_RDLCK;
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(waitMs);
    int command = F_OFD_SETLK;
    auto pause = std::chrono::milliseconds(1);
    for (;;) {
        if (tryLock(fd, command, type)) {
            command_ = command;
            break;
        }
        if (errno == EINVAL && command == F_OFD_SETLK) {  // no OFD locks here
            command = F_SETLK;
            continue;
        }
        if (errno == ENOLCK || errno == EINVAL || errno == EOPNOTSUPP)
            return;  // a file system without byte-range locks
        if (errno != EACCES && errno != EAGAIN)
            throw Error(DiskIo, "Could not lock '" + path + "': " + std::strerror(errno) + ".");
        if (std::chrono::steady_clock::now() >= deadline)
            throw Error(CouldNotUpdateLocked,
                        "Could not update; currently locked: another store into '" + path + "' does not end.");
        std::this_thread::sleep_for(pause);
        pause = std::min(pause * 2, std::chrono::milliseconds(20));
    }
    if (exclusive_)
        heldHere.push_back(key);
}

WriterLock::~WriterLock() {
    if (command_ == 0)
        return;
    if (exclusive_)
        std::erase(heldHere, std::pair{device_, inode_});
    struct flock fl {};
    fl.l_type = F_UNLCK;
    fl.l_whence = SEEK_SET;
    fl.l_start = static_cast<off_t>(kWriterLockOffset);
    fl.l_len = 1;
    fl.l_pid = 0;
    ::fcntl(fd_, command_, &fl);
}

}  // namespace jet
