#pragma once
// One instance of the program per user. The running instance holds an
// exclusive lock on a small file in the user's runtime folder; the system
// drops the lock when the process ends, however it ends, so a crashed
// instance never blocks the next start.
#include <QString>

class InstanceGuard {
public:
    // The per-user lock file: $XDG_RUNTIME_DIR/ravelin.lock, else
    // ravelin/ravelin.lock in the user's cache folder (~/.cache).
    static QString defaultLockPath();

    explicit InstanceGuard(QString lockPath = defaultLockPath());
    ~InstanceGuard();
    InstanceGuard(const InstanceGuard&) = delete;
    InstanceGuard& operator=(const InstanceGuard&) = delete;

    // True when this instance now holds the lock (or already did); false when
    // another instance holds it. A lock file that can't be opened at all
    // doesn't stop the program: it then runs without the guard.
    bool acquire();

private:
    QString path_;
    int fd_ = -1;
};
