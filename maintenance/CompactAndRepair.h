#pragma once
// Compact and repair of a database nobody is using, from the window: the
// database is first copied to a backup beside it, which is never
// overwritten, then compacted in place. The work runs without a window, so
// the command can run it on a thread of its own.
#include <QString>

#include <cstddef>

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
};

// Copies the database to backupPathFor, then compacts it in place. Throws
// jet::Error: the compaction's errors (3260 while someone uses it), 3204
// should the backup's name be taken meanwhile, 3043 when the copy cannot be
// made. After a failure the database is as it was and no backup is left.
CompactOutcome compactWithBackup(const QString& databasePath);

}  // namespace maintenance
