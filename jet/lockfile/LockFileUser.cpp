#include "jet/lockfile/LockFileUser.h"

#include "jet/Error.h"
#include "jet/lockfile/LockFile.h"
#include "jet/lockfile/LockFileFinder.h"
#include "jet/lockfile/LockFileProbe.h"

#include <cerrno>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <utility>
#include <vector>

namespace jet {
namespace {

// Opens the lock file, creating it when there is none; `created` says whether it did.
int openLockFile(const std::string& path, bool& created) {
    for (;;) {
        created = false;
        // Never through a symbolic link: it could lead the slot's bytes anywhere.
        int fd = ::open(path.c_str(), O_RDWR | O_CLOEXEC | O_NOFOLLOW);
        if (fd >= 0 || errno != ENOENT)
            return fd;
        fd = ::open(path.c_str(), O_RDWR | O_CREAT | O_EXCL | O_CLOEXEC | O_NOFOLLOW, 0666);
        created = fd >= 0;
        if (fd >= 0 || errno != EEXIST)
            return fd;
    }
}

void writeSlot(int fd, int slot, const std::vector<std::uint8_t>& bytes, const std::string& path) {
    const ssize_t n = ::pwrite(fd, bytes.data(), bytes.size(), static_cast<off_t>(slot * kLockSlotSize));
    if (n == static_cast<ssize_t>(bytes.size()))
        return;
    const int error = n < 0 ? errno : ENOSPC;
    if (error == ENOSPC || error == EDQUOT || error == EFBIG)
        throw Error(DiskFull, "Not enough space on disk to write the lock file '" + path + "'.");
    throw Error(DiskIo, "Could not write the lock file '" + path + "': " + std::strerror(error) + ".");
}

// Takes the user lock of `slot`; 0 when another holds it, else the fcntl
// command that took it.
int tryUserLock(int fd, int slot) {
    struct flock fl {};
    fl.l_type = F_WRLCK;
    fl.l_whence = SEEK_SET;
    fl.l_start = static_cast<off_t>(kUserLockBase + slot);
    fl.l_len = 1;
    for (const int command : {F_OFD_SETLK, F_SETLK}) {
        if (::fcntl(fd, command, &fl) == 0)
            return command;
        if (errno == EACCES || errno == EAGAIN)
            return 0;
        if (errno != EINVAL)
            break;
    }
    throw Error(DiskIo, std::string("Could not take a user lock: ") + std::strerror(errno) + ".");
}

[[noreturn]] void refuseInUse(int fd, const HeldSlots& held) {
    std::vector<std::uint8_t> bytes(kMaxLockFileSize);
    const ssize_t n = ::pread(fd, bytes.data(), bytes.size(), 0);
    bytes.resize(n > 0 ? static_cast<std::size_t>(n) : 0);
    std::string user = "unknown", computer = "unknown";
    for (const auto& s : parseLockSlots(bytes))
        if (held.test(static_cast<std::size_t>(s.index)) && !s.computerName.empty()) {
            user = s.securityName;
            computer = s.computerName;
            break;
        }
    throw Error(CurrentlyLocked,
                "Couldn't update; currently locked by user '" + user + "' on machine '" + computer + "'.");
}

bool sameFile(int fd, const std::string& path) {
    struct stat held {}, named {};
    return ::fstat(fd, &held) == 0 && ::stat(path.c_str(), &named) == 0 && held.st_dev == named.st_dev &&
           held.st_ino == named.st_ino;
}

// Whether a process other than this one has the file `fd` names open. A
// client (smbd serving a Windows user, say) may have opened the lock file and
// not yet taken its lock; removing the file then would leave that client
// locking a file no one else can see. Every process whose open files this
// one may look at is checked; in doubt the file counts as open.
bool openInAnotherProcess(int fd) {
    struct stat mine {};
    if (::fstat(fd, &mine) != 0)
        return true;
    const std::string self = std::to_string(::getpid());
    DIR* proc = ::opendir("/proc");
    if (!proc)
        return true;
    bool found = false;
    while (const dirent* p = ::readdir(proc)) {
        const std::string pid = p->d_name;
        if (found || pid == self || pid.find_first_not_of("0123456789") != std::string::npos)
            continue;
        const std::string fdDir = "/proc/" + pid + "/fd";
        DIR* fds = ::opendir(fdDir.c_str());
        if (!fds)
            continue;  // a process out of this one's reach
        while (const dirent* f = ::readdir(fds)) {
            struct stat open {};
            if (f->d_name[0] != '.' && ::stat((fdDir + "/" + f->d_name).c_str(), &open) == 0 &&
                open.st_dev == mine.st_dev && open.st_ino == mine.st_ino) {
                found = true;
                break;
            }
        }
        ::closedir(fds);
    }
    ::closedir(proc);
    return found;
}

// Whether another descriptor has the file open. A write lease is granted only
// when none has, whoever holds it; where no lease can be had (a file another
// account owns, a file system without leases) the processes are searched.
bool openElsewhere(int fd) {
    if (::fcntl(fd, F_SETLEASE, F_WRLCK) == 0) {
        ::fcntl(fd, F_SETLEASE, F_UNLCK);
        return false;
    }
    return errno == EAGAIN || errno == EBUSY || openInAnotherProcess(fd);
}

}  // namespace

std::string thisComputerName() {
    char host[256] = {};
    if (::gethostname(host, sizeof host - 1) != 0)
        return "LOCALHOST";
    std::string name(host);
    name = name.substr(0, name.find('.')).substr(0, 15);
    for (char& c : name)
        if (c >= 'a' && c <= 'z')
            c = static_cast<char>(c - 'a' + 'A');
    return name.empty() ? "LOCALHOST" : name;
}

LockFileUser::LockFileUser(const std::string& databasePath, const std::string& computerName,
                           const std::string& userName, LockFileUserOptions options)
    : path_(lockFileFor(databasePath)), options_(std::move(options)) {
    // A lock file deleted by a leaving user between our open and our lock is
    // noticed by its inode and opened afresh.
    for (int attempt = 0; attempt < 100 && slot_ < 0; ++attempt) {
        bool created = false;
        fd_.reset(openLockFile(path_, created));
        if (!fd_.valid() && errno == ELOOP)
            throw Error(ReadOnlyDatabase, "Cannot update. The lock file '" + path_ +
                                              "' is a symbolic link; Ravelin never writes through a link. Remove it.");
        if (!fd_.valid())
            throw Error(errno == EACCES || errno == EROFS || errno == EPERM ? ReadOnlyDatabase : DiskIo,
                        "Could not open or create the lock file '" + path_ + "': " + std::strerror(errno) + ".");
        if (const HeldSlots others = heldUserLocks(fd_.get(), path_); others.any() && !options_.shareWithOthers)
            refuseInUse(fd_.get(), others);
        int slot = 0;
        while (slot < kMaxLockSlots && (lockCommand_ = tryUserLock(fd_.get(), slot)) == 0)
            ++slot;
        if (slot == kMaxLockSlots)
            throw Error(CurrentlyLocked, "Could not use '" + path_ + "': all 255 user slots are in use.");
        if (!sameFile(fd_.get(), path_))
            continue;  // the next open closes this descriptor, dropping its lock
        // Someone may have connected between the test and our lock.
        const HeldSlots others = othersHoldingLocks();
        if (others.any() && !options_.shareWithOthers)
            refuseInUse(fd_.get(), others);
        try {
            writeSlot(fd_.get(), slot, encodeLockSlot(computerName, userName), path_);
        } catch (const Error&) {
            // A lock file made here and used by no one goes again: a full
            // disk leaves no empty lock file behind.
            if (created && others.none() && sameFile(fd_.get(), path_))
                ::unlink(path_.c_str());
            throw;
        }
        slot_ = slot;
    }
    if (slot_ < 0)
        throw Error(DiskIo, "The lock file '" + path_ + "' keeps disappearing.");
}

// Our own lock is not seen through our own descriptor; the same process's
// record locks only with the test that skips this process.
HeldSlots LockFileUser::othersHoldingLocks() const {
    return heldUserLocks(fd_.get(), path_,
                         lockCommand_ == F_OFD_SETLK ? LockOwners::Anyone : LockOwners::OtherProcesses);
}

LockFileUser::~LockFileUser() {
    try {
        if (!options_.keepNamesOnLeaving) {
            const std::vector<std::uint8_t> empty(kLockSlotSize, 0);
            (void)!::pwrite(fd_.get(), empty.data(), empty.size(), static_cast<off_t>(slot_ * kLockSlotSize));
        }
        const HeldSlots others = othersHoldingLocks();
        if (others.none() && sameFile(fd_.get(), path_) && !openElsewhere(fd_.get()) &&
            (!options_.mayRemoveLockFile || options_.mayRemoveLockFile(others)))
            ::unlink(path_.c_str());
    } catch (...) {  // in doubt the lock file stays, as Jet leaves it; a destructor throws nothing
    }
}

}  // namespace jet
