#pragma once
// A private Samba server on loopback, started by the test itself, and SMB2
// clients (tests/readers/smb_jet_client.py, written with impacket) that use a
// lock file on its shares as Access does. Every wait is bounded.
#include "tests/jet/LockFileTesting.h"
#include "tests/support/PrivateAccounts.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>

#include <fstream>
#include <optional>
#include <sstream>
#include <thread>

namespace smbtest {

using namespace std::chrono_literals;
namespace fs = std::filesystem;

inline const std::string kSmbd = "/usr/sbin/smbd";
inline const std::string kPython = "/usr/bin/python3";  // Debian's, where python3-impacket lives
inline const std::string kClientScript = RAVELIN_SMB_CLIENT;

// Why a Samba test cannot run here, or empty when it can.
inline std::string unavailableReason() {
    if (::access(kSmbd.c_str(), X_OK) != 0)
        return "Samba is not installed (Debian package samba)";
    if (std::system((kPython + " -c 'import impacket.smbconnection' 2>/dev/null").c_str()) != 0)
        return "impacket is not installed (Debian package python3-impacket)";
    if (::geteuid() != 0)
        return "smbd must run as root";
    return {};
}

// Waits until `done` holds or `limit` has passed; whether it held.
template <typename F>
bool waitFor(F&& done, std::chrono::milliseconds limit, std::chrono::milliseconds step = 50ms) {
    const auto deadline = std::chrono::steady_clock::now() + limit;
    for (;;) {
        if (done())
            return true;
        if (std::chrono::steady_clock::now() >= deadline)
            return false;
        std::this_thread::sleep_for(step);
    }
}

// Waits for a child to end, killing it when it takes longer than `limit`;
// its exit code, or -1 when it ended by a signal.
inline int reap(pid_t pid, std::chrono::milliseconds limit) {
    int status = 0;
    if (!waitFor([&] { return ::waitpid(pid, &status, WNOHANG) == pid; }, limit, 10ms)) {
        ::kill(pid, SIGKILL);
        ::waitpid(pid, &status, 0);
    }
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

inline pid_t spawn(std::vector<std::string> args, posix_spawn_file_actions_t* actions, bool ownGroup) {
    posix_spawnattr_t attr;
    posix_spawnattr_init(&attr);
    if (ownGroup) {
        posix_spawnattr_setflags(&attr, POSIX_SPAWN_SETPGROUP);
        posix_spawnattr_setpgroup(&attr, 0);
    }
    std::vector<char*> argv;
    for (auto& a : args)
        argv.push_back(a.data());
    argv.push_back(nullptr);
    pid_t pid = -1;
    const int rc = ::posix_spawn(&pid, argv[0], actions, &attr, argv.data(), environ);
    posix_spawnattr_destroy(&attr);
    if (rc != 0)
        throw std::runtime_error("could not start " + args[0] + ": " + std::strerror(rc));
    return pid;
}

// smbd with a configuration of its own in a temporary folder, listening on a
// free loopback port, with two guest shares: "jet" (posix locking = yes, so
// clients' byte-range locks become locks on the server's files) and
// "nolocks" (posix locking = no). Given accounts (name, password), clients
// may also log on as those; their Unix users exist only for this process and
// its children (PrivateAccounts: root only). Every folder Samba keeps state,
// locks, sockets or logs in lies in the server's own, so smbd, smbpasswd and
// smbstatus given configFile() never touch the system's.
class SambaServer {
public:
    explicit SambaServer(std::vector<std::pair<std::string, std::string>> accounts = {})
        : accounts_(std::move(accounts)) {
        if (!accounts_.empty()) {
            std::vector<std::string> names;
            for (const auto& account : accounts_)
                names.push_back(account.first);
            unixUsers_.emplace(names);
        }
        for (const char* sub : {"jet", "nolocks", "log"})
            fs::create_directory(dir_ / sub);
        for (const auto& [setting, sub] : kFolders)
            fs::create_directory(dir_ / sub);
        port_ = freePort();
        std::ofstream(dir_ / "smb.conf") << config();
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_addopen(&actions, STDIN_FILENO, "/dev/null", O_RDONLY, 0);
        posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, (dir_ / "log/smbd.out").c_str(),
                                         O_WRONLY | O_CREAT | O_TRUNC, 0644);
        posix_spawn_file_actions_adddup2(&actions, STDOUT_FILENO, STDERR_FILENO);
        pid_ = spawn({kSmbd, "--foreground", "--no-process-group", "--debug-stdout", "--debuglevel=1",
                      "--configfile=" + (dir_ / "smb.conf")},
                     &actions, true);
        posix_spawn_file_actions_destroy(&actions);
        if (!waitFor([&] { return accepting() || exited(); }, 15s) || exited())
            throw std::runtime_error("smbd did not start:\n" + log());
        for (const auto& [name, password] : accounts_)
            addAccount(name, password);
    }
    ~SambaServer() {
        // smbd and the children it forked per connection form one process group.
        ::kill(-pid_, SIGTERM);
        if (reap(pid_, 5s) < 0)
            ::kill(-pid_, SIGKILL);
    }
    SambaServer(const SambaServer&) = delete;
    SambaServer& operator=(const SambaServer&) = delete;

    int port() const { return port_; }
    std::string configFile() const { return dir_ / "smb.conf"; }
    std::string share(const std::string& name) const { return dir_ / name; }
    std::string log() const {
        std::ifstream in(dir_ / "log/smbd.out");
        return std::string(std::istreambuf_iterator<char>(in), {});
    }

private:
    std::string config() const {
        std::ostringstream c;
        c << "[global]\n"
          << "server role = standalone server\n"
          << "smb ports = " << port_ << "\n"
          << "interfaces = 127.0.0.1\nbind interfaces only = yes\ndisable netbios = yes\n";
        for (const auto& [setting, sub] : kFolders)
            c << setting << " = " << (dir_ / sub) << "\n";
        c << "log file = " << (dir_ / "log/log.%m") << "\n"
          << "map to guest = Bad User\nguest account = root\n"
          << "load printers = no\nprinting = bsd\nprintcap name = /dev/null\ndisable spoolss = yes\n"
          << "server min protocol = SMB2_02\n";
        for (const auto& [share, posix] : {std::pair{"jet", "yes"}, std::pair{"nolocks", "no"}})
            c << "[" << share << "]\npath = " << (dir_ / share) << "\nguest ok = yes\nguest only = "
              << (accounts_.empty() ? "yes" : "no") << "\n"
              << "read only = no\nforce user = root\nposix locking = " << posix << "\n";
        return c.str();
    }
    // Adds the account to the server's own password database.
    void addAccount(const std::string& name, const std::string& password) const {
        const std::string input = dir_ / ("password-" + name);
        std::ofstream(input) << password << "\n" << password << "\n";
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_addopen(&actions, STDIN_FILENO, input.c_str(), O_RDONLY, 0);
        posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, "/dev/null", O_WRONLY, 0);
        const pid_t pid = spawn({"/usr/bin/smbpasswd", "-c", configFile(), "-a", "-s", name}, &actions, false);
        posix_spawn_file_actions_destroy(&actions);
        if (reap(pid, 10s) != 0)
            throw std::runtime_error("smbpasswd could not add " + name);
    }
    static int freePort() {
        const int s = ::socket(AF_INET, SOCK_STREAM, 0);
        sockaddr_in a{};
        a.sin_family = AF_INET;
        a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        socklen_t len = sizeof a;
        if (::bind(s, reinterpret_cast<sockaddr*>(&a), sizeof a) != 0 ||
            ::getsockname(s, reinterpret_cast<sockaddr*>(&a), &len) != 0)
            throw std::runtime_error("no free port");
        ::close(s);
        return ntohs(a.sin_port);
    }
    bool accepting() const {
        const int s = ::socket(AF_INET, SOCK_STREAM, 0);
        sockaddr_in a{};
        a.sin_family = AF_INET;
        a.sin_port = htons(static_cast<std::uint16_t>(port_));
        a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        const bool ok = ::connect(s, reinterpret_cast<sockaddr*>(&a), sizeof a) == 0;
        ::close(s);
        return ok;
    }
    bool exited() const {
        int status = 0;
        return ::waitpid(pid_, &status, WNOHANG) == pid_;
    }

