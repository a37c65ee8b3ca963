// Closing windows by title on a real X display (Xvfb), with real windows of
// other processes: the help viewer and a plain titled window.
#include "shell/Help.h"
#include "shell/KillApp.h"
#include "shell/X11Windows.h"
#include "tests/shell/Xvfb.h"
#include "tests/support/DesktopEnvironment.h"
#include "tests/support/MainWindowHarness.h"
#include "tests/support/MustRun.h"

#include <QAction>
#include <QProcess>
#include <QThread>

#include <gtest/gtest.h>

#include <memory>

namespace {

class ClosingByTitle : public ::testing::Test {
protected:
    static void SetUpTestSuite() { xvfb = std::make_unique<Xvfb>(); }
    static void TearDownTestSuite() { xvfb.reset(); }

    void SetUp() override {
        if (xvfb->display().isEmpty())
            SKIP_UNLESS_CI() << "Xvfb (Debian package xvfb) is not installed: the X11 window tests need it";
        qputenv("DISPLAY", xvfb->display().toLocal8Bit());
    }

    void TearDown() override {
        for (auto& p : processes) {
            p->kill();
            p->waitForFinished(5000);
        }
    }

    QProcess* startProcess(const QString& program, const QStringList& args) {
        auto p = std::make_unique<QProcess>();
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("xcb"));
        env.insert(QStringLiteral("LSAN_OPTIONS"), QStringLiteral("suppressions=" RAVELIN_LSAN_SUPPRESSIONS));
        p->setProcessEnvironment(env);
        p->start(program, args);
        EXPECT_TRUE(p->waitForStarted(5000));
        processes.push_back(std::move(p));
        return processes.back().get();
    }

    QProcess* startViewer() {
        return startProcess(QStringLiteral(RAVELIN_HELP_VIEWER), {QStringLiteral(RAVELIN_HELP_PAGES "/index.html")});
    }
    QProcess* startWindow(const QString& title, const char* kind = "utf8") {
        return startProcess(QStringLiteral(RAVELIN_TITLED_WINDOW), {title, QString::fromLatin1(kind)});
    }
    // Counts `p` among the programs this one started, as the Help command does.
    static QProcess* tracked(QProcess* p, const char* program, const QString& title = kHelpTitle) {
        KillApp::trackStartedWindow(p->processId(), QString::fromLatin1(program), title);
        return p;
    }

    // Waits (10 s at most) until `count` windows titled `title` are shown.
    static bool waitForWindows(const QString& title, int count) {
        for (int i = 0; i < 500; ++i) {
            X11Windows display;
            int found = 0;
            for (const std::uint32_t w : display.topLevelWindows())
                found += display.title(w) == title ? 1 : 0;
            if (found >= count)
                return true;
            QThread::msleep(20);
        }
        return false;
    }

    // The display and the titles of its windows, for a failure message.
    static std::string dump() {
        X11Windows display;
        std::string out = qgetenv("DISPLAY").toStdString() + (display.connected() ? " connected" : " unreachable") +
                          (xvfb->running() ? ", server running" : ", server ended");
        for (const std::uint32_t w : display.topLevelWindows())
            out += " [" + display.title(w).toStdString() + "]";
        return out;
    }

    // What the started programs said, for a failure message.
    std::string said() {
        std::string out;
        for (auto& p : processes) {
            p->waitForFinished(0);
            out += " [" + p->readAllStandardError().toStdString() + "]";
        }
        return out;
    }

    static bool ended(QProcess* p) { return p->state() == QProcess::NotRunning || p->waitForFinished(5000); }

    static inline std::unique_ptr<Xvfb> xvfb;
    DesktopEnvironment desktop;  // restores DISPLAY afterwards
    std::vector<std::unique_ptr<QProcess>> processes;
};

