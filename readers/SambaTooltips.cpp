#include "readers/SambaTooltips.h"

#include "jet/lockfile/LockFileFinder.h"
#include "jet/who/SambaView.h"
#include "readers/LockHint.h"

#include <QElapsedTimer>
#include <QFile>

namespace readers {
namespace {

// smbstatus walks Samba's lock table, which holds up the clients' own lock
// requests while it runs: its answer is reused as long as sambaServes's.
const jet::who::SmbStatusRun& recentSmbstatus() {
    static jet::who::SmbStatusRun last;
    static std::string lastConfig;
    static QElapsedTimer age;
    const std::string config = qEnvironmentVariable("RAVELIN_SMB_CONF").toStdString();
    if (!age.isValid() || age.elapsed() >= kSambaAnswerReuseMs || config != lastConfig) {
        last = jet::who::runSmbstatus(config);
        lastConfig = config;
        age.start();
    }
    return last;
}

}  // namespace

QString sambaTooltip(const jet::who::SmbSession& smb) {
    QString account = QString::fromStdString(smb.account);
    if (smb.ambiguous()) {
        QStringList candidates;
        for (const std::string& c : smb.candidates)
            candidates << QString::fromStdString(c);
        account = QStringLiteral("ambiguous: ") + candidates.join(QStringLiteral(", "));
    }
    return QStringLiteral("SMB account: %1\nClient machine: %2\nAddress: %3")
        .arg(account, QString::fromStdString(smb.machine), QString::fromStdString(smb.address));
}

QStringList sambaTooltips(const QString& databasePath, const QStringList& computers) {
    QStringList tips(computers.size());
    try {
        if (computers.isEmpty())
            return tips;
        const std::string database = QFile::encodeName(databasePath).toStdString();
        if (!sambaServes(QFile::decodeName(jet::lockFileFor(database).c_str())))
            return tips;
        const jet::who::SmbStatusRun& run = recentSmbstatus();
        if (!run.reason.empty())
            return tips;
        std::vector<jet::who::DatabaseUsers> listed{jet::who::listUsers(database, nullptr)};
        if (!jet::who::joinSambaView(run.json, listed).empty())
            return tips;
        std::vector<const jet::who::User*> held;
        for (const jet::who::User& u : listed.front().users)
            if (u.smb)
                held.push_back(&u);
        for (qsizetype i = 0; i < computers.size(); ++i) {
            for (auto it = held.begin(); it != held.end(); ++it) {
                const QString computer = QString::fromStdString((*it)->computer).trimmed();
                if (computer.compare(computers[i], Qt::CaseInsensitive) != 0)
                    continue;
                tips[i] = sambaTooltip(*(*it)->smb);
                held.erase(it);  // a second row of the same computer takes the next slot
                break;
            }
        }
    } catch (...) {
        // The tooltips are extra: where Samba's view can't be had, the list
        // stands without them, as it does without Samba.
    }
    return tips;
}

}  // namespace readers
