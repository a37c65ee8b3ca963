#include "jet/who/SambaView.h"

#include "jet/lockfile/LockFile.h"
#include "jet/who/Json.h"

#include <cerrno>
#include <cstring>
#include <map>
#include <stdexcept>

#include <fcntl.h>
#include <poll.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;

namespace jet::who {

namespace {

// Reads both pipes to their end (smbstatus's output can outgrow a pipe).
void drain(int out, int err, std::string& outText, std::string& errText) {
    pollfd fds[2] = {{out, POLLIN, 0}, {err, POLLIN, 0}};
    std::string* texts[2] = {&outText, &errText};
    int open = 2;
    char buf[65536];
    while (open > 0) {
        if (::poll(fds, 2, -1) < 0) {
            if (errno == EINTR)
                continue;
            return;
        }
        for (int i = 0; i < 2; ++i) {
            if (fds[i].fd < 0 || !(fds[i].revents & (POLLIN | POLLHUP | POLLERR)))
                continue;
            const ssize_t n = ::read(fds[i].fd, buf, sizeof buf);
            if (n > 0) {
                texts[i]->append(buf, static_cast<std::size_t>(n));
            } else if (n == 0 || errno != EINTR) {
                fds[i].fd = -1;
                --open;
            }
        }
    }
}

std::string firstLine(const std::string& text) {
    std::string line = text.substr(0, text.find('\n'));
    return line.empty() ? std::string("no reason given") : line;
}

// "ipv4:192.0.2.7:50123" or "ipv6:fe80::1:50123" -> the address alone.
std::string addressOf(const std::string& hostname) {
    std::string s = hostname;
    for (const char* prefix : {"ipv4:", "ipv6:"})
        if (s.starts_with(prefix))
            s = s.substr(std::strlen(prefix));
    const auto colon = s.rfind(':');
    return colon == std::string::npos ? s : s.substr(0, colon);
}

const std::string& field(const Json& object, std::string_view key) {
    static const std::string none;
    const Json* v = object.get(key);
    return v ? v->scalar() : none;
}

const std::string& pidOf(const Json& object) {
    static const std::string none;
    const Json* id = object.get("server_id");
    return id ? field(*id, "pid") : none;
}

}  // namespace

SmbStatusRun runSmbstatus(const std::string& configFile) {
    std::vector<std::string> args{"smbstatus", "--json", "--byterange"};
    if (!configFile.empty())
        args.push_back("--configfile=" + configFile);
    std::vector<char*> argv;
    for (auto& a : args)
        argv.push_back(a.data());
    argv.push_back(nullptr);

    int out[2], err[2];
    if (::pipe2(out, O_CLOEXEC) != 0)
        return {{}, std::string("cannot run smbstatus: ") + std::strerror(errno)};
    if (::pipe2(err, O_CLOEXEC) != 0) {
        ::close(out[0]);
        ::close(out[1]);
        return {{}, std::string("cannot run smbstatus: ") + std::strerror(errno)};
    }
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, STDIN_FILENO, "/dev/null", O_RDONLY, 0);
    posix_spawn_file_actions_adddup2(&actions, out[1], STDOUT_FILENO);
    posix_spawn_file_actions_adddup2(&actions, err[1], STDERR_FILENO);
    pid_t pid = -1;
    const int rc = ::posix_spawnp(&pid, argv[0], &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    ::close(out[1]);
    ::close(err[1]);
    SmbStatusRun run;
    std::string errText;
    if (rc == 0)
        drain(out[0], err[0], run.json, errText);
    ::close(out[0]);
    ::close(err[0]);
    if (rc != 0) {
        run.json.clear();
        run.reason = rc == ENOENT ? "smbstatus is not installed (Debian package samba)"
                                  : std::string("cannot run smbstatus: ") + std::strerror(rc);
        return run;
    }
    int status = 0;
    while (::waitpid(pid, &status, 0) < 0 && errno == EINTR) {
    }
    if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) {
        run.json.clear();
        run.reason = "smbstatus failed: " + firstLine(errText);
    }
    return run;
}

std::string joinSambaView(const std::string& smbstatusJson, std::vector<DatabaseUsers>& databases) {
    Json status;
    try {
        status = parseJson(smbstatusJson);
    } catch (const std::runtime_error& e) {
        return std::string("smbstatus gave no JSON (Samba 4.15 or later is needed): ") + e.what();
    }
    if (!status.get("version"))
        return "smbstatus gave no status object (Samba 4.15 or later is needed)";
    // smbstatus leaves out a table with nothing in it.
    const Json none{Json::Kind::Object, {}, {}, {}};
    const Json* sessions = status.get("sessions") ? status.get("sessions") : &none;
    const Json* brl = status.get("byte_range_locks") ? status.get("byte_range_locks") : &none;

    // The session each smbd process serves (one per client connection).
    std::map<std::string, SmbSession> byPid;
    for (const auto& [id, s] : sessions->members)
        byPid[pidOf(s)] = {field(s, "username"), field(s, "remote_machine"), addressOf(field(s, "hostname"))};

    bool joined = false;
    for (DatabaseUsers& db : databases) {
        struct stat lock {};
        if (!db.error.empty() || ::stat(lockFilePathFor(db.path).c_str(), &lock) != 0)
            continue;
        // Samba names a file by device and inode, the same whatever path
        // leads to it on this machine.
        for (const auto& [path, file] : brl->members) {
            const Json* fileid = file.get("fileid");
            if (!fileid || field(*fileid, "inode") != std::to_string(lock.st_ino) ||
                field(*fileid, "devid") != std::to_string(lock.st_dev))
                continue;
            joined = true;
            const Json* locks = file.get("locks");
            if (!locks)
                continue;
            for (const Json& l : locks->items) {
                if (field(l, "flavour") != "Windows" || field(l, "size") != "1")
                    continue;
                const long long slot = std::strtoll(field(l, "start").c_str(), nullptr, 10) - kUserLockBase;
                const auto session = byPid.find(pidOf(l));
                if (session == byPid.end())
                    continue;
                // Samba's table holds the lock even where the file system
                // does not show it (posix locking = no): the user is connected.
                for (User& u : db.users)
                    if (u.slot == slot) {
                        u.connected = true;
                        u.smb = session->second;
                    }
            }
        }
    }
    return joined ? std::string() : "no SMB client of this Samba server holds a lock on the lock files listed";
}

}  // namespace jet::who
