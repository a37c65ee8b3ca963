// ravelin-jetclient: behaves as a Jet client does towards a database's lock
// file, for tests and demonstrations of the monitor.
//
//   ravelin-jetclient [--computer NAME] [--user NAME] [--crash] [--keep-lockfile] DATABASE
//
// It refuses a file that is not a Jet or ACE database, and (as Jet does) a
// database left in a suspect state. Otherwise it opens the lock file, creating
// it if needed, takes the first user lock it can get (slot 0 first, so a
// departed user's slot is reused), writes its computer and security names into
// that slot, records one finished write in the header page, prints "slot N"
// on stdout and holds the lock until SIGTERM, SIGINT or SIGHUP. Leaving, it
// deletes the lock file when no other user holds a lock, no other process has
// the file open and the database is not suspect, as Jet 3 and later do
// (unless --keep-lockfile, which models a user without the right to delete it).
//
// With --crash it leaves as a crashed client does: it marks a write in
// progress in the header page, prints "slot N" and exits at once, so the
// kernel releases its lock and the database is left suspect.
//
// Locks are POSIX fcntl record locks on the lock file, which is what Samba
// holds on the server for a Windows client's byte-range locks. Closing any
// descriptor of a file drops this process's POSIX locks on it, so while the
// user lock is held the lock file is never opened a second time.
#include "jet/Error.h"
#include "jet/page/Coding.h"
#include "jet/page/File.h"
#include "jet/page/FileFormat.h"
#include "jet/lockfile/LdbCommitState.h"
#include "jet/lockfile/LockFile.h"
#include "jet/lockfile/LockFileProbe.h"
#include "jet/lockfile/LockFileUser.h"
#include "jet/text/Windows1252.h"
#include "jet/tools/ToolVersion.h"

#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <optional>
#include <stdexcept>
#include <string>
#include <sys/stat.h>
#include <unistd.h>

namespace {

constexpr int kExitError = 1;
constexpr int kExitUsage = 2;
constexpr int kExitRefused = 3;

struct Options {
    std::string database;
    std::string computer;
    std::string user = "Admin";  // Jet's default security account
    bool crash = false;
    bool keepLockFile = false;
};

struct Refused : std::runtime_error {
    using std::runtime_error::runtime_error;
};

[[noreturn]] void usage(const char* why) {
    std::fprintf(stderr, "ravelin-jetclient: %s\n"
                         "usage: ravelin-jetclient [--computer NAME] [--user NAME] [--crash] "
                         "[--keep-lockfile] DATABASE\n", why);
    std::exit(kExitUsage);
}

std::string systemError(const std::string& what, const std::string& path) {
    return what + " '" + path + "': " + std::strerror(errno) + ".";
}

Options parseOptions(int argc, char** argv) {
    Options o;
    o.computer = jet::thisComputerName();
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        if ((arg == "--computer" || arg == "--user") && i + 1 < argc)
            (arg == "--computer" ? o.computer : o.user) = argv[++i];
        else if (arg == "--crash")
            o.crash = true;
        else if (arg == "--keep-lockfile")
            o.keepLockFile = true;
        else if (arg == "--help")
            usage("simulates a Jet client holding a user lock on a database");
        else if (!arg.empty() && arg[0] != '-' && o.database.empty())
            o.database = arg;
        else
            usage(("unexpected argument '" + arg + "'").c_str());
    }
    if (o.database.empty())
        usage("no database given");
    for (const std::string* name : {&o.computer, &o.user}) {
        const std::size_t bytes = jet::utf8ToWindows1252(*name).size();
        if (bytes == 0 || bytes >= jet::kLockNameFieldSize)
            usage(("the name '" + *name + "' must be 1 to 31 Windows-1252 characters").c_str());
    }
    return o;
}

// The user locks other processes hold now, tested from a read-only
// descriptor; used only before this process takes its own lock.
jet::HeldSlots othersBeforeConnecting(const std::string& lockPath) {
    const jet::UniqueFd fd(::open(lockPath.c_str(), O_RDONLY | O_CLOEXEC));
    if (!fd.valid()) {
        if (errno == ENOENT)
            return {};
        throw std::runtime_error(systemError("Could not open", lockPath));
    }
    return jet::heldUserLocks(fd.get(), lockPath);
}

std::optional<int> suspectSlot(const jet::CommitValues& commits, const jet::HeldSlots& held) {
    for (int slot = 0; slot < jet::kMaxLockSlots; ++slot)
        if (jet::leftSuspect(commits[static_cast<std::size_t>(slot)], held.test(static_cast<std::size_t>(slot))))
            return slot;
    return std::nullopt;
}

bool trySetLock(int fd, int slot) {
    struct flock fl {};
    fl.l_type = F_WRLCK;
    fl.l_whence = SEEK_SET;
    fl.l_start = static_cast<off_t>(jet::kUserLockBase + slot);
    fl.l_len = 1;
    if (::fcntl(fd, F_SETLK, &fl) == 0)
        return true;
    if (errno == EACCES || errno == EAGAIN)
        return false;
    throw std::runtime_error(std::string("Could not take a user lock: ") + std::strerror(errno) + ".");
}

struct Connection {
    int fd;
    int slot;
};

