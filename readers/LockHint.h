#pragma once
// A Samba share with "posix locking = no" keeps its clients' byte-range locks
// to itself, so a local process cannot see who is connected. When a lock file
// on this computer's own disk changed within the last minutes, names users,
// none of whom holds a lock that can be seen here, and Samba serves it (or at
// least runs here), the status line says so rather than leave every user
// silently "not connected".
#include <QString>

#include <optional>

namespace readers {

// How recently a lock file must have changed to count as in use.
inline constexpr int kFreshLockFileSeconds = 5 * 60;

// How long an answer about Samba is reused: asking walks every process (or
// Samba's lock table), and a refresh at the shortest monitoring interval
// asks again.
inline constexpr qint64 kSambaAnswerReuseMs = 5000;

// Whether an smbd process has the file open; where no smbd's open files can
// be read (Samba runs as another user), whether any smbd runs at all. The
// answer for a file is reused for kSambaAnswerReuseMs.
bool sambaServes(const QString& path);

// The hint for the lock file at `lockPath`, or nothing when it does not apply.
// Never fails: whatever cannot be checked gives no hint.
std::optional<QString> hiddenLocksHint(const QString& lockPath);

}  // namespace readers
