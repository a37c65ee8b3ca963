#include "jet/who/Scan.h"

#include "jet/lockfile/LockFile.h"
#include "jet/page/File.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <memory>
#include <unordered_set>

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace jet::who {

namespace {

bool hasDatabaseExtension(const std::string& name) {
    const auto dot = name.rfind('.');
    if (dot == std::string::npos || dot == 0)
        return false;
    std::string ext = name.substr(dot + 1);
    for (char& c : ext)
        c = static_cast<char>(c >= 'A' && c <= 'Z' ? c - 'A' + 'a' : c);
    static const std::unordered_set<std::string> kinds{"mdb", "mde", "mda", "accdb", "accde", "accdr", "accdt"};
    return kinds.contains(ext);
}

struct DirCloser {
    void operator()(DIR* d) const { ::closedir(d); }
};

// Walks one folder opened as `fd` (taken over); openat with O_NOFOLLOW keeps
// a link to a folder from being entered even if it was swapped in since the
// entry was read.
void walk(UniqueFd fd, const std::string& path, ScanResult& result) {
    std::unique_ptr<DIR, DirCloser> dir(::fdopendir(fd.get()));
    if (!dir) {
        result.unreadable.push_back(path + ": " + std::strerror(errno));
        return;
    }
    fd.release();  // the DIR owns it now
    std::unordered_set<std::string> files;
    std::vector<std::string> folders;
    while (const dirent* e = ::readdir(dir.get())) {
        const std::string name = e->d_name;
        if (name == "." || name == "..")
            continue;
        unsigned char type = e->d_type;
        if (type == DT_UNKNOWN) {
            struct stat st {};
            if (::fstatat(::dirfd(dir.get()), e->d_name, &st, AT_SYMLINK_NOFOLLOW) != 0)
                continue;
            type = S_ISDIR(st.st_mode) ? DT_DIR : S_ISREG(st.st_mode) ? DT_REG : DT_LNK;
        }
        if (type == DT_DIR)
            folders.push_back(name);
        else if (type == DT_REG)
            files.insert(name);
    }
    const std::string prefix = path.ends_with('/') ? path : path + '/';
    for (const std::string& name : files) {
        if (!hasDatabaseExtension(name))
            continue;
        const std::string lockName = lockFilePathFor(name);
        if (files.contains(lockName))
            result.databases.push_back(prefix + name);
    }
    std::ranges::sort(folders);
    for (const std::string& name : folders) {
        const int sub = ::openat(::dirfd(dir.get()), name.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
        if (sub < 0) {
            if (errno != ELOOP && errno != ENOTDIR)
                result.unreadable.push_back(prefix + name + ": " + std::strerror(errno));
            continue;
        }
        walk(UniqueFd(sub), prefix + name, result);
    }
}

}  // namespace

ScanResult findDatabasesInUse(const std::string& root) {
    ScanResult result{root, {}, {}, {}};
    const int fd = ::open(root.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0) {
        result.rootError = root + ": " + std::strerror(errno);
        return result;
    }
    walk(UniqueFd(fd), root, result);
    std::ranges::sort(result.databases);
    return result;
}

}  // namespace jet::who
