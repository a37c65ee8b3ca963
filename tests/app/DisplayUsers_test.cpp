// The display-users command: its checks, its error trap, the read modes and
// the user list's columns.
#include "base/DatabasePathModel.h"
#include "base/Twips.h"
#include "settings/SettingsWindow.h"
#include "tests/support/MainWindowHarness.h"

#include <QCheckBox>
#include <QHeaderView>
#include <QLineEdit>
#include <QListView>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>
#include <QTreeView>

#include <gtest/gtest.h>

namespace {

class DisplayUsers : public ::testing::Test, public MainWindowHarness {
protected:
    void SetUp() override {
        writeHomeFile("sales.mdb", "not read by the check");
        ASSERT_TRUE(start());
    }
    void addRow(const QString& text) { window->users().appendRow({text}); }
    QStringList headers() const {
        QStringList out;
        for (int i = 0; i < window->users().columnCount(); ++i)
            out << window->users().headerData(i, Qt::Horizontal).toString();
        return out;
    }
};

// The command's checks, before any reading: each stops it with a box, empties
// the list and leaves the pointer alone. A workgroup path is needed in both
// read modes.
TEST_F(DisplayUsers, EachCheckStopsTheCommandWithItsBox) {
    writeHomeFile(".hidden.mdb", "a hidden file");
    const QString notFound = QStringLiteral("Database Not Found");
    const QString noWorkgroup = QStringLiteral("You must connect via a valid workgroup file.");
    struct Case {
        QString path, workgroup;
        int mode;
        QString text, title;
    };
    const Case cases[] = {
        {{}, "/wg/a.mdw", 0, "You must select a database", "No Database Selected"},
        {home.path() + "/gone.mdb", "/wg/a.mdw", 0,
         "Couldn't find file '" + home.path() + "/gone.mdb', please try again", notFound},
        {home.path(), "/wg/a.mdw", 0, "Couldn't find file '" + home.path() + "', please try again", notFound},
        {homeFile(".hidden.mdb"), "/wg/a.mdw", 0,
         "Couldn't find file '" + homeFile(".hidden.mdb") + "', please try again", notFound},
        {homeFile("sales.mdb"), {}, 0, noWorkgroup, "Workgroup File Not Found"},
        {homeFile("sales.mdb"), {}, 1, noWorkgroup, "Workgroup File Not Found"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text.toStdString());
        boxes.shown.clear();
        addRow("OLD");
        window->setSelectedDatabasePath(c.path);
        window->settingsStore().update([&](Settings& s) { s.workgroupPath = c.workgroup; });
        controls().readModeChoice[c.mode]->click();
        window->setCursor(Qt::CrossCursor);
        window->showUsers();
        ASSERT_EQ(boxes.shown.size(), 1u);
        EXPECT_EQ(boxes.last().text, c.text);
        EXPECT_EQ(boxes.last().title, c.title);
        EXPECT_EQ(boxes.last().icon, MsgIcon::Information);
        EXPECT_EQ(window->users().rowCount(), 0);
        EXPECT_EQ(window->cursor().shape(), Qt::CrossCursor);
    }
}

TEST_F(DisplayUsers, AReaderFailureReachesTheErrorTrapAndRestoresTheArrow) {
    // A workgroup file that does not exist passes the check.
    window->settingsStore().update([&](Settings& s) { s.workgroupPath = home.path() + "/none.mdw"; });
    window->setSelectedDatabasePath(homeFile("sales.mdb"));
    window->setCursor(Qt::CrossCursor);
    window->showUsers();
    ASSERT_EQ(boxes.shown.size(), 1u);
    EXPECT_TRUE(boxes.last().text.contains(QStringLiteral("workgroup information file is missing")))
        << boxes.last().text.toStdString();
    EXPECT_EQ(boxes.last().title, QStringLiteral("Ravelin"));
    EXPECT_EQ(boxes.last().icon, MsgIcon::Critical);
    EXPECT_EQ(window->cursor().shape(), Qt::ArrowCursor);
    window->refreshTick();  // the failed refresh is over: the next tick refreshes
    EXPECT_EQ(boxes.shown.size(), 2u);
}

TEST_F(DisplayUsers, ColumnsFollowTheReadMode) {
    EXPECT_EQ(headers(), QStringList({"Computer Name", "Security Name", "Connected", "Suspect", "User Name",
                                      "Contact", "Email"}));
    const int wide = twipsToPixelsX(window.get(), 2500);
    const int narrow = twipsToPixelsX(window.get(), 1400);
    EXPECT_EQ(controls().userList->columnWidth(0), wide);
    EXPECT_EQ(controls().userList->columnWidth(2), narrow);
    EXPECT_EQ(controls().userList->columnWidth(3), narrow);
    EXPECT_EQ(controls().userList->columnWidth(6), wide);

    addRow("KEPT");
    controls().readModeChoice[1]->click();
    EXPECT_EQ(headers(), QStringList({"Computer Name", "Security Name", "User Name", "Contact", "Email"}));
    for (int i = 0; i < 5; ++i)
        EXPECT_EQ(controls().userList->columnWidth(i), wide);
    // Rows from the last run stay until the next run replaces them.
    EXPECT_EQ(window->users().rowCount(), 1);

    controls().readModeChoice[0]->click();
    EXPECT_EQ(window->users().columnCount(), 7);
}

TEST_F(DisplayUsers, ModeSwitchEnablesTheControlsOfTheMode) {
    for (const int mode : {1, 0}) {
        controls().readModeChoice[mode]->click();
        const bool lockFile = mode == 1;
        EXPECT_TRUE(controls().readModeChoice[mode]->font().bold());
        EXPECT_FALSE(controls().readModeChoice[1 - mode]->font().bold());
        for (QRadioButton* o : controls().lockFileChoice)
            EXPECT_EQ(o->isEnabled(), lockFile);
        EXPECT_EQ(controls().allPossibleCheck->isEnabled(), lockFile);
        EXPECT_EQ(controls().userNameEdit->isEnabled(), !lockFile);
        EXPECT_EQ(controls().passwordEdit->isEnabled(), !lockFile);
    }
}

TEST_F(DisplayUsers, LockFileOptionsSetTheirValues) {
    controls().readModeChoice[1]->click();
    controls().lockFileChoice[0]->click();
    EXPECT_EQ(window->lockFileOption, 1);
    controls().lockFileChoice[2]->click();
    EXPECT_EQ(window->lockFileOption, 4);
    controls().lockFileChoice[1]->click();
    EXPECT_EQ(window->lockFileOption, 2);
    window->chooseLockFileOption(7);
    EXPECT_EQ(window->lockFileOption, 2);
}

TEST_F(DisplayUsers, EveryRouteRunsTheSameCommand) {
    stop();
    writeHomeFile("ravelin.set", "1\r\n/d/a.mdb\r\n");
    ASSERT_TRUE(start());
    window->show();
    window->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(window.get()));

    const QString noSelection = QStringLiteral("You must select a database");
    QTest::keyClick(window.get(), Qt::Key_F5);
    ASSERT_EQ(boxes.shown.size(), 1u);
    EXPECT_EQ(boxes.last().text, noSelection);
    controls().displayUsersButton->click();
    EXPECT_EQ(boxes.shown.size(), 2u);
    controls().displayUsersAction->trigger();
    EXPECT_EQ(boxes.shown.size(), 3u);
    EXPECT_EQ(boxes.last().text, noSelection);

    // A double-click on a path runs the command for the path it selected.
    window->selectDatabaseIndex(0);
    emit controls().databaseList->doubleClicked(window->databasePaths().index(0));
    EXPECT_EQ(boxes.last().text, QStringLiteral("Couldn't find file '/d/a.mdb', please try again"));
}

}  // namespace
