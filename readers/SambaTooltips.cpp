#include "readers/SambaTooltips.h"

#include "app/frmMain.h"
#include "jet/lockfile/LockFile.h"
#include "jet/who/SambaView.h"
#include "readers/LockHint.h"

#include <QElapsedTimer>
#include <QFile>
#include <QTreeWidget>

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

void addSambaTooltips(frmMain& w, const QString& databasePath) {
    try {
        if (w.lvUsers->topLevelItemCount() == 0)
            return;
        const std::string database = QFile::encodeName(databasePath).toStdString();
        if (!sambaServes(QFile::decodeName(jet::lockFilePathFor(database).c_str())))
            return;
        const jet::who::SmbStatusRun& run = recentSmbstatus();
        if (!run.reason.empty())
            return;
        std::vector<jet::who::DatabaseUsers> listed{jet::who::listUsers(database, nullptr)};
        if (!jet::who::joinSambaView(run.json, listed).empty())
            return;
        std::vector<const jet::who::User*> held;
        for (const jet::who::User& u : listed.front().users)
            if (u.smb)
                held.push_back(&u);
        for (int i = 0; i < w.lvUsers->topLevelItemCount(); ++i) {
            QTreeWidgetItem* row = w.lvUsers->topLevelItem(i);
            for (auto it = held.begin(); it != held.end(); ++it) {
                const QString computer = QString::fromStdString((*it)->computer).trimmed();
                if (computer.compare(row->text(0), Qt::CaseInsensitive) != 0)
                    continue;
                const jet::who::SmbSession& smb = *(*it)->smb;
                const QString tip = QStringLiteral("SMB account: %1\nClient machine: %2\nAddress: %3")
                                        .arg(QString::fromStdString(smb.account), QString::fromStdString(smb.machine),
                                             QString::fromStdString(smb.address));
                for (int c = 0; c < w.lvUsers->columnCount(); ++c)
                    row->setToolTip(c, tip);
                held.erase(it);  // a second row of the same computer takes the next slot
                break;
            }
        }
    } catch (...) {
        // The tooltips are extra; the list stands without them.
    }
}

}  // namespace readers
