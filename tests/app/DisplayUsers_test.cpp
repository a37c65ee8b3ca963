// The display-users command: its checks, its error trap, the read modes and
// the user list's columns.
#include "app/Twips.h"
#include "settings/frmSettings.h"
#include "tests/support/MainWindowHarness.h"

#include <QCheckBox>
#include <QHeaderView>
#include <QLineEdit>
#include <QListWidget>
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
    void addRow(const QString& text) { window->lvUsers->addTopLevelItem(new QTreeWidgetItem({text})); }
    QStringList headers() const {
        QStringList out;
        for (int i = 0; i < window->lvUsers->columnCount(); ++i)
            out << window->lvUsers->headerItem()->text(i);
        return out;
    }
};

TEST_F(DisplayUsers, NoSelectionIsReportedAndEmptiesTheListWithoutTouchingThePointer) {
    addRow("OLD");
    window->setCursor(Qt::CrossCursor);
    window->mnuDisplayUsers_Click();
    ASSERT_EQ(boxes.shown.size(), 1u);
    EXPECT_EQ(boxes.last().text, QStringLiteral("You must select a database"));
    EXPECT_EQ(boxes.last().title, QStringLiteral("No Database Selected"));
    EXPECT_EQ(boxes.last().icon, MsgIcon::Information);
    EXPECT_EQ(window->lvUsers->topLevelItemCount(), 0);
    EXPECT_EQ(window->cursor().shape(), Qt::CrossCursor);
}

TEST_F(DisplayUsers, AMissingFileAFolderOrAHiddenFileIsNotFound) {
    writeHomeFile(".hidden.mdb", "a hidden file");
    for (const QString& path : {home.path() + "/gone.mdb", home.path(), homeFile(".hidden.mdb")}) {
        addRow("OLD");
        window->setSelectedDatabasePath(path);
        window->mnuDisplayUsers_Click();
        EXPECT_EQ(boxes.last().text, QStringLiteral("Couldn't find file '") + path + QStringLiteral("', please try again"));
        EXPECT_EQ(boxes.last().title, QStringLiteral("Database Not Found"));
        EXPECT_EQ(boxes.last().icon, MsgIcon::Information);
        EXPECT_EQ(window->lvUsers->topLevelItemCount(), 0);
    }
}

TEST_F(DisplayUsers, AnEmptyWorkgroupPathStopsTheCommandInBothReadModes) {
    window->setSelectedDatabasePath(homeFile("sales.mdb"));
    window->settings()->txtWorkgroup->clear();
    for (int mode : {0, 1}) {
        window->optMode[mode]->click();
        window->mnuDisplayUsers_Click();
        EXPECT_EQ(boxes.last().text, QStringLiteral("You must connect via a valid workgroup file."));
        EXPECT_EQ(boxes.last().title, QStringLiteral("Workgroup File Not Found"));
        EXPECT_EQ(boxes.last().icon, MsgIcon::Information);
    }
    EXPECT_EQ(boxes.shown.size(), 2u);
}

TEST_F(DisplayUsers, AReaderFailureReachesTheErrorTrapAndRestoresTheArrow) {
    // A workgroup file that does not exist passes the check.
    window->settings()->txtWorkgroup->setText(home.path() + "/none.mdw");
    window->setSelectedDatabasePath(homeFile("sales.mdb"));
    window->setCursor(Qt::CrossCursor);
    window->mnuDisplayUsers_Click();
    ASSERT_EQ(boxes.shown.size(), 1u);
    EXPECT_TRUE(boxes.last().text.contains(QStringLiteral("workgroup information file is missing")))
        << boxes.last().text.toStdString();
    EXPECT_EQ(boxes.last().title, QStringLiteral("Ravelin"));
    EXPECT_EQ(boxes.last().icon, MsgIcon::Critical);
    EXPECT_EQ(window->cursor().shape(), Qt::ArrowCursor);
    EXPECT_FALSE(window->refreshRunning());
}

TEST_F(DisplayUsers, ColumnsFollowTheReadMode) {
    EXPECT_EQ(headers(), QStringList({"Computer Name", "Security Name", "Connected", "Suspect", "User Name",
                                      "Contact", "Email"}));
    const int wide = twipsToPixelsX(window.get(), 2500);
    const int narrow = twipsToPixelsX(window.get(), 1400);
    EXPECT_EQ(window->lvUsers->columnWidth(0), wide);
    EXPECT_EQ(window->lvUsers->columnWidth(2), narrow);
    EXPECT_EQ(window->lvUsers->columnWidth(3), narrow);
    EXPECT_EQ(window->lvUsers->columnWidth(6), wide);

    addRow("KEPT");
    window->optMode[1]->click();
    EXPECT_EQ(headers(), QStringList({"Computer Name", "Security Name", "User Name", "Contact", "Email"}));
    for (int i = 0; i < 5; ++i)
        EXPECT_EQ(window->lvUsers->columnWidth(i), wide);
    // Rows from the last run stay until the next run replaces them.
    EXPECT_EQ(window->lvUsers->topLevelItemCount(), 1);

    window->optMode[0]->click();
    EXPECT_EQ(window->lvUsers->columnCount(), 7);
}

TEST_F(DisplayUsers, ModeSwitchEnablesTheControlsOfTheMode) {
    window->optMode[1]->click();
    EXPECT_TRUE(window->optMode[1]->font().bold());
    EXPECT_FALSE(window->optMode[0]->font().bold());
    for (QRadioButton* o : window->optLDB)
        EXPECT_TRUE(o->isEnabled());
    EXPECT_TRUE(window->chkAllPossible->isEnabled());
    EXPECT_FALSE(window->txtUserName->isEnabled());
    EXPECT_FALSE(window->txtPassword->isEnabled());

    window->optMode[0]->click();
    EXPECT_TRUE(window->optMode[0]->font().bold());
    EXPECT_FALSE(window->optMode[1]->font().bold());
    for (QRadioButton* o : window->optLDB)
        EXPECT_FALSE(o->isEnabled());
    EXPECT_FALSE(window->chkAllPossible->isEnabled());
    EXPECT_TRUE(window->txtUserName->isEnabled());
    EXPECT_TRUE(window->txtPassword->isEnabled());
}

TEST_F(DisplayUsers, LockFileOptionsSetTheirValues) {
    window->optMode[1]->click();
    window->optLDB[0]->click();
    EXPECT_EQ(window->LDBOption, 1);
    window->optLDB[2]->click();
    EXPECT_EQ(window->LDBOption, 4);
    window->optLDB[1]->click();
    EXPECT_EQ(window->LDBOption, 2);
    window->optLDB_Click(7);
    EXPECT_EQ(window->LDBOption, 2);
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
    window->btnLDBUsers->click();
    EXPECT_EQ(boxes.shown.size(), 2u);
    window->mnuDisplayUsers->trigger();
    EXPECT_EQ(boxes.shown.size(), 3u);
    EXPECT_EQ(boxes.last().text, noSelection);

    // A double-click on a path runs the command for the path it selected.
    window->setList1Index(0);
    emit window->List1->itemDoubleClicked(window->List1->item(0));
    EXPECT_EQ(boxes.last().text, QStringLiteral("Couldn't find file '/d/a.mdb', please try again"));
}

}  // namespace
