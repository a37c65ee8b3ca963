#include "base/InstanceGuard.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>

#include <cerrno>
#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

QString InstanceGuard::defaultLockPath() {
    const QString runtime = qEnvironmentVariable("XDG_RUNTIME_DIR");
    if (!runtime.isEmpty() && QDir(runtime).exists())
        return runtime + QStringLiteral("/ravelin.lock");
    // A folder of the user's own, where no other user can put a file first.
    return QStandardPaths::writableLocation(QStandardPaths::GenericCacheLocation) +
           QStringLiteral("/ravelin/ravelin.lock");
}

InstanceGuard::InstanceGuard(QString lockPath) : path_(std::move(lockPath)) {}

InstanceGuard::~InstanceGuard() {
    if (fd_ >= 0)
        ::close(fd_);
}

bool InstanceGuard::acquire() {
    if (fd_ >= 0)
        return true;
    QDir().mkpath(QFileInfo(path_).path());
    // A link put in the lock file's place is not followed.
    const int fd = ::open(QFile::encodeName(path_).constData(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0600);
    if (fd < 0)
        return true;
    if (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
        const bool held = errno == EWOULDBLOCK;
        ::close(fd);
        return !held;
    }
    fd_ = fd;
    return true;
}
