#include "readers/LockHint.h"

#include "jet/lockfile/LockFile.h"
#include "jet/lockfile/LockFileProbe.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>

#include <algorithm>
#include <cmath>
#include <ctime>
#include <fcntl.h>
#include <sys/stat.h>
#include <sys/vfs.h>
#include <unistd.h>
#include <vector>

namespace readers {
namespace {

// File systems that reach another machine's disk: locks there are the
// server's business, and the mount forwards them (or not) by itself.
bool onNetworkFileSystem(const std::string& path) {
    struct statfs fs {};
    if (::statfs(path.c_str(), &fs) != 0)
        return true;
    constexpr long kRemote[] = {0xFF534D42 /* CIFS */, static_cast<long>(0xFE534D42) /* SMB2 */,
                                0x517B /* SMB */, 0x6969 /* NFS */};
    return std::ranges::find(kRemote, static_cast<long>(fs.f_type)) != std::end(kRemote);
}

// Whether an smbd process has the file open, or runs with its open files
// hidden from us.
bool sambaServesNow(const QString& path) {
    const QString target = QFileInfo(path).canonicalFilePath();
    bool running = false;
    bool readable = false;
    const QDir proc(QStringLiteral("/proc"));
    for (const QString& pid : proc.entryList(QDir::Dirs | QDir::NoDotAndDotDot)) {
        if (!pid.front().isDigit())
            continue;
        QFile comm(proc.filePath(pid + QStringLiteral("/comm")));
        if (!comm.open(QIODevice::ReadOnly) || comm.readAll().trimmed() != "smbd")
            continue;
        running = true;
        const QDir fds(proc.filePath(pid + QStringLiteral("/fd")));
        const QStringList entries = fds.entryList(QDir::System | QDir::Files | QDir::NoDotAndDotDot);
        if (!fds.isReadable() || entries.isEmpty())
            continue;
        readable = true;
        for (const QString& fd : entries)
            if (QFileInfo(fds.filePath(fd)).symLinkTarget() == target)
                return true;
    }
    return running && !readable;
}

}  // namespace

// Walks the processes: a few milliseconds, which a refresh repeats only for
// another file or once the answer has aged.
bool sambaServes(const QString& path) {
    static QString lastPath;
    static bool lastAnswer = false;
    static QElapsedTimer age;
    if (!age.isValid() || age.elapsed() >= kSambaAnswerReuseMs || path != lastPath) {
        lastAnswer = sambaServesNow(path);
        lastPath = path;
        age.start();
    }
    return lastAnswer;
}

std::optional<QString> hiddenLocksHint(const QString& lockPath) {
    const std::string path = QFile::encodeName(lockPath).toStdString();
    struct stat st {};
    if (::stat(path.c_str(), &st) != 0 || !S_ISREG(st.st_mode))
        return std::nullopt;
    if (std::abs(std::difftime(std::time(nullptr), st.st_mtime)) > kFreshLockFileSeconds)
        return std::nullopt;
    if (onNetworkFileSystem(path))
        return std::nullopt;

    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        return std::nullopt;
    bool named = false;
    bool anyHeld = true;
    try {
        std::vector<std::uint8_t> bytes(jet::kMaxLockFileSize);
        const ssize_t n = ::pread(fd, bytes.data(), bytes.size(), 0);
        bytes.resize(n > 0 ? static_cast<std::size_t>(n) : 0);
        const auto lockSlots = jet::parseLockSlots(bytes);
        named = std::ranges::any_of(lockSlots, [](const jet::LockSlot& s) { return !s.computerName.empty(); });
        anyHeld = jet::heldUserLocks(fd, path).any();
    } catch (...) {
        // The hint is a guess about what can't be seen; a lock file that
        // can't be read or probed here gives none, and the list stands.
    }
    ::close(fd);
    if (!named || anyHeld || !sambaServes(lockPath))
        return std::nullopt;
    return QStringLiteral(
        "No user of this lock file holds a lock that this computer can see, though the file changed in the "
        "last minutes and Samba serves it. A Samba share with \"posix locking = no\" hides its users' locks: "
        "they show as not connected.");
}

}  // namespace readers
