// Times one refresh of the user list ("Display Logged In Users" in lock-file
// library mode, showing logged-in users) on a database whose lock file has all
// 255 slots filled: once with every user connected, once with none. The
// connected users are 255 lock owners in another process, each holding its
// user lock on its own open file description, as 255 Samba client sessions
// would. Every computer is known to the user name database, so the list is
// filled whole. Runs headless.
#include "base/InstanceGuard.h"
#include "base/MessageBoxes.h"
#include "app/MainWindow.h"
#include "bench/SilentBoxes.h"
#include "bench/UserLockHolder.h"
#include "jet/create/CreateDatabase.h"
#include "jet/lockfile/LockFile.h"
#include "jet/store/Store.h"
#include "jet/write/TableWriter.h"
#include "readers/ResolveUserNames.h"
#include "settings/SettingsWindow.h"
#include "usernames/UserNameWindow.h"

#include <QApplication>
#include <QLineEdit>
#include <QRadioButton>
#include <QTemporaryDir>
#include <QTimer>
#include "base/UserListModel.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <time.h>
#include <vector>

namespace {

std::string slotComputer(int slot) {
    char name[16];
    std::snprintf(name, sizeof name, "PC%03d", slot);
    return name;
}

// A user name database that knows the computer of every slot.
void writeUserNames(const std::string& path) {
    jet::createDatabase(path);
    jet::runStore(path, [&](jet::PageStore& pages) {
        jet::TableWriter writer(pages, "T_Main");
        const jet::TableDef& def = writer.definition();
        auto column = [&](const char* name) { return static_cast<std::size_t>(def.findColumn(name) - def.columns.data()); };
        std::vector<jet::Value> row(def.columns.size());
        for (int slot = 0; slot < jet::kMaxLockSlots; ++slot) {
            row[column("ComputerName")] = jet::Value::text(slotComputer(slot));
            row[column("Name")] = jet::Value::text("User " + std::to_string(slot));
            row[column("Contact")] = jet::Value::text("ext. " + std::to_string(2000 + slot));
            row[column("Email")] = jet::Value::text("user" + std::to_string(slot) + "@example.com");
            writer.insert(row);
        }
    });
}

double threadCpuMicroseconds() {
    timespec t{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
    return static_cast<double>(t.tv_sec) * 1e6 + static_cast<double>(t.tv_nsec) / 1e3;
}

double median(std::vector<double> v) {
    std::nth_element(v.begin(), v.begin() + static_cast<std::ptrdiff_t>(v.size() / 2), v.end());
    return v[v.size() / 2];
}

struct Timing {
    double elapsed;    // median microseconds
    double processor;  // median microseconds of this thread's processor time
};

// The median time of one refresh, elapsed and of processor: on a busy
// machine the mean mostly measures the other programs.
Timing timePerRefresh(MainWindow& w, int rounds, int expectRows) {
    w.showUsers();  // warm the caches
    if (w.users().rowCount() != expectRows) {
        std::fprintf(stderr, "unexpected rows: %d, not %d\n", w.users().rowCount(), expectRows);
        std::exit(1);
    }
    std::vector<double> elapsed;
    std::vector<double> processor;
    for (int i = 0; i < rounds; ++i) {
        const auto start = std::chrono::steady_clock::now();
        const double cpu = threadCpuMicroseconds();
        w.showUsers();
        processor.push_back(threadCpuMicroseconds() - cpu);
        elapsed.push_back(std::chrono::duration<double, std::micro>(std::chrono::steady_clock::now() - start).count());
    }
    return {median(elapsed), median(processor)};
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
            const auto bytes = jet::encodeLockSlot(slotComputer(slot), "Admin");
            ldb.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
        }
    }

    InstanceGuard guard(home.filePath(QStringLiteral("instance.lock")));
    MainWindow w;
    if (!w.load(guard))
        return 1;
    w.findChild<QRadioButton*>(QStringLiteral("readModeChoice(1)"))->click();
    w.setSelectedDatabasePath(QString::fromStdString(db));
    const std::string names = home.filePath(QStringLiteral("names.mdb")).toStdString();
    writeUserNames(names);
    while (w.data()->loadPending())  // the start-up connection to the default database
        QCoreApplication::processEvents();
    w.data()->connectTo(QString::fromStdString(names));
    while (w.data()->loadPending())
        QCoreApplication::processEvents();
    if (w.data()->listedNames().count() != jet::kMaxLockSlots) {
        std::fprintf(stderr, "loaded %d names, not %d\n", w.data()->listedNames().count(), jet::kMaxLockSlots);
        return 1;
    }

    constexpr int kRounds = 200;
    const Timing none = timePerRefresh(w, kRounds, 0);
    Timing all{};
    {
        const UserLockHolder connected(jet::lockFilePathFor(db), true);
        all = timePerRefresh(w, kRounds, jet::kMaxLockSlots);
        const int nameColumn = readers::userNameColumn(false);
        for (int row = 0; row < jet::kMaxLockSlots; ++row)
            if (w.users().text(row, nameColumn).isEmpty()) {
                std::fprintf(stderr, "row %d has no user name\n", row);
                return 1;
            }
    }
    std::printf("One refresh, 255-slot lock file, showing logged-in users (median of %d):\n", kRounds);
    std::printf("  no user connected:    %8.1f us (%.1f us of processor)\n", none.elapsed, none.processor);
    std::printf("  all 255 connected:    %8.1f us (%.1f us of processor, %d rows)\n", all.elapsed, all.processor,
                jet::kMaxLockSlots);
    return boxes.shown == 0 ? 0 : 1;
}
