#include "readers/LockHint.h"

#include "jet/lockfile/LockFile.h"
#include "jet/lockfile/LockFileProbe.h"
#include "jet/lockfile/ReadOnlyFile.h"
#include "jet/who/SambaView.h"

#include <QElapsedTimer>
#include <QFile>

#include <algorithm>
#include <cmath>
#include <ctime>
#include <sys/stat.h>
#include <sys/vfs.h>

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

}  // namespace

// Walks smbd's open files: a few milliseconds, which a refresh repeats only for
// another file or once the answer has aged.
bool sambaServes(const QString& path) {
    static QString lastPath;
    static bool lastAnswer = false;
    static QElapsedTimer age;
    if (!age.isValid() || age.elapsed() >= kSambaAnswerReuseMs || path != lastPath) {
        lastAnswer = jet::who::SambaFiles::now().mayServe(QFile::encodeName(path).toStdString());
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

    bool named = false;
    bool anyHeld = true;
    try {
        const jet::ReadOnlyFile file(path, jet::ReadOnlyFile::IfMissing::Empty);
        if (file.missing())
            return std::nullopt;
        const auto lockSlots = jet::parseLockSlots(file.readUpTo(jet::kMaxLockFileSize));
        named = std::ranges::any_of(lockSlots, [](const jet::LockSlot& s) { return !s.computerName.empty(); });
        anyHeld = jet::heldUserLocks(file.fd(), path).any();
    } catch (...) {
        // The hint is a guess about what can't be seen; a lock file that
        // can't be read or probed here gives none, and the list stands.
        return std::nullopt;
    }
    if (!named || anyHeld || !sambaServes(lockPath))
        return std::nullopt;
    return QStringLiteral(
        "No user of this lock file holds a lock that this computer can see, though the file changed in the "
        "last minutes and Samba serves it. A Samba share with \"posix locking = no\" hides its users' locks: "
        "they show as not connected.");
}

}  // namespace readers
