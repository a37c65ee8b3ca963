// Start-up and shut-down: their order, and the single instance.
#include "base/DatabasePathModel.h"
#include "base/ProgramFolder.h"
#include "settings/SettingsWindow.h"
#include "tests/support/DesktopEnvironment.h"
#include "tests/support/MainWindowHarness.h"
#include "tests/support/SettingsLines.h"
#include "usernames/UserNameWindow.h"

#include <QDir>
#include <QFileInfo>
#include <QLabel>
#include <QLineEdit>
#include <QListView>
#include <QRadioButton>
#include <QTimer>
#include <QTreeView>

#include <gtest/gtest.h>

#include <csignal>
#include <sys/inotify.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

class Startup : public ::testing::Test, public MainWindowHarness {};

TEST_F(Startup, StepsRunInTheirOrder) {
    writeHomeFile("ravelin.set", "2\r\n/d/second.mdb\r\n/d/first.mdb\r\n");
    writeHomeFile("settings.set", SettingsLines().set(10, "1").set(12, "1").set(14, "/elsewhere/compnamedb.mdb").bytes());
    ASSERT_TRUE(start());
    EXPECT_EQ(window->users().columnCount(), 5);
    // The path list was read before the settings selected its first entry.
    EXPECT_EQ(window->selectedDatabasePath(), QStringLiteral("/d/first.mdb"));
    EXPECT_TRUE(window->autoMonitoring());
    // The settings file's path replaced the default.
    EXPECT_EQ(window->settingsStore().value().userDatabasePath, QStringLiteral("/elsewhere/compnamedb.mdb"));
    EXPECT_FALSE(window->settings()->isVisible());
    EXPECT_FALSE(window->data()->isVisible());
    EXPECT_EQ(QDir::currentPath(), QDir(home.path()).canonicalPath());
}

TEST_F(Startup, LockFileOptionIsTwoWhateverWasChosenBefore) {
    // Whatever the option holds when the load begins, the load ends with 2.
    guard = std::make_unique<InstanceGuard>(lockPath());
    window = std::make_unique<MainWindow>();
    window->lockFileOption = 4;
    ASSERT_TRUE(window->load(*guard));
    EXPECT_EQ(window->lockFileOption, 2);

    // Nor is the choice of a previous run kept.
    controls().readModeChoice[1]->click();
    controls().lockFileChoice[2]->click();
    ASSERT_EQ(window->lockFileOption, 4);
    ASSERT_TRUE(restart());
    EXPECT_EQ(window->lockFileOption, 2);
    EXPECT_TRUE(controls().lockFileChoice[1]->isChecked());
}

// The names of files renamed into place in a folder, in the order it happened
// (every settings file is written to a new file, then renamed over the old).
class RenamesInto {
public:
    explicit RenamesInto(const QString& folder) : fd_(inotify_init1(IN_NONBLOCK | IN_CLOEXEC)) {
        inotify_add_watch(fd_, QFile::encodeName(folder).constData(), IN_MOVED_TO);
    }
    ~RenamesInto() { ::close(fd_); }
    RenamesInto(const RenamesInto&) = delete;
    RenamesInto& operator=(const RenamesInto&) = delete;

    QStringList names() const {
        QStringList out;
        alignas(inotify_event) char buffer[4096];
        ssize_t n = 0;
        while ((n = ::read(fd_, buffer, sizeof buffer)) > 0) {
            for (char* p = buffer; p < buffer + n;) {
                const auto* e = reinterpret_cast<const inotify_event*>(p);
                if (e->len > 0)
                    out << QFile::decodeName(e->name);
                p += sizeof(inotify_event) + e->len;
            }
        }
        return out;
    }

private:
    int fd_;
};