TEST_F(ClosingByTitle, TwoHelpViewersAreBothClosed) {
    FakePlatform platform;
    QProcess* first = tracked(startViewer(), RAVELIN_HELP_VIEWER);
    ASSERT_TRUE(waitForWindows(kHelpTitle, 1)) << dump() << said();
    QProcess* second = tracked(startViewer(), RAVELIN_HELP_VIEWER);
    ASSERT_TRUE(waitForWindows(kHelpTitle, 2)) << dump() << said();
    KillApp::CloseStarted(kHelpTitle);
    EXPECT_TRUE(ended(first));
    EXPECT_TRUE(ended(second));
    EXPECT_EQ(first->exitCode(), 0) << first->readAllStandardError().toStdString();
    EXPECT_FALSE(KillApp::FindWindow(kHelpTitle));
    EXPECT_TRUE(platform.boxes.shown.empty());
}

TEST_F(ClosingByTitle, TitlesMatchOnTheirFirst255CharactersLetterCaseCounting) {
    FakePlatform platform;
    const QString within = QString(243, QChar('x')) + kHelpTitle + QString(45, QChar('y'));  // 300 characters
    const QString beyond = QString(250, QChar('x')) + kHelpTitle + QString(38, QChar('y'));
    QProcess* around = tracked(startWindow(QStringLiteral("Docs - Ravelin Help - page 2")), RAVELIN_TITLED_WINDOW);
    QProcess* legacy = tracked(startWindow(kHelpTitle, "legacy"), RAVELIN_TITLED_WINDOW);
    QProcess* long255 = tracked(startWindow(within), RAVELIN_TITLED_WINDOW);
    QProcess* lower = tracked(startWindow(QStringLiteral("ravelin help")), RAVELIN_TITLED_WINDOW);
    QProcess* part = tracked(startWindow(QStringLiteral("Help")), RAVELIN_TITLED_WINDOW);
    QProcess* cut = tracked(startWindow(beyond, "legacy"), RAVELIN_TITLED_WINDOW);
    for (const QString& title : {QStringLiteral("Docs - Ravelin Help - page 2"), kHelpTitle, within,
                                 QStringLiteral("ravelin help"), QStringLiteral("Help"), beyond})
        ASSERT_TRUE(waitForWindows(title, 1)) << title.toStdString();

    KillApp::CloseStarted(kHelpTitle);
    EXPECT_TRUE(ended(around));
    EXPECT_TRUE(ended(legacy));
    EXPECT_TRUE(ended(long255));
    QThread::msleep(100);
    EXPECT_EQ(lower->state(), QProcess::Running);
    EXPECT_EQ(part->state(), QProcess::Running);
    EXPECT_EQ(cut->state(), QProcess::Running);
    EXPECT_TRUE(platform.boxes.shown.empty());
}

TEST_F(ClosingByTitle, OpenHelpIsRecognisedByItsExactTitleAndClosedAtShutDown) {
    MainWindowHarness program;
    ASSERT_TRUE(program.start());
    desktop.addProgram(QStringLiteral("ravelin-help"));
    desktop.installShared(QStringLiteral(RAVELIN_HELP_PAGES), QStringLiteral("help"));

    // Another title is not the help viewer: the help is opened.
    startWindow(QStringLiteral("Ravelin Help 2"));
    ASSERT_TRUE(waitForWindows(QStringLiteral("Ravelin Help 2"), 1));
    program.controls().helpAction->trigger();
    EXPECT_EQ(program.programs.started.size(), 1u);

    // The viewer the Help command started (the fake launcher started none),
    // and another program's window whose title holds the help's.
    QProcess* viewer = tracked(startViewer(), RAVELIN_HELP_VIEWER);
    QProcess* notes = startWindow(QStringLiteral("Notes on Ravelin Help.txt"));
    ASSERT_TRUE(waitForWindows(kHelpTitle, 1));
    ASSERT_TRUE(waitForWindows(QStringLiteral("Notes on Ravelin Help.txt"), 1));
    const std::size_t boxesBefore = program.boxes.shown.size();
    program.controls().helpAction->trigger();
    program.controls().helpAction->trigger();
    ASSERT_EQ(program.boxes.shown.size(), boxesBefore + 2);
    EXPECT_EQ(program.boxes.last().title, QStringLiteral("Help Is Already Open"));
    EXPECT_EQ(program.programs.started.size(), 1u);

    program.stop();
    EXPECT_TRUE(ended(viewer));
    EXPECT_EQ(notes->state(), QProcess::Running);
}

}  // namespace