// Opens (or creates) the lock file and takes the first free user lock. A lock
// file deleted by a leaving user between our open and our lock is detected by
// its inode and opened afresh.
Connection connect(const std::string& lockPath) {
    for (int attempt = 0; attempt < 100; ++attempt) {
        const int fd = ::open(lockPath.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0666);
        if (fd < 0)
            throw std::runtime_error(systemError("Could not open or create", lockPath));
        int slot = 0;
        while (slot < jet::kMaxLockSlots && !trySetLock(fd, slot))
            ++slot;
        if (slot == jet::kMaxLockSlots) {
            ::close(fd);
            throw Refused("Could not use '" + lockPath + "': all 255 user slots are in use.");
        }
        struct stat held {}, named {};
        if (::fstat(fd, &held) == 0 && ::stat(lockPath.c_str(), &named) == 0 &&
            held.st_dev == named.st_dev && held.st_ino == named.st_ino)
            return {fd, slot};
        ::close(fd);  // drops the lock on the deleted file
    }
    throw std::runtime_error("The lock file '" + lockPath + "' keeps disappearing.");
}

void writeAll(int fd, const void* data, std::size_t size, off_t at, const std::string& path) {
    const auto* p = static_cast<const std::uint8_t*>(data);
    while (size > 0) {
        const ssize_t n = ::pwrite(fd, p, size, at);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            throw std::runtime_error(systemError("Could not write", path));
        p += n;
        size -= static_cast<std::size_t>(n);
        at += n;
    }
}

void writeCommitValue(int dbFd, std::size_t at, std::uint16_t value, const std::string& path) {
    std::uint8_t bytes[2];
    jet::writeU16(bytes, value);
    writeAll(dbFd, bytes, sizeof bytes, static_cast<off_t>(at), path);
    if (::fdatasync(dbFd) != 0)
        throw std::runtime_error(systemError("Could not flush", path));
}

// Marks a write in progress in this user's commit value; unless `crash`,
// finishes it by storing the next write count.
void recordWrite(const Options& o, const jet::FileFormat& format, int slot) {
    const std::size_t at = *jet::commitValueOffset(format, slot);  // a slot the lock file holds
    const jet::UniqueFd fd(::open(o.database.c_str(), O_RDWR | O_CLOEXEC));
    if (!fd.valid())
        throw std::runtime_error(systemError("Could not open", o.database));
    std::uint8_t old[2] = {};
    if (::pread(fd.get(), old, sizeof old, static_cast<off_t>(at)) != 2)
        throw std::runtime_error(systemError("Could not read", o.database));
    writeCommitValue(fd.get(), at, jet::kCommitWriteInProgress, o.database);
    if (!o.crash)
        writeCommitValue(fd.get(), at, jet::nextCommitValue(jet::readU16(old)), o.database);
}

void waitForStop(const sigset_t& stopSignals) {
    int sig = 0;
    while (::sigwait(&stopSignals, &sig) != 0) {
    }
}

// True when a process other than this one has the file `fd` names open. A
// client (smbd serving a Windows user, say) may have opened the lock file and
// not yet taken its lock; deleting the file then would leave that client
// locking a file nobody else can see. Every process whose open files this
// one may look at is checked; those it may not are out of reach.
bool openElsewhere(int fd) {
    struct stat mine {};
    if (::fstat(fd, &mine) != 0)
        return true;  // in doubt the file stays
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
            continue;
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

// Leaves as Jet does: the last user of a healthy database deletes the lock
// file, unless another process still has it open.
void leave(const Options& o, const std::string& lockPath, const Connection& c) {
    if (!o.keepLockFile) {
        try {
            const jet::HeldSlots others = jet::heldUserLocks(c.fd, lockPath, jet::LockOwners::OtherProcesses);
            if (others.none() && !suspectSlot(jet::readCommitValues(o.database), others) && !openElsewhere(c.fd))
                ::unlink(lockPath.c_str());
        } catch (const std::exception& e) {  // in doubt the lock file stays, as Jet leaves it
            std::fprintf(stderr, "ravelin-jetclient: lock file kept: %s\n", e.what());
        }
    }
    ::close(c.fd);
}

int run(const Options& o, const sigset_t& stopSignals) {
    const jet::FileFormat format = jet::readFileFormat(o.database);
    const std::string lockPath = jet::lockFilePathFor(o.database);
    if (const auto slot = suspectSlot(jet::readCommitValues(o.database), othersBeforeConnecting(lockPath)))
        throw Refused("The database '" + o.database + "' was left in a suspect state (user slot " +
                      std::to_string(*slot) + ") and needs repair.");

    const Connection c = connect(lockPath);
    const auto slotBytes = jet::encodeLockSlot(o.computer, o.user);
    writeAll(c.fd, slotBytes.data(), slotBytes.size(), static_cast<off_t>(c.slot * jet::kLockSlotSize), lockPath);
    recordWrite(o, format, c.slot);
    std::printf("slot %d\n", c.slot);
    std::fflush(stdout);
    if (o.crash)
        std::_Exit(0);  // no clean-up: the kernel drops the lock, the header keeps the write in progress

    waitForStop(stopSignals);
    leave(o, lockPath, c);
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc == 2 && asksVersion(argv[1]))
        return printVersion("ravelin-jetclient");
    // Blocked from the start, so a stop request that comes early waits for sigwait.
    sigset_t stopSignals;
    sigemptyset(&stopSignals);
    sigaddset(&stopSignals, SIGTERM);
    sigaddset(&stopSignals, SIGINT);
    sigaddset(&stopSignals, SIGHUP);
    ::sigprocmask(SIG_BLOCK, &stopSignals, nullptr);

    const Options options = parseOptions(argc, argv);
    try {
        return run(options, stopSignals);
    } catch (const Refused& e) {
        std::fprintf(stderr, "ravelin-jetclient: %s\n", e.what());
        return kExitRefused;
    } catch (const jet::Error& e) {
        std::fprintf(stderr, "ravelin-jetclient: %s\n", e.description().c_str());
        return kExitError;
    } catch (const std::exception& e) {
        std::fprintf(stderr, "ravelin-jetclient: %s\n", e.what());
        return kExitError;
    }
}
