#include "jet/lockfile/LockFileFinder.h"

#include "jet/lockfile/LockFile.h"
#include "jet/text/Text.h"

#include <algorithm>
#include <memory>

#include <dirent.h>
#include <sys/stat.h>

namespace jet {

std::vector<std::string> findLockFiles(const std::string& databasePath) {
    const std::string exact = lockFilePathFor(databasePath);
    struct stat st {};
    if (::lstat(exact.c_str(), &st) == 0)
        return {exact};
    const auto slash = exact.find_last_of('/');
    const std::string folder = slash == std::string::npos ? "." : exact.substr(0, slash + 1);
    const std::string prefix = slash == std::string::npos ? std::string() : folder;
    const std::string name = exact.substr(slash == std::string::npos ? 0 : slash + 1);
    std::vector<std::string> found;
    const std::unique_ptr<DIR, int (*)(DIR*)> dir(::opendir(folder.c_str()), ::closedir);
    if (!dir)
        return found;
    while (const dirent* e = ::readdir(dir.get()))
        if (equalsIgnoreCase(e->d_name, name))
            found.push_back(prefix + e->d_name);
    std::ranges::sort(found);
    return found;
}

std::string lockFileFor(const std::string& databasePath) {
    const std::vector<std::string> found = findLockFiles(databasePath);
    return found.empty() ? lockFilePathFor(databasePath) : found.front();
}

}  // namespace jet
