#include "maintenance/CompactAndRepair.h"

#include "jet/LdbUsers.h"
#include "jet/compact/Repair.h"

#include <QFile>
#include <QFileInfo>

#include <algorithm>

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

CompactOutcome compactWithBackup(const QString& databasePath, const QString& password,
                                 const CompactProgress& progress) {
    const QString backup = backupPathFor(databasePath);
    const jet::RepairResult result =
        jet::repairInPlace(local(databasePath), local(backup), {password.toStdString(), progress});
    CompactOutcome outcome{backup, result.copied.tables, result.copied.rows, {}};
    for (const jet::RepairLoss& loss : result.losses)
        outcome.lost << QString::fromStdString(jet::describe(loss));
    return outcome;
}

}  // namespace maintenance
