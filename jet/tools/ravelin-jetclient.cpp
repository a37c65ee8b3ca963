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
// Locks are fcntl record locks on the lock file, which is what Samba holds on
// the server for a Windows client's byte-range locks. The lock file is used as
// the engine's own writer uses it (jet::LockFileUser), sharing the database
// with the other users and leaving its names in the slot, as Jet does.
#include "jet/Error.h"
#include "jet/page/Coding.h"
#include "jet/page/File.h"
#include "jet/page/FileFormat.h"
#include "jet/lockfile/LdbCommitState.h"
#include "jet/lockfile/LockFile.h"
#include "jet/lockfile/LockFileFinder.h"
#include "jet/lockfile/LockFileProbe.h"
#include "jet/lockfile/LockFileUser.h"
#include "jet/text/Windows1252.h"
#include "jet/tools/ToolVersion.h"

#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <optional>
#include <string>
#include <utility>
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

// A database a Jet client would refuse to open (exit 3, as for all slots in
// use), as against a failure (exit 1).
struct Refused : jet::Error {
    explicit Refused(const std::string& why) : jet::Error(jet::NotADatabase, why) {}
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
        throw jet::Error(jet::DiskIo, systemError("Could not open", lockPath));
    }
    return jet::heldUserLocks(fd.get(), lockPath);
}

std::optional<int> suspectSlot(const jet::CommitValues& commits, const jet::HeldSlots& held) {
    for (int slot = 0; slot < jet::kMaxLockSlots; ++slot)
        if (jet::leftSuspect(commits[static_cast<std::size_t>(slot)], held.test(static_cast<std::size_t>(slot))))
            return slot;
    return std::nullopt;
}

void writeCommitValue(int dbFd, std::size_t at, std::uint16_t value, const std::string& path) {
    std::uint8_t bytes[2];
    jet::writeU16(bytes, value);
    if (::pwrite(dbFd, bytes, sizeof bytes, static_cast<off_t>(at)) != sizeof bytes)
        throw jet::Error(jet::DiskIo, systemError("Could not write", path));
    if (::fdatasync(dbFd) != 0)
        throw jet::Error(jet::DiskIo, systemError("Could not flush", path));
}

// Marks a write in progress in this user's commit value; unless `crash`,
// finishes it by storing the next write count.
void recordWrite(const Options& o, const jet::FileFormat& format, int slot) {
    const std::size_t at = *jet::commitValueOffset(format, slot);  // a slot the lock file holds
    const jet::UniqueFd fd(::open(o.database.c_str(), O_RDWR | O_CLOEXEC));
    if (!fd.valid())
        throw jet::Error(jet::DiskIo, systemError("Could not open", o.database));
    std::uint8_t old[2] = {};
    if (::pread(fd.get(), old, sizeof old, static_cast<off_t>(at)) != 2)
        throw jet::Error(jet::DiskIo, systemError("Could not read", o.database));
    writeCommitValue(fd.get(), at, jet::kCommitWriteInProgress, o.database);
    if (!o.crash)
        writeCommitValue(fd.get(), at, jet::nextCommitValue(jet::readU16(old)), o.database);
}

void waitForStop(const sigset_t& stopSignals) {
    int sig = 0;
    while (::sigwait(&stopSignals, &sig) != 0) {
    }
}

int run(const Options& o, const sigset_t& stopSignals) {
    const jet::FileFormat format = jet::readFileFormat(o.database);
    const std::string lockPath = jet::lockFileFor(o.database);
    if (const auto slot = suspectSlot(jet::readCommitValues(o.database), othersBeforeConnecting(lockPath)))
        throw Refused("The database '" + o.database + "' was left in a suspect state (user slot " +
                      std::to_string(*slot) + ") and needs repair.");

    // Leaving, the last user of a healthy database removes the lock file,
    // unless it may not (--keep-lockfile).
    jet::LockFileUserOptions sharing{true, true, [&o](const jet::HeldSlots& others) {
                                         return !o.keepLockFile &&
                                                !suspectSlot(jet::readCommitValues(o.database), others);
                                     }};
    const jet::LockFileUser user(o.database, o.computer, o.user, std::move(sharing));
    recordWrite(o, format, user.slot());
    std::printf("slot %d\n", user.slot());
    std::fflush(stdout);
    if (o.crash)
        std::_Exit(0);  // no clean-up: the kernel drops the lock, the header keeps the write in progress

    waitForStop(stopSignals);
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
        std::fprintf(stderr, "ravelin-jetclient: %s\n", e.description().c_str());
        return kExitRefused;
    } catch (const jet::Error& e) {
        std::fprintf(stderr, "ravelin-jetclient: %s\n", e.description().c_str());
        return e.number() == jet::CurrentlyLocked ? kExitRefused : kExitError;
    }
}
