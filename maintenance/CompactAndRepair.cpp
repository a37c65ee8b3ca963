#include "maintenance/CompactAndRepair.h"

#include "jet/Error.h"
#include "jet/LdbUsers.h"
#include "jet/compact/Compact.h"

#include <QFile>
#include <QFileInfo>

#include <algorithm>
#include <filesystem>

namespace maintenance {

namespace {

std::string local(const QString& path) { return QFile::encodeName(path).toStdString(); }

}  // namespace

bool hasConnectedUsers(const QString& databasePath) {
    const auto users = jet::readLdbUsers(local(databasePath));
    return std::any_of(users.begin(), users.end(), [](const jet::LdbUser& user) { return user.connected; });
}

QString backupPathFor(const QString& databasePath) {
    const QFileInfo database(databasePath);
    const QString stem = database.absolutePath() + QChar('/') + database.completeBaseName() + QStringLiteral(".bak");
    const QString suffix = database.suffix().isEmpty() ? QString() : QChar('.') + database.suffix();
    QString candidate = stem + suffix;
    for (int n = 2; QFileInfo::exists(candidate); ++n)
        candidate = stem + QString::number(n) + suffix;
    return candidate;
}

CompactOutcome compactWithBackup(const QString& databasePath) {
    const QString backup = backupPathFor(databasePath);
    std::error_code failed;
    // copy_file with its default options refuses an existing target, so a
    // backup that appeared meanwhile is never replaced.
    if (!std::filesystem::copy_file(local(databasePath), local(backup), failed)) {
        if (failed == std::errc::file_exists)
            throw jet::Error(jet::DatabaseExists, "The backup '" + local(backup) + "' exists already.");
        throw jet::Error(jet::DiskIo, "Could not copy '" + local(databasePath) + "' to its backup '" + local(backup) +
                                          "': " + failed.message() + ".");
    }
    try {
        const jet::CompactResult result = jet::compactInPlace(local(databasePath));
        return {backup, result.tables, result.rows};
    } catch (...) {
        std::error_code ignored;
        std::filesystem::remove(local(backup), ignored);
        throw;
    }
}

}  // namespace maintenance
