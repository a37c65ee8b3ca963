#pragma once
// Helpers for the lock-file tests: temporary folders, file bytes and stamps,
// the simulated Jet client in a child process, and a forked child that holds
// byte-range locks on a lock file the way other users' clients do.
#include "tests/support/TestFiles.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <poll.h>
#include <spawn.h>
#include <string>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

extern char** environ;

namespace locktest {

namespace fs = std::filesystem;

inline const std::string kData = RAVELIN_TESTDATA;
inline const std::string kClient = std::string(RAVELIN_BINARY_DIR) + "/ravelin-jetclient";
inline constexpr std::int64_t kUserLockBase = 0x10000001;  // documented address of slot 0's user lock
// Where the documented commit values lie: the last 512 bytes of the header
// page, after the exclusive-use pair, two bytes per slot (slot n's at + 2n).
inline constexpr std::size_t kJet3Commit = 0x602;
inline constexpr std::size_t kJet4Commit = 0xE02;

using Bytes = std::vector<std::uint8_t>;

using ravelin_testing::TempDir;

inline Bytes readBytes(const std::string& path) { return ravelin_testing::fileBytes(path); }

inline void writeBytes(const std::string& path, const Bytes& bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
}

// Copies a file of the shared test data, writable, to `to`.
inline std::string copyTestFile(const std::string& relative, const std::string& to) {
    fs::copy_file(kData + "/" + relative, to, fs::copy_options::overwrite_existing);
    fs::permissions(to, fs::perms::owner_read | fs::perms::owner_write);
    return to;
}

// One 64-byte slot built by hand: computer name, NUL, `pad`; security name, NUL, `pad`.
inline Bytes slotBytes(const std::string& computer, const std::string& security, std::uint8_t pad = 0) {
    Bytes slot(64, pad);
    std::copy(computer.begin(), computer.end(), slot.begin());
    slot[computer.size()] = 0;
    std::copy(security.begin(), security.end(), slot.begin() + 32);
    slot[32 + security.size()] = 0;
    return slot;
}

// A slot padded as in Jet's own lock files: blanks after the computer name's
// NUL, NULs after the security name's.
inline Bytes jetStyleSlot(const std::string& computer, const std::string& security) {
    Bytes slot = slotBytes(computer, security);
    std::fill(slot.begin() + static_cast<std::ptrdiff_t>(computer.size()) + 1, slot.begin() + 32, ' ');
    return slot;
}

inline Bytes lockFileOf(const std::vector<std::string>& computers) {
    Bytes file;
    for (const auto& c : computers) {
        const Bytes s = slotBytes(c, "Admin");
        file.insert(file.end(), s.begin(), s.end());
    }
    return file;
}

// Sets the little-endian 16-bit value at `offset` of a file.
inline void pokeU16(const std::string& path, std::size_t offset, std::uint16_t value) {
    Bytes b = readBytes(path);
    b.at(offset) = static_cast<std::uint8_t>(value & 0xFF);
    b.at(offset + 1) = static_cast<std::uint8_t>(value >> 8);
    writeBytes(path, b);
}

inline std::uint16_t peekU16(const std::string& path, std::size_t offset) {
    const Bytes b = readBytes(path);
    return static_cast<std::uint16_t>(b.at(offset) | (b.at(offset + 1) << 8));
}

// A file's contents and modification time, to show it was left alone.
struct FileStamp {
    Bytes bytes;
    std::int64_t mtimeNs = 0;
    std::int64_t ctimeNs = 0;
    bool operator==(const FileStamp&) const = default;
};

inline FileStamp stampOf(const std::string& path) {
    struct stat st {};
    if (::stat(path.c_str(), &st) != 0)
        throw std::runtime_error("stat failed: " + path);
    return {readBytes(path), st.st_mtim.tv_sec * 1'000'000'000LL + st.st_mtim.tv_nsec,
            st.st_ctim.tv_sec * 1'000'000'000LL + st.st_ctim.tv_nsec};
}

// Reads what a child writes on `fd` until a newline, EOF or `timeoutMs`.
inline std::string readLine(int fd, int timeoutMs = 20000) {
    std::string line;
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    for (;;) {
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now());
        pollfd p{fd, POLLIN, 0};
        if (left.count() <= 0 || ::poll(&p, 1, static_cast<int>(left.count())) <= 0)
            return line;
        char c = 0;
        const ssize_t n = ::read(fd, &c, 1);
        if (n <= 0 || c == '\n')
            return line;
        line += c;
    }
}

inline std::string readAll(int fd) {
    std::string text;
    char buf[512];
    ssize_t n = 0;
    while ((n = ::read(fd, buf, sizeof buf)) > 0)
        text.append(buf, static_cast<std::size_t>(n));
    return text;
}

// ravelin-jetclient running in a child process.
class Client {
public:
    explicit Client(std::vector<std::string> args) {
        int out[2], err[2];
        if (::pipe2(out, O_CLOEXEC) != 0 || ::pipe2(err, O_CLOEXEC) != 0)
            throw std::runtime_error("pipe failed");
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_adddup2(&actions, out[1], STDOUT_FILENO);
        posix_spawn_file_actions_adddup2(&actions, err[1], STDERR_FILENO);
        posix_spawn_file_actions_addopen(&actions, STDIN_FILENO, "/dev/null", O_RDONLY, 0);
        args.insert(args.begin(), kClient);
        std::vector<char*> argv;
        for (auto& a : args)
            argv.push_back(a.data());
        argv.push_back(nullptr);
        const int rc = ::posix_spawn(&pid_, kClient.c_str(), &actions, nullptr, argv.data(), environ);
        posix_spawn_file_actions_destroy(&actions);
        ::close(out[1]);
        ::close(err[1]);
        out_ = out[0];
        err_ = err[0];
        if (rc != 0)
            throw std::runtime_error("could not start " + kClient + ": " + std::strerror(rc));
    }
    ~Client() {
        if (pid_ > 0) {
            ::kill(pid_, SIGKILL);
            ::waitpid(pid_, nullptr, 0);
        }
        ::close(out_);
        ::close(err_);
    }
    Client(const Client&) = delete;
    Client& operator=(const Client&) = delete;

