// Times one refresh of the user list ("Display Logged In Users" in lock-file
// library mode, showing logged-in users) on a database whose lock file has all
// 255 slots filled: once with every user connected, once with none. The
// connected users are 255 lock owners in another process, each holding its
// user lock on its own open file description, as 255 Samba client sessions
// would. Runs headless.
#include "app/InstanceGuard.h"
#include "app/MessageBoxes.h"
#include "app/frmMain.h"
#include "jet/LockFile.h"

#include <QApplication>
#include <QRadioButton>
#include <QTemporaryDir>
#include <QTreeWidget>

#include <chrono>
#include <cstdio>
#include <fcntl.h>
#include <fstream>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

namespace {

class SilentBoxes : public MessageBoxes {
public:
    int shown = 0;
    MsgAnswer show(QWidget*, const MessageBoxRequest& r) override {
        ++shown;
        std::fprintf(stderr, "message: %s\n", qPrintable(r.text));
        return MsgAnswer::Ok;
    }
};

// A child process holding the user locks of every slot until released.
class AllUsersConnected {
public:
    explicit AllUsersConnected(const std::string& lockFile) {
        int ready[2], release[2];
        if (::pipe(ready) != 0 || ::pipe(release) != 0)
            std::exit(1);
        pid_ = ::fork();
        if (pid_ == 0) {
            ::close(release[1]);
            ::close(ready[0]);
            for (int slot = 0; slot < jet::kMaxLockSlots; ++slot) {
                const int fd = ::open(lockFile.c_str(), O_RDWR);
                struct flock fl {};
                fl.l_type = F_WRLCK;
                fl.l_whence = SEEK_SET;
                fl.l_start = jet::kUserLockBase + slot;
                fl.l_len = 1;
                if (fd < 0 || ::fcntl(fd, F_OFD_SETLK, &fl) != 0)
                    ::_exit(1);
            }
            (void)!::write(ready[1], "y", 1);
            char c;
            while (::read(release[0], &c, 1) > 0) {
            }
            ::_exit(0);
        }
        ::close(release[0]);
        ::close(ready[1]);
        release_ = release[1];
        char c = 0;
        if (::read(ready[0], &c, 1) != 1)
            std::exit(1);
    }
    ~AllUsersConnected() {
        ::close(release_);
        ::waitpid(pid_, nullptr, 0);
    }

private:
    pid_t pid_ = -1;
    int release_ = -1;
};

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
        AllUsersConnected connected(jet::lockFilePathFor(db));
        all = microsecondsPerRefresh(w, kRounds, jet::kMaxLockSlots);
    }
    std::printf("One refresh, 255-slot lock file, showing logged-in users (mean of %d):\n", kRounds);
    std::printf("  no user connected:    %8.1f us\n", none);
    std::printf("  all 255 connected:    %8.1f us (%d rows)\n", all, jet::kMaxLockSlots);
    return boxes.shown == 0 ? 0 : 1;
}