    // Samba's folder settings (with Debian's defaults under /run/samba,
    // /var/lib/samba, /var/cache/samba) and the server's subfolder for each.
    static constexpr std::pair<const char*, const char*> kFolders[] = {
        {"lock directory", "lock"},        {"state directory", "state"},   {"cache directory", "cache"},
        {"pid directory", "pid"},          {"private dir", "private"},     {"ncalrpc dir", "ncalrpc"},
        {"binddns dir", "binddns"},        {"usershare path", "usershares"},
        {"winbindd socket directory", "winbindd"}, {"ntp signd socket directory", "ntp_signd"}};

    std::vector<std::pair<std::string, std::string>> accounts_;
    std::optional<ravelin_testing::PrivateAccounts> unixUsers_;
    locktest::TempDir dir_;
    int port_ = 0;
    pid_t pid_ = -1;
};

// One SMB2 client process; see smb_jet_client.py for its commands.
class SmbClient {
public:
    SmbClient(const SambaServer& server, const std::string& share, const std::string& lockFile,
              const std::string& computer, const std::string& user, bool readOnly = false,
              const std::string& account = {}) {
        int in[2], out[2], err[2];
        if (::pipe2(in, O_CLOEXEC) != 0 || ::pipe2(out, O_CLOEXEC) != 0 || ::pipe2(err, O_CLOEXEC) != 0)
            throw std::runtime_error("pipe failed");
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_adddup2(&actions, in[0], STDIN_FILENO);
        posix_spawn_file_actions_adddup2(&actions, out[1], STDOUT_FILENO);
        posix_spawn_file_actions_adddup2(&actions, err[1], STDERR_FILENO);
        std::vector<std::string> args{kPython, kClientScript, std::to_string(server.port()), share, lockFile,
                                      computer, user};
        if (readOnly)
            args.push_back("--read-only");
        if (!account.empty())
            args.insert(args.end(), {"--account", account});
        pid_ = spawn(args, &actions, false);
        posix_spawn_file_actions_destroy(&actions);
        ::close(in[0]);
        ::close(out[1]);
        ::close(err[1]);
        in_ = in[1];
        out_ = out[0];
        err_ = err[0];
    }
    ~SmbClient() {
        kill();
        ::close(in_);
        ::close(out_);
        ::close(err_);
    }
    SmbClient(const SmbClient&) = delete;
    SmbClient& operator=(const SmbClient&) = delete;

