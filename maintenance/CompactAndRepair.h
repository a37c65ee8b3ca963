#pragma once
// Compact and repair of a database nobody is using, from the window: the
// database is kept as it was in a backup beside it, which is never
// overwritten, and repaired in place, every row that can still be read
// copied into a compacted file. The work runs without a window, so the
// command can run it on a thread of its own.
#include <QString>
#include <QStringList>

#include <cstddef>
#include <cstdint>
#include <functional>

namespace maintenance {

// Whether the lock file beside the database shows a user connected now.
bool hasConnectedUsers(const QString& databasePath);

// NAME.bak.EXT beside the database; when that is taken, NAME.bak2.EXT,
// NAME.bak3.EXT and so on: the first name no file has.
QString backupPathFor(const QString& databasePath);

struct CompactOutcome {
    QString backupPath;
    std::size_t tables = 0;
    std::size_t rows = 0;
    QStringList lost;  // what could not be recovered, one line each
};

// How far a compaction is: rows copied, of about how many in all.
using CompactProgress = std::function<void(std::uint64_t done, std::uint64_t total)>;

// Keeps the database at backupPathFor and repairs it in place; one encrypted
// with a password is read with `password`, and its copy encrypted alike.
// `progress` is told how far the copy is, on the calling thread.
// Throws jet::Error: 3356 while someone uses it, 3204 should the backup's
// name be taken meanwhile, and the errors of opening (3031 for a wrong
// password) and copying it. After a failure the database is as it was and
// no backup is left.
CompactOutcome compactWithBackup(const QString& databasePath, const QString& password = {},
                                 const CompactProgress& progress = {});

}  // namespace maintenance
