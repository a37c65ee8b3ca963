// Times one refresh of the user list ("Display Logged In Users" in lock-file
// library mode, showing logged-in users) on a database whose lock file has all
// 255 slots filled: once with every user connected, once with none. The
// connected users are 255 lock owners in another process, each holding its
// user lock on its own open file description, as 255 Samba client sessions
// would. Runs headless.
#include "app/InstanceGuard.h"
#include "app/MessageBoxes.h"
#include "app/frmMain.h"
#include "bench/SilentBoxes.h"
#include "bench/UserLockHolder.h"
#include "jet/lockfile/LockFile.h"

#include <QApplication>
#include <QRadioButton>
#include <QTemporaryDir>
#include <QTreeWidget>

#include <chrono>
#include <cstdio>
#include <fstream>
#include <vector>

namespace {

double microsecondsPerRefresh(frmMain& w, int rounds, int expectRows) {
    w.mnuDisplayUsers_Click();  // warm the caches
    if (w.lvUsers->topLevelItemCount() != expectRows)
        std::fprintf(stderr, "unexpected rows: %d, not %d\n", w.lvUsers->topLevelItemCount(), expectRows);
    const auto start = std::chrono::steady_clock::now();
    for (int i = 0; i < rounds; ++i)
        w.mnuDisplayUsers_Click();
    const std::chrono::duration<double, std::micro> took = std::chrono::steady_clock::now() - start;
    return took.count() / rounds;
}

}  // namespace

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    QTemporaryDir home;
    qputenv("RAVELIN_HOME", home.path().toLocal8Bit());
    SilentBoxes boxes;
    setMessageBoxes(&boxes);

    const std::string db = home.filePath(QStringLiteral("shared.mdb")).toStdString();
    std::ofstream(db) << "database";
    {
        std::ofstream ldb(jet::lockFilePathFor(db), std::ios::binary);
        for (int slot = 0; slot < jet::kMaxLockSlots; ++slot) {
            char name[16];
            std::snprintf(name, sizeof name, "PC%03d", slot);
            const auto bytes = jet::encodeLockSlot(name, "Admin");
            ldb.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
        }
    }

    InstanceGuard guard(home.filePath(QStringLiteral("instance.lock")));
    frmMain w;
    if (!w.Form_Load(guard))
        return 1;
    w.optMode[1]->click();
    w.setSelectedDatabasePath(QString::fromStdString(db));

    constexpr int kRounds = 200;
    const double none = microsecondsPerRefresh(w, kRounds, 0);
    double all = 0;
    {
        const UserLockHolder connected(jet::lockFilePathFor(db), true);
        all = microsecondsPerRefresh(w, kRounds, jet::kMaxLockSlots);
    }
    std::printf("One refresh, 255-slot lock file, showing logged-in users (mean of %d):\n", kRounds);
    std::printf("  no user connected:    %8.1f us\n", none);
    std::printf("  all 255 connected:    %8.1f us (%d rows)\n", all, jet::kMaxLockSlots);
    return boxes.shown == 0 ? 0 : 1;
}
