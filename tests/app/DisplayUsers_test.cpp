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
#include <QTreeWidget>

#include <gtest/gtest.h>

namespace {

class DisplayUsers : public ::testing::Test, public MainWindowHarness {
protected:
    void SetUp() override {
        writeHomeFile("sales.mdb", "not read by the check");
        ASSERT_TRUE(start());
    }
    void addRow(const QString& text) { window->userList->addTopLevelItem(new QTreeWidgetItem({text})); }
    QStringList headers() const {
        QStringList out;
        for (int i = 0; i < window->userList->columnCount(); ++i)
            out << window->userList->headerItem()->text(i);
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
        window->readModeChoice[c.mode]->click();
        window->setCursor(Qt::CrossCursor);
        window->showUsers();
        ASSERT_EQ(boxes.shown.size(), 1u);
        EXPECT_EQ(boxes.last().text, c.text);
        EXPECT_EQ(boxes.last().title, c.title);
        EXPECT_EQ(boxes.last().icon, MsgIcon::Information);
        EXPECT_EQ(window->userList->topLevelItemCount(), 0);
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
    EXPECT_EQ(window->userList->columnWidth(0), wide);
    EXPECT_EQ(window->userList->columnWidth(2), narrow);
    EXPECT_EQ(window->userList->columnWidth(3), narrow);
    EXPECT_EQ(window->userList->columnWidth(6), wide);

    addRow("KEPT");
    window->readModeChoice[1]->click();
    EXPECT_EQ(headers(), QStringList({"Computer Name", "Security Name", "User Name", "Contact", "Email"}));
    for (int i = 0; i < 5; ++i)
        EXPECT_EQ(window->userList->columnWidth(i), wide);
    // Rows from the last run stay until the next run replaces them.
    EXPECT_EQ(window->userList->topLevelItemCount(), 1);

    window->readModeChoice[0]->click();
    EXPECT_EQ(window->userList->columnCount(), 7);
}

TEST_F(DisplayUsers, ModeSwitchEnablesTheControlsOfTheMode) {
    for (const int mode : {1, 0}) {
        window->readModeChoice[mode]->click();
        const bool lockFile = mode == 1;
        EXPECT_TRUE(window->readModeChoice[mode]->font().bold());
        EXPECT_FALSE(window->readModeChoice[1 - mode]->font().bold());
        for (QRadioButton* o : window->lockFileChoice)
            EXPECT_EQ(o->isEnabled(), lockFile);
        EXPECT_EQ(window->allPossibleCheck->isEnabled(), lockFile);
        EXPECT_EQ(window->userNameEdit->isEnabled(), !lockFile);
        EXPECT_EQ(window->passwordEdit->isEnabled(), !lockFile);
    }
}

TEST_F(DisplayUsers, LockFileOptionsSetTheirValues) {
    window->readModeChoice[1]->click();
    window->lockFileChoice[0]->click();
    EXPECT_EQ(window->lockFileOption, 1);
    window->lockFileChoice[2]->click();
    EXPECT_EQ(window->lockFileOption, 4);
    window->lockFileChoice[1]->click();
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
    window->displayUsersButton->click();
    EXPECT_EQ(boxes.shown.size(), 2u);
    window->displayUsersAction->trigger();
    EXPECT_EQ(boxes.shown.size(), 3u);
    EXPECT_EQ(boxes.last().text, noSelection);

    // A double-click on a path runs the command for the path it selected.
    window->selectDatabaseIndex(0);
    emit window->databaseList->doubleClicked(window->databasePaths().index(0));
    EXPECT_EQ(boxes.last().text, QStringLiteral("Couldn't find file '/d/a.mdb', please try again"));
}

}  // namespace