    // The slot it reports once it holds its user lock, or -1.
    int slot() { return slotIn(locktest::readLine(out_)); }
    void send(const std::string& line) { (void)!::write(in_, (line + "\n").data(), line.size() + 1); }
    std::string reply(int timeoutMs = 20000) { return locktest::readLine(out_, timeoutMs); }
    // Closes the file and logs off; its exit code.
    int quit() {
        send("quit");
        const int rc = reap(pid_, 10s);
        pid_ = -1;
        return rc;
    }
    // Ends the client at once, as a crash or a pulled cable does.
    void kill() {
        if (pid_ <= 0)
            return;
        ::kill(pid_, SIGKILL);
        ::waitpid(pid_, nullptr, 0);
        pid_ = -1;
    }
    std::string errorText() {
        std::string text;
        pollfd p{err_, POLLIN, 0};
        char buf[512];
        ssize_t n = 0;
        while (::poll(&p, 1, 0) > 0 && (n = ::read(err_, buf, sizeof buf)) > 0)
            text.append(buf, static_cast<std::size_t>(n));
        return text;
    }

    static int slotIn(const std::string& line) {
        int n = -1;
        return std::sscanf(line.c_str(), "slot %d", &n) == 1 ? n : -1;
    }

private:
    pid_t pid_ = -1;
    int in_ = -1, out_ = -1, err_ = -1;
};

// A byte-range lock on a file as /proc/locks lists it.
struct ServerLock {
    std::string kind;  // POSIX, OFDLCK, FLOCK
    std::string type;  // READ, WRITE
    std::int64_t start, end;
    bool operator==(const ServerLock&) const = default;
};

inline std::ostream& operator<<(std::ostream& os, const ServerLock& l) {
    return os << l.kind << " " << l.type << " " << l.start << "-" << l.end;
}

// The locks held on `path` (waiting requests left out), by start.
inline std::vector<ServerLock> locksOn(const std::string& path) {
    struct stat st {};
    ::stat(path.c_str(), &st);
    const std::string inode = ":" + std::to_string(st.st_ino);
    std::vector<ServerLock> locks;
    std::ifstream in("/proc/locks");
    for (std::string line; std::getline(in, line);) {
        std::istringstream words(line);
        std::string number, kind, advisory, type, pid, device, start, end;
        words >> number >> kind;
        if (kind == "->")
            continue;
        words >> advisory >> type >> pid >> device >> start >> end;
        if (device.ends_with(inode) && end != "EOF")
            locks.push_back({kind, type, std::stoll(start), std::stoll(end)});
    }
    std::ranges::sort(locks, {}, &ServerLock::start);
    return locks;
}

}  // namespace smbtest
