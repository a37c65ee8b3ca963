// The user name window on a real X display (Xvfb) under a real window manager
// (openbox): focus moves between the program's windows as the user moves it,
// by clicks the window manager handles, while monitoring ticks.
#include "tests/shell/Xvfb.h"
#include "tests/support/MustRun.h"
#include "tests/usernames/Oracles.h"
#include "tests/usernames/UserDatabaseTesting.h"

#include "jet/lockfile/LockFile.h"

#include <QApplication>
#include <QDir>
#include <QListView>
#include <QProcess>
#include <QSignalSpy>

namespace {

QString missing;  // why the display or its window manager could not be started

class FocusUnderWindowManager : public ::testing::Test, public UserDatabaseHarness {
protected:
    // A real click of the pointer on `at` in `w` (its middle by default), through the X server.
    static void click(QWidget* w, QPoint at = {}) {
        at = w->mapToGlobal(at.isNull() ? w->rect().center() : at);
        QProcess::execute(QStringLiteral("xdotool"), {QStringLiteral("mousemove"), QStringLiteral("--sync"),
                                                      QString::number(at.x()), QString::number(at.y()),
                                                      QStringLiteral("click"), QStringLiteral("1")});
    }
    static bool activates(QWidget* w) {
        return QTest::qWaitFor([&] { return QApplication::activeWindow() == w; }, 5000);
    }
    bool tick() { return QSignalSpy(controls().refreshTimer, &QTimer::timeout).wait(5000); }
};

// Item 1 as a user met it: the record picked stays while the main window has
// the focus and the timer ticks; the typing lands on it, not on the last
// computer the monitoring found.
TEST_F(FocusUnderWindowManager, TypingAfterFocusWentToTheMainWindowLandsOnThePickedRecord) {
    if (!missing.isEmpty())
        SKIP_UNLESS_CI() << missing.toStdString();
    const QString path = homeFile("names.mdb");
    makeUserDatabase(path, {{"PC-ANN", "Ann", "x1", "ann@example.com"},
                            {"PC-BOB", "Bob", "x2", "bob@example.com"},
                            {"PC-EVE", "Eve", "x3", "eve@example.com"}});
    ASSERT_TRUE(startWith(path));
    QByteArray lock;
    for (const char* computer : {"PC-ANN", "PC-EVE", "PC-BOB"}) {  // PC-BOB found last
        const auto slot = jet::encodeLockSlot(computer, "Admin");
        lock.append(reinterpret_cast<const char*>(slot.data()), qsizetype(slot.size()));
    }
    writeHomeFile("shared.ldb", lock);
    writeHomeFile("shared.mdb", "database");
    controls().readModeChoice[1]->click();
    controls().lockFileChoice[0]->click();  // every user the lock file lists
    window->setSelectedDatabasePath(homeFile("shared.mdb"));
    window->setMonitorInterval(100, QStringLiteral("100"));
    window->move(0, 0);
    window->show();
    window->showUserDatabase();
    data()->move(window->frameGeometry().right() - data()->frameGeometry().width(), 0);
    ASSERT_TRUE(QTest::qWaitForWindowExposed(data()));
    auto* names = data()->findChild<QListView*>();
    const int eve = data()->findComputerName(QStringLiteral("PC-EVE"));
    click(names->viewport(), names->visualRect(names->model()->index(eve, 0)).center());
    ASSERT_TRUE(activates(data()));
    ASSERT_EQ(data()->nameIndex(), eve);
    controls().autoMonitorCheck->setChecked(true);
    QWidget* list = controls().databaseList;
    ASSERT_FALSE(data()->frameGeometry().contains(list->mapToGlobal(list->rect().center())));
    click(list);
    ASSERT_TRUE(activates(window.get()));
    for (int i = 0; i < 3; ++i)
        ASSERT_TRUE(tick());

    click(data()->fieldBox(3));
    ASSERT_TRUE(activates(data()));
    QLineEdit* email = data()->fieldBox(3);
    email->selectAll();
    QTest::keyClick(email, Qt::Key_Backspace);
    QTest::keyClicks(email, QStringLiteral("eve@new.example"));
    data()->click(UserNameWindow::Command::Save);
    EXPECT_TRUE(boxes.shown.empty()) << boxes.texts().join('\n').toStdString();
    EXPECT_EQ(oracle::mdbExportRows(path).join('\n').toStdString(),
              "PC-ANN|Ann|x1|ann@example.com\nPC-BOB|Bob|x2|bob@example.com\nPC-EVE|Eve|x3|eve@new.example");
}

}  // namespace

// Starts the display and its window manager before the application connects to it.
int main(int argc, char** argv) {
    Xvfb xvfb;
    pid_t openbox = 0;
    const QString ready = QDir::temp().filePath(QStringLiteral("ravelin-openbox-%1").arg(::getpid()));
    const QByteArray startup = "touch " + QFile::encodeName(ready);
    const char* args[] = {"openbox", "--sm-disable", "--startup", startup.constData(), nullptr};
    if (xvfb.display().isEmpty())
        missing = QStringLiteral("Xvfb (Debian package xvfb) is missing or did not start");
    else if (qputenv("DISPLAY", xvfb.display().toLocal8Bit());
             posix_spawnp(&openbox, "openbox", nullptr, nullptr, const_cast<char**>(args), environ) != 0)
        missing = QStringLiteral("openbox (Debian package openbox) is missing");
    else if (QStandardPaths::findExecutable(QStringLiteral("xdotool")).isEmpty())
        missing = QStringLiteral("xdotool (Debian package xdotool) is missing");
    for (int i = 0; i < 250 && openbox > 0 && !QFile::exists(ready); ++i)
        ::usleep(20000);
    if (missing.isEmpty() && !QFile::remove(ready))
        missing = QStringLiteral("openbox did not start");
    qputenv("QT_QPA_PLATFORM", missing.isEmpty() ? "xcb" : "offscreen");
    int failed = 0;
    {
        QApplication app(argc, argv);
        ::testing::InitGoogleTest(&argc, argv);
        failed = RUN_ALL_TESTS();
    }
    if (openbox > 0) {
        ::kill(openbox, SIGTERM);
        ::waitpid(openbox, nullptr, 0);
    }
    return failed;
}
