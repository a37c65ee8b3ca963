// Handing files to other programs: result codes and their texts, the
// desktop's default applications, the Help command and the web site.
#include "shell/DesktopApps.h"
#include "shell/Help.h"
#include "shell/KillApp.h"
#include "shell/WebSite.h"
#include "shell/OpenDocument.h"
#include "tests/support/DesktopEnvironment.h"
#include "tests/support/MainWindowHarness.h"

#include <QAction>
#include <QToolButton>

#include <gtest/gtest.h>

namespace {

class ShellExec : public ::testing::Test, public FakePlatform {
protected:
    DesktopEnvironment desktop;
};

TEST_F(ShellExec, ErrorTextsOfTheResultCodes) {
    for (const int code : {0, 4, -1, 12, 32}) {
        EXPECT_EQ(launchErrorText(code, true), QStringLiteral("Unknown error")) << code;
        EXPECT_EQ(boxes.last().title, QStringLiteral("Error:"));
        EXPECT_EQ(boxes.last().icon, MsgIcon::Critical);
    }
    EXPECT_EQ(launchErrorText(2, false), QStringLiteral("File not found"));
    EXPECT_EQ(launchErrorText(31, false), QStringLiteral("No association for file extension"));
    const std::size_t shown = boxes.shown.size();
    EXPECT_EQ(launchErrorText(33, true), QString());
    EXPECT_EQ(boxes.shown.size(), shown);
}

TEST_F(ShellExec, LaunchFailuresMapOntoTheCodes) {
    const QString file = desktop.root.filePath(QStringLiteral("notes.txt"));
    desktop.write(QStringLiteral("notes.txt"), "x");
    const QString program = desktop.addProgram(QStringLiteral("viewer"));

    EXPECT_EQ(openDocument(desktop.root.filePath(QStringLiteral("gone.txt")), QString(), program), 2);
    EXPECT_EQ(openDocument(desktop.root.filePath(QStringLiteral("no/such/folder.txt")), QString(), program), 3);
    EXPECT_EQ(openDocument(file, desktop.root.filePath(QStringLiteral("nowhere")), program), 3);
    EXPECT_EQ(openDocument(file, QString(), desktop.root.filePath(QStringLiteral("bin/missing"))), 31);
    QFile::setPermissions(program, QFile::ReadOwner);
    EXPECT_EQ(openDocument(file, QString(), program), 5);
    EXPECT_TRUE(programs.started.empty());

    QFile::setPermissions(program, QFile::ReadOwner | QFile::ExeOwner);
    programs.succeed = false;
    EXPECT_EQ(openDocument(file, QString(), program), 11);
    programs.succeed = true;
    EXPECT_GE(openDocument(file, QString(), program), 33);
    EXPECT_EQ(programs.started.back().program, program);
    EXPECT_EQ(programs.started.back().arguments, QStringList{file});
}

TEST_F(ShellExec, DefaultApplicationsComeFromTheDesktopFiles) {
    const QString editor = desktop.addProgram(QStringLiteral("my editor"));
    desktop.setDefaultApplication(QStringLiteral("text/plain"), QStringLiteral("edit.desktop"),
                                  '"' + editor.toUtf8() + "\" --file=%f %i %c %%x");
    const QString file = desktop.root.filePath(QStringLiteral("a b.txt"));
    desktop.write(QStringLiteral("a b.txt"), "x");
    EXPECT_GE(openDocument(file, QString()), 33);
    ASSERT_EQ(programs.started.size(), 1u);
    EXPECT_EQ(programs.started.back().program, editor);
    EXPECT_EQ(programs.started.back().arguments,
              QStringList({QStringLiteral("--file=") + file, QStringLiteral("%x")}));

    EXPECT_EQ(execArguments(QStringLiteral("gedit"), QStringLiteral("/f")),
              QStringList({QStringLiteral("gedit"), QStringLiteral("/f")}));
    EXPECT_EQ(execArguments(QStringLiteral("a \"b\\\"c\" %U"), QStringLiteral("/f")),
              QStringList({QStringLiteral("a"), QStringLiteral("b\"c"), QStringLiteral("/f")}));
    EXPECT_TRUE(execArguments(QStringLiteral("a \"unclosed"), QStringLiteral("/f")).isEmpty());

    // An application that runs in a terminal gets one.
    const QString terminal = desktop.addProgram(QStringLiteral("x-terminal-emulator"));
    desktop.setDefaultApplication(QStringLiteral("text/plain"), QStringLiteral("vim.desktop"), "vim %F", true);
    EXPECT_EQ(defaultApplicationCommand(QStringLiteral("text/plain"), file),
              QStringList({terminal, QStringLiteral("-e"), QStringLiteral("vim"), file}));
}

class HelpCommand : public ::testing::Test, public MainWindowHarness {
protected:
    void SetUp() override { ASSERT_TRUE(start()); }

