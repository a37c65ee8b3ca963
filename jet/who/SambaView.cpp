#include "jet/who/SambaView.h"

#include "jet/lockfile/LockFile.h"
#include "jet/who/Command.h"
#include "jet/who/Text.h"

#include <nlohmann/json.hpp>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <fstream>
#include <map>
#include <memory>
#include <set>

#include <dirent.h>
#include <sys/stat.h>
#include <unistd.h>

namespace jet::who {

namespace {

using Json = nlohmann::json;

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

// A member as text, whether smbstatus wrote it as a string or a number;
// empty when it is missing or of another kind.
std::string field(const Json& object, const char* key) {
    if (!object.is_object())
        return {};
    const auto it = object.find(key);
    if (it == object.end())
        return {};
    if (it->is_string())
        return it->get<std::string>();
    return it->is_number() ? it->dump() : std::string();
}

const Json& member(const Json& object, const char* key) {
    static const Json none = Json::object();
    if (!object.is_object())
        return none;
    const auto it = object.find(key);
    return it == object.end() ? none : *it;
}

// The smbd process a session, open or lock belongs to (on a cluster, its node too).
std::string serverOf(const Json& object) {
    const Json& id = member(object, "server_id");
    return field(id, "pid") + "@" + field(id, "vnn");
}

bool sameFile(const Json& entry, const struct stat& st) {
    const Json& id = member(entry, "fileid");
    return field(id, "inode") == std::to_string(st.st_ino) && field(id, "devid") == std::to_string(st.st_dev);
}

// The entry of `table` (byte_range_locks, open_files) for the file `st`, or null.
const Json* entryFor(const Json& table, const struct stat& st) {
    if (!table.is_object())
        return nullptr;
    for (const Json& entry : table)
        if (sameFile(entry, st))
            return &entry;
    return nullptr;
}

// The Unix users that have the file of `openFile` open through `server`.
std::set<std::string> openersOf(const Json* openFile, const std::string& server) {
    std::set<std::string> uids;
    if (openFile)
        for (const Json& open : member(*openFile, "opens"))
            if (serverOf(open) == server)
                uids.insert(field(open, "uid"));
    return uids;
}

// The session behind a lock of `server`: its sessions, narrowed to those
// whose user has the file open where that tells them apart (it doesn't on a
// share with `force user`, where every open has the forced user's id).
std::optional<SmbSession> sessionOf(const std::vector<const Json*>& sessions, const std::set<std::string>& openers) {
    std::vector<const Json*> chosen;
    for (const Json* s : sessions)
        if (openers.contains(field(*s, "uid")))
            chosen.push_back(s);
    if (chosen.empty())
        chosen = sessions;
    if (chosen.empty())
        return std::nullopt;
    SmbSession smb{{}, field(*chosen.front(), "remote_machine"), addressOf(field(*chosen.front(), "hostname")), {}};
    for (const Json* s : chosen)
        smb.candidates.push_back(field(*s, "username"));
    std::ranges::sort(smb.candidates);
    smb.candidates.erase(std::unique(smb.candidates.begin(), smb.candidates.end()), smb.candidates.end());
    if (!smb.ambiguous())
        smb.account = smb.candidates.front();
    return smb;
}

}  // namespace

SmbStatusRun runSmbstatus(const std::string& configFile, std::chrono::milliseconds limit, bool viaSudo) {
    std::vector<std::string> args{"smbstatus", "--json", "--byterange"};
    if (!configFile.empty())
        args.push_back("--configfile=" + configFile);
    if (viaSudo)
        args.insert(args.begin(), {"sudo", "--non-interactive"});
    CommandRun run = runCommand(std::move(args), limit);
    if (run.reason.empty() && run.exitCode != 0)
        run.reason = "smbstatus failed: " + firstLine(run.err);
    else if (run.reason == "smbstatus is not installed")
        run.reason += " (Debian package samba)";
    if (!run.reason.empty())
        run.out.clear();
    return {std::move(run.out), std::move(run.reason)};
}

std::string joinSambaView(const std::string& smbstatusJson, std::vector<DatabaseUsers>& databases) {
    // Names in smbstatus's output are chosen by SMB clients: a byte that is
    // not UTF-8 must not cost the whole view.
    const Json status = Json::parse(validUtf8(smbstatusJson), nullptr, false);
    if (status.is_discarded())
        return "smbstatus gave no JSON (Samba 4.15 or later is needed)";
    if (!status.is_object() || !status.contains("version"))
        return "smbstatus gave no status object (Samba 4.15 or later is needed)";

    // The sessions each smbd process serves (one process per client connection).
    std::map<std::string, std::vector<const Json*>> sessionsOf;
    for (const Json& s : member(status, "sessions"))
        sessionsOf[serverOf(s)].push_back(&s);

    for (DatabaseUsers& db : databases) {
        struct stat lock {};
        const std::string lockPath = db.lockFile.empty() ? lockFilePathFor(db.path) : db.lockFile;
        if (!db.error.empty() || ::stat(lockPath.c_str(), &lock) != 0)
            continue;
        // Samba names a file by device and inode, the same whatever path
        // leads to it on this machine.
        const Json* locked = entryFor(member(status, "byte_range_locks"), lock);
        if (!locked)
            continue;
        const Json* open = entryFor(member(status, "open_files"), lock);
        for (const Json& l : member(*locked, "locks")) {
            if (field(l, "flavour") != "Windows" || field(l, "size") != "1")
                continue;
            const long long slot = std::strtoll(field(l, "start").c_str(), nullptr, 10) - kUserLockBase;
            const std::string server = serverOf(l);
            const auto sessions = sessionsOf.find(server);
            if (sessions == sessionsOf.end())
                continue;
            // Samba's table holds the lock even where the file system does
            // not show it (posix locking = no): the user is connected.
            for (User& u : db.users)
                if (u.slot == slot) {
                    u.smb = sessionOf(sessions->second, openersOf(open, server));
                    markConnected(u);
                }
        }
    }
    return {};
}

SambaFiles SambaFiles::now() {
    SambaFiles files;
    const std::unique_ptr<DIR, int (*)(DIR*)> proc(::opendir("/proc"), ::closedir);
    if (!proc)
        return files;
    while (const dirent* e = ::readdir(proc.get())) {
        if (e->d_name[0] < '0' || e->d_name[0] > '9')
            continue;
        const std::string dir = std::string("/proc/") + e->d_name;
        std::string comm;
        std::getline(std::ifstream(dir + "/comm"), comm);
        if (!comm.starts_with("smbd"))  // smbd, and its helpers smbd-notifyd, ...
            continue;
        const std::unique_ptr<DIR, int (*)(DIR*)> fds(::opendir((dir + "/fd").c_str()), ::closedir);
        if (!fds) {
            files.hidden_ = true;
            continue;
        }
        while (const dirent* f = ::readdir(fds.get())) {
            struct stat st {};
            if (f->d_name[0] != '.' && ::fstatat(::dirfd(fds.get()), f->d_name, &st, 0) == 0)
                files.open_.insert({st.st_dev, st.st_ino});
        }
    }
    return files;
}

bool SambaFiles::mayServe(const std::string& path) const {
    struct stat st {};
    return ::stat(path.c_str(), &st) == 0 && (hidden_ || open_.contains({st.st_dev, st.st_ino}));
}

}  // namespace jet::who