TEST_F(Startup, ShutDownWritesEveryFileInOrderAndUnloadsTheSettingsWindow) {
    writeHomeFile("ravelin.set", "1\r\n/d/a.mdb\r\n");
    ASSERT_TRUE(start());
    QPointer<SettingsWindow> settingsWindow = window->settings();
    window->settingsStore().update([&](Settings& s) { s.userDatabasePath = QStringLiteral("/kept/compnamedb.mdb"); });
    files.answers.push_back(QStringLiteral("/d/b.mdb"));
    window->addDatabasePath();
    const RenamesInto renames(home.path());
    window->close();
    // The path list, then the settings, then the user name window's
    // placement as it unloads.
    EXPECT_EQ(renames.names(), QStringList({"ravelin.set", "settings.set", "usernames.set"}));
    EXPECT_EQ(readHomeFile("ravelin.set"), QByteArray("2\r\n/d/a.mdb\r\n/d/b.mdb\r\n"));
    EXPECT_TRUE(readHomeFile("settings.set").endsWith("\r\n/kept/compnamedb.mdb\r\n"));
    EXPECT_EQ(readHomeFile("usernames.set").count("\r\n"), 4);
    EXPECT_TRUE(settingsWindow.isNull());
}

// Every file the program keeps: one that could not be read whole is kept
// aside, once, before it is replaced; a second unreadable one neither replaces
// the kept copy nor is replaced.
TEST_F(Startup, AnUnreadableFileIsKeptAsideOnce) {
    struct Case {
        QString name;
        QByteArray unreadable, second;
        int lines;           // of the file written in its place
        QByteArray lastLine;  // its last line; empty: not compared
    };
    const Case cases[] = {
        {"ravelin.set", "two\r\n/d/a.mdb\r\n/d/b.mdb\r\n", "-\r\n/d/c.mdb\r\n", 2, "/d/new.mdb"},
        {"settings.set", SettingsLines().set(11, "fast").set(14, "/kept/compnamedb.mdb").bytes(),
         SettingsLines().set(1, "left").bytes(), 14, QFile::encodeName(homeFile("compnamedb.mdb"))},
        {"usernames.set", "120\r\nleft\r\n4305\r\n5250\r\n", "x\r\n", 4, {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name.toStdString());
        writeHomeFile(c.name, c.unreadable);
        ASSERT_TRUE(start());
        files.answers.push_back(QStringLiteral("/d/new.mdb"));  // the path list changes
        window->addDatabasePath();
        stop();
        EXPECT_EQ(readHomeFile(c.name + ".unreadable"), c.unreadable);
        const QByteArray written = readHomeFile(c.name);
        EXPECT_EQ(written.count("\r\n"), c.lines);
        if (!c.lastLine.isEmpty()) {
            EXPECT_TRUE(written.endsWith("\r\n" + c.lastLine + "\r\n")) << written.toStdString();
        }

        writeHomeFile(c.name, c.second);
        ASSERT_TRUE(start());
        stop();
        EXPECT_EQ(readHomeFile(c.name + ".unreadable"), c.unreadable);
        EXPECT_EQ(readHomeFile(c.name), c.second);
    }
    EXPECT_TRUE(boxes.shown.empty());
}

TEST_F(Startup, ASecondInstanceWarnsAndEndsWithoutTouchingAnyFile) {
    InstanceGuard running(lockPath());
    ASSERT_TRUE(running.acquire());
    writeHomeFile("ravelin.set", "1\r\n/d/a.mdb\r\n");
    const QStringList before = QDir(home.path()).entryList(QDir::Files);

    EXPECT_FALSE(start());
    ASSERT_EQ(boxes.shown.size(), 1u);
    EXPECT_EQ(boxes.last().text, QStringLiteral("The Ravelin program is already running"));
    EXPECT_EQ(boxes.last().title, QStringLiteral("Program Already Running"));
    EXPECT_EQ(boxes.last().icon, MsgIcon::Exclamation);
    EXPECT_EQ(boxes.last().buttons, MsgButtons::Ok);
    EXPECT_EQ(window->databasePaths().rowCount(), 0);
    window->close();
    window.reset();
    EXPECT_EQ(QDir(home.path()).entryList(QDir::Files), before);
    EXPECT_EQ(readHomeFile("ravelin.set"), QByteArray("1\r\n/d/a.mdb\r\n"));
}

// Runs `body` in a child process and returns how it ended.
template <typename Body>
pid_t inChild(Body body) {
    const pid_t pid = fork();
    if (pid == 0) {
        body();
        _exit(0);
    }
    return pid;
}

TEST_F(Startup, ALockLeftByACrashedInstanceDoesNotBlockTheNext) {
    const std::string path = lockPath().toStdString();
    int ready[2];
    ASSERT_EQ(pipe(ready), 0);
    const pid_t holder = inChild([&] {
        InstanceGuard g(QString::fromStdString(path));
        const char ok = g.acquire() ? '1' : '0';
        (void)!write(ready[1], &ok, 1);
        pause();  // holds the lock until killed
    });
    char ok = 0;
    ASSERT_EQ(read(ready[0], &ok, 1), 1);
    ASSERT_EQ(ok, '1');
    {
        InstanceGuard second(lockPath());
        EXPECT_FALSE(second.acquire()) << "a live instance must block a second one";
    }
    kill(holder, SIGKILL);
    int status = 0;
    waitpid(holder, &status, 0);
    EXPECT_TRUE(QFileInfo::exists(lockPath()));
    InstanceGuard next(lockPath());
    EXPECT_TRUE(next.acquire());
}

// Without a runtime folder the lock lives in the user's cache folder, where no
// other user can create it first; a link in its place is not followed.
TEST_F(Startup, WithoutARuntimeFolderTheLockIsTheUsersOwn) {
    const QByteArray runtime = qgetenv("XDG_RUNTIME_DIR");
    const QByteArray cacheHome = qgetenv("XDG_CACHE_HOME");
    QTemporaryDir cache;
    qunsetenv("XDG_RUNTIME_DIR");
    qputenv("XDG_CACHE_HOME", QFile::encodeName(cache.path()));
    const QString path = InstanceGuard::defaultLockPath();
    EXPECT_EQ(path, cache.path() + QStringLiteral("/ravelin/ravelin.lock"));
    ASSERT_TRUE(QDir().mkpath(cache.path() + QStringLiteral("/ravelin")));
    const QString target = cache.path() + QStringLiteral("/planted");
    ASSERT_TRUE(QFile::link(target, path));
    InstanceGuard own(path);
    own.acquire();
    EXPECT_FALSE(QFileInfo::exists(target));
    for (const auto& [name, value] : {std::pair{"XDG_RUNTIME_DIR", runtime}, std::pair{"XDG_CACHE_HOME", cacheHome}}) {
        if (value.isNull())
            qunsetenv(name);
        else
            qputenv(name, value);
    }
}

TEST_F(Startup, ProgramFolderComesFromTheEnvironmentFirst) {
    EXPECT_EQ(programFolder(), QDir::cleanPath(home.path()));
    EXPECT_EQ(programFile(QStringLiteral("ravelin.set")), QDir::cleanPath(home.path()) + "/ravelin.set");
    qunsetenv("RAVELIN_HOME");
    // The tests' own folder is writable, so it is the program's folder.
    EXPECT_EQ(programFolder(), QCoreApplication::applicationDirPath());

    // A relative folder is where it was at start, also after commands have
    // changed into it.
    ASSERT_TRUE(QDir(home.path()).mkdir(QStringLiteral("sub")));
    QDir::setCurrent(home.path());
    qputenv("RAVELIN_HOME", "sub");
    ASSERT_TRUE(start());
    EXPECT_TRUE(enterProgramFolder());
    EXPECT_TRUE(enterProgramFolder());
    EXPECT_EQ(programFolder(), home.filePath(QStringLiteral("sub")));
}

TEST_F(Startup, ShippedFilesAreFoundBesideTheProgramFirst) {
    const QString beside = QCoreApplication::applicationDirPath() + QStringLiteral("/ravelin-shipped-test.txt");
    const DesktopEnvironment desktop;
    ASSERT_TRUE(QDir(desktop.root.path()).mkpath(QStringLiteral("data/ravelin")));
    desktop.write(QStringLiteral("data/ravelin/ravelin-shipped-test.txt"), "");
    const QString installed = desktop.root.filePath(QStringLiteral("data/ravelin/ravelin-shipped-test.txt"));
    EXPECT_EQ(sharedFile(QStringLiteral("ravelin-shipped-test.txt")), installed);
    QFile(beside).open(QIODevice::WriteOnly);
    EXPECT_EQ(sharedFile(QStringLiteral("ravelin-shipped-test.txt")), beside);
    QFile::remove(beside);
}

}  // namespace