    QString installHelp() const {
        return desktop.installShared(QStringLiteral(RAVELIN_HELP_PAGES), QStringLiteral("help")) +
               QStringLiteral("/index.html");
    }

    DesktopEnvironment desktop;
};

TEST_F(HelpCommand, OpensTheContentsPageInTheViewer) {
    const QString viewer = desktop.addProgram(QStringLiteral("ravelin-help"));
    const QString contents = installHelp();
    controls().helpButton->click();
    EXPECT_TRUE(boxes.shown.empty());
    ASSERT_EQ(programs.started.size(), 1u);
    EXPECT_EQ(programs.started[0].program, viewer);
    EXPECT_EQ(programs.started[0].arguments, QStringList{contents});
}

TEST_F(HelpCommand, AMissingHelpFileSaysFileNotFound) {
    desktop.addProgram(QStringLiteral("ravelin-help"));
    ASSERT_TRUE(QFile::remove(installHelp()));
    controls().helpAction->trigger();
    ASSERT_EQ(boxes.shown.size(), 1u);
    EXPECT_EQ(boxes.last().title, QStringLiteral("Error:"));
    EXPECT_EQ(boxes.last().text, QStringLiteral("File not found"));
    EXPECT_TRUE(programs.started.empty());
}

// Without a display to list windows on, the viewers this program started
// are the ones it knows: a running one counts as open, and shut-down ends it.
TEST_F(HelpCommand, WithoutADisplayTheStartedViewerIsFoundAndClosed) {
    setLauncher(nullptr);  // a real viewer, drawing off screen
    struct EndViewers {
        ~EndViewers() { KillApp::CloseStarted(kHelpTitle); }  // also when the test fails half-way
    } endViewers;
    ASSERT_TRUE(QFile::link(QStringLiteral(RAVELIN_HELP_VIEWER), desktop.binFolder() + QStringLiteral("/ravelin-help")));
    installHelp();
    controls().helpAction->trigger();
    ASSERT_TRUE(boxes.shown.empty()) << boxes.last().text.toStdString();
    EXPECT_TRUE(KillApp::FindWindow(kHelpTitle));
    controls().helpAction->trigger();
    controls().helpAction->trigger();
    ASSERT_EQ(boxes.shown.size(), 2u);
    for (const auto& shown : boxes.shown) {
        EXPECT_EQ(shown.request.title, QStringLiteral("Help Is Already Open"));
        EXPECT_EQ(shown.request.text, QStringLiteral("Ravelin Help Is Already Open."));
        EXPECT_EQ(shown.request.icon, MsgIcon::Exclamation);
    }
    stop();
    EXPECT_FALSE(KillApp::FindWindow(kHelpTitle));
}

TEST_F(HelpCommand, TheWebSiteOpensInTheBrowserAndFailsSilently) {
    programs.succeed = false;
    controls().webSiteAction->trigger();
    EXPECT_EQ(programs.opened, QStringList{webSiteAddress()});
    EXPECT_TRUE(webSiteAddress().startsWith(QStringLiteral("http")));
    EXPECT_TRUE(boxes.shown.empty());
}

}  // namespace