    // The slot the client reports once connected, or -1 if it reported none.
    int slot() {
        const std::string line = readLine(out_);
        int n = -1;
        return std::sscanf(line.c_str(), "slot %d", &n) == 1 ? n : -1;
    }
    // Waits for the client to end by itself; its exit code, or -1 for a signal.
    int wait() {
        int status = 0;
        ::waitpid(pid_, &status, 0);
        pid_ = -1;
        return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    }
    int stop(int sig = SIGTERM) {
        ::kill(pid_, sig);
        return wait();
    }
    std::string errorText() { return readAll(err_); }

private:
    pid_t pid_ = -1;
    int out_ = -1;
    int err_ = -1;
};

// Starts a client and waits until it reports its slot.
inline int connectClient(Client& c) {
    const int slot = c.slot();
    EXPECT_GE(slot, 0) << c.errorText();
    return slot;
}

struct LockRange {
    std::int64_t start;
    std::int64_t length;
    short type = F_WRLCK;
};

// A forked child holding byte-range locks on a file, one lock owner per
// range (each range on its own open file description, as OFD locks) or all
// as this child's POSIX locks, taken in the order given. Released when the
// object goes away.
class LockHolder {
public:
    enum class Owners { OnePerRange, OneProcess };

    LockHolder(const std::string& path, const std::vector<LockRange>& ranges, Owners owners = Owners::OnePerRange) {
        int ready[2], release[2];
        if (::pipe(ready) != 0 || ::pipe(release) != 0)
            throw std::runtime_error("pipe failed");
        pid_ = ::fork();
        if (pid_ == 0) {
            ::close(ready[0]);
            ::close(release[1]);
            char ok = 'y';
            int shared = -1;
            for (const auto& r : ranges) {
                int fd = shared;
                if (fd < 0)
                    fd = ::open(path.c_str(), O_RDWR);
                struct flock fl {};
                fl.l_type = r.type;
                fl.l_whence = SEEK_SET;
                fl.l_start = static_cast<off_t>(r.start);
                fl.l_len = static_cast<off_t>(r.length);
                const int cmd = owners == Owners::OnePerRange ? F_OFD_SETLK : F_SETLK;
                if (fd < 0 || ::fcntl(fd, cmd, &fl) != 0)
                    ok = 'n';
                if (owners == Owners::OneProcess)
                    shared = fd;
            }
            (void)!::write(ready[1], &ok, 1);
            char c;
            while (::read(release[0], &c, 1) > 0) {
            }
            ::_exit(0);
        }
        ::close(ready[1]);
        ::close(release[0]);
        release_ = release[1];
        char ok = 0;
        ok_ = ::read(ready[0], &ok, 1) == 1 && ok == 'y';
        ::close(ready[0]);
    }
    ~LockHolder() { release(); }
    LockHolder(const LockHolder&) = delete;
    LockHolder& operator=(const LockHolder&) = delete;

    bool ok() const { return ok_; }
    void release() {
        if (pid_ <= 0)
            return;
        ::close(release_);
        ::waitpid(pid_, nullptr, 0);
        pid_ = -1;
    }

private:
    pid_t pid_ = -1;
    int release_ = -1;
    bool ok_ = false;
};

inline LockRange userLock(int slot) { return {kUserLockBase + slot, 1}; }

}  // namespace locktest
