#include "jet/who/Scan.h"

#include "jet/lockfile/LockFile.h"
#include "jet/page/File.h"
#include "jet/text/Text.h"

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

std::string lowerAscii(std::string s) {
    for (char& c : s)
        c = static_cast<char>(c >= 'A' && c <= 'Z' ? c - 'A' + 'a' : c);
    return s;
}

std::string extensionOf(const std::string& name) {
    const auto dot = name.rfind('.');
    return dot == std::string::npos || dot == 0 ? std::string() : lowerAscii(name.substr(dot + 1));
}

bool hasDatabaseExtension(const std::string& name) {
    static const std::unordered_set<std::string> kinds{"mdb", "mde", "mda", "accdb", "accde", "accdr", "accdt"};
    return kinds.contains(extensionOf(name));
}

bool hasLockExtension(const std::string& name) {
    const std::string ext = extensionOf(name);
    return ext == "ldb" || ext == "laccdb";
}

// `name` with letter case folded as jet::equalsIgnoreCase compares it, so
// that names Samba takes for one compare equal.
std::string folded(std::string_view name) {
    std::string out;
    for (std::size_t i = 0; i < name.size();) {
        const std::size_t n = utf8SequenceAt(name, i);
        if (n == 0) {
            out += name[i++];
            continue;
        }
        appendUtf8(out, foldCase(utf8CodePoint(name, i, n)));
        i += n;
    }
    return out;
}

const char* kindOf(unsigned char type) {
    switch (type) {
    case DT_DIR: return "a folder";
    case DT_FIFO: return "a FIFO";
    case DT_SOCK: return "a socket";
    case DT_CHR:
    case DT_BLK: return "a device";
    default: return nullptr;
    }
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
    const std::string prefix = path.ends_with('/') ? path : path + '/';
    std::unordered_set<std::string> locks, foldedLocks;
    std::vector<std::string> databases, folders;
    while (const dirent* e = ::readdir(dir.get())) {
        const std::string name = e->d_name;
        if (name == "." || name == "..")
            continue;
        unsigned char type = e->d_type;
        if (type == DT_UNKNOWN) {
            struct stat st {};
            if (::fstatat(::dirfd(dir.get()), e->d_name, &st, AT_SYMLINK_NOFOLLOW) != 0)
                continue;
            type = static_cast<unsigned char>(IFTODT(st.st_mode));
        }
        const bool database = hasDatabaseExtension(name);
        if (type == DT_DIR)
            folders.push_back(name);
        if (type == DT_REG) {
            if (database) {
                databases.push_back(name);
            } else if (hasLockExtension(name)) {
                foldedLocks.insert(folded(name));
                locks.insert(name);
            }
        } else if (const char* kind = kindOf(type); kind && (database || hasLockExtension(name))) {
            result.passedOver.push_back(prefix + name + ": " + kind + " named like " +
                                        (database ? "a database" : "a lock file") + ", passed over");
        }
    }
    // A lock file whose name differs in case is found as Samba finds it.
    for (const std::string& name : databases) {
        const std::string lockName = lockFilePathFor(name);
        if (locks.contains(lockName) || (!foldedLocks.empty() && foldedLocks.contains(folded(lockName))))
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
    ScanResult result{root, {}, {}, {}, {}};
    const int fd = ::open(root.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0) {
        result.rootError = root + ": " + std::strerror(errno);
        return result;
    }
    walk(UniqueFd(fd), root, result);
    std::ranges::sort(result.databases);
    std::ranges::sort(result.passedOver);
    return result;
}

}  // namespace jet::who
