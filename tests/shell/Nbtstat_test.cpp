// The NBTSTAT lookup: its two checks, the argument vector a hostile computer
// name ends up in, and what the terminal's command really passes on.
#include "base/ProgramFolder.h"
#include "base/UserListModel.h"
#include "settings/SettingsWindow.h"
#include "shell/Nbtstat.h"
#include "tests/support/DesktopEnvironment.h"
#include "tests/support/MainWindowHarness.h"

#include <QAction>
#include <QProcess>
#include <QTest>
#include <QRadioButton>
#include <QToolButton>
#include <QTreeView>

#include <gtest/gtest.h>

namespace {

const QStringList kHostileNames{QStringLiteral("PC;rm -rf ~"), QStringLiteral("$(id)"), QStringLiteral("-x"),
                                QStringLiteral("PC 1 'a\" `b`"), QStringLiteral("--help")};

class Nbtstat : public ::testing::Test, public MainWindowHarness {
protected:
    void SetUp() override {
        terminal = desktop.addProgram(QStringLiteral("x-terminal-emulator"));
        ASSERT_TRUE(start());
    }

    void selectComputer(const QString& name) {
        window->users().clear();
        window->users().appendRow({name});
        window->selectUserRow(0);
    }

    DesktopEnvironment desktop;
    QString terminal;
};

TEST_F(Nbtstat, NeedsARowAndASelection) {
    controls().nbtstatAction->trigger();
    window->users().appendRow({QStringLiteral("PC1")});
    controls().nbtstatButton->click();
    ASSERT_EQ(boxes.shown.size(), 2u);
    EXPECT_EQ(boxes.shown[0].request.title, QStringLiteral("No Computer Names To Select"));
    EXPECT_EQ(boxes.shown[0].request.text, QStringLiteral("There are no LDB Users to select that will allow you to "
                                                          "run the Command Prompt 'NBSTAT' command."));
    EXPECT_EQ(boxes.shown[1].request.title, QStringLiteral("No Computer Name Selected"));
    EXPECT_EQ(boxes.shown[1].request.text,
              QStringLiteral("There is no LDB User selected to run the Command Prompt 'NBSTAT' command."));
    EXPECT_EQ(boxes.shown[1].request.icon, MsgIcon::Exclamation);
    EXPECT_TRUE(programs.started.empty());
}

TEST_F(Nbtstat, AHostileNameIsOneArgumentAfterTheEndOfOptions) {
    for (const QString& name : kHostileNames) {
        selectComputer(name);
        QDir::setCurrent(QDir::tempPath());
        controls().nbtstatAction->trigger();
        ASSERT_FALSE(programs.started.empty());
        const auto& run = programs.started.back();
        EXPECT_EQ(run.program, terminal);
        EXPECT_EQ(run.arguments, QStringList{QStringLiteral("-e")} + nodeStatusCommand(name));
        EXPECT_EQ(run.arguments.mid(run.arguments.size() - 2), QStringList({QStringLiteral("--"), name}));
        EXPECT_EQ(run.workingDirectory, QStringLiteral("/"));
        EXPECT_EQ(QDir::currentPath(), QDir(programFolder()).canonicalPath());
    }
    EXPECT_EQ(programs.started.size(), static_cast<std::size_t>(kHostileNames.size()));
    EXPECT_TRUE(boxes.shown.empty());
}

TEST_F(Nbtstat, WithoutATerminalProgramABoxSaysWhatWasTried) {
    qputenv("PATH", QFile::encodeName(desktop.binFolder()));
    ASSERT_TRUE(QFile::remove(terminal));
    selectComputer(QStringLiteral("PC1"));
    controls().nbtstatAction->trigger();
    EXPECT_TRUE(programs.started.empty());
    ASSERT_EQ(boxes.shown.size(), 1u);
    EXPECT_EQ(boxes.last().text, QStringLiteral("No terminal program was found to run the NBTSTAT lookup in. Tried: "
                                                "x-terminal-emulator, gnome-terminal, konsole, xfce4-terminal, xterm."));
}

TEST_F(Nbtstat, NamesWithControlCharactersAreRefused) {
    for (const QString& name : {QStringLiteral("PC\n1"), QStringLiteral("PC\x1b[2J"), QStringLiteral("PC\t")}) {
        selectComputer(name);
        controls().nbtstatAction->trigger();
    }
    EXPECT_TRUE(programs.started.empty());
    ASSERT_EQ(boxes.shown.size(), 3u);
    EXPECT_EQ(boxes.last().title, QStringLiteral("Invalid Computer Name"));
}

// The command the terminal runs, run for real with a stand-in nmblookup that
// records its arguments: the name arrives whole and is never executed.
TEST_F(Nbtstat, TheTerminalCommandPassesTheNameUntouched) {
    const QString record = desktop.root.filePath(QStringLiteral("args"));
    desktop.addProgram(QStringLiteral("nmblookup"), "#!/bin/sh\nprintf '%s\\n' \"$@\" > \"$RECORD\"\n");
    for (const QString& name : kHostileNames) {
        QStringList command = nodeStatusCommand(name);
        QProcess p;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("RECORD"), record);
        env.insert(QStringLiteral("SHELL"), QStringLiteral("/bin/true"));  // the shell left open ends at once
        p.setProcessEnvironment(env);
        p.setWorkingDirectory(desktop.root.path());
        p.start(command.takeFirst(), command);
        ASSERT_TRUE(p.waitForFinished(10000));
        QFile f(record);
        ASSERT_TRUE(f.open(QIODevice::ReadOnly));
        EXPECT_EQ(QString::fromUtf8(f.readAll()), QStringLiteral("-S\n--\n") + name + QChar('\n'));
    }
}

// Through the mouse, on the empty list's blank area and on a row.
TEST_F(Nbtstat, DoubleClickRunsTheLookupWhenChosen) {
    window->settingsStore().update([&](Settings& s) { s.doubleClickGoesToComputer = false; });
    window->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(window.get()));
    QTreeView* list = controls().userList;
    QWidget* area = list->viewport();
    QTest::mouseDClick(area, Qt::LeftButton, {}, QPoint(10, 10));
    ASSERT_EQ(boxes.shown.size(), 1u);
    EXPECT_EQ(boxes.last().title, QStringLiteral("No Computer Names To Select"));

    selectComputer(QStringLiteral("PC7"));
    QTest::mouseDClick(area, Qt::LeftButton, {}, list->visualRect(window->users().index(0, 0)).center());
    ASSERT_EQ(programs.started.size(), 1u);
    EXPECT_EQ(programs.started[0].arguments.last(), QStringLiteral("PC7"));

    window->settingsStore().update([&](Settings& s) { s.doubleClickGoesToComputer = true; });
    window->actOnSelectedUser();
    EXPECT_EQ(programs.started.size(), 1u);
}

}  // namespace
