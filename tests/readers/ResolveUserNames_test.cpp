// User name resolution: each listed computer looked up in the user name
// database window, and the computers it does not know reported.
#include "app/UserList.h"
#include "app/frmTip.h"
#include "tests/usernames/UserDatabaseTesting.h"

#include <QCheckBox>
#include <QLabel>
#include <QRadioButton>
#include <QTreeWidget>

#include <pwd.h>
#include <unistd.h>

namespace {

const QString kNotListed = QStringLiteral("There is no User Name in the User Database window with the Computer Name ");

class Resolve : public ::testing::Test, public UserDatabaseHarness {
protected:
    void SetUp() override {
        // No user name database: the list stays empty and every computer is
        // unknown.
        ASSERT_TRUE(startWith(homeFile("none/compnamedb.mdb")));
        boxes.shown.clear();
    }
    QTreeWidgetItem* addRow(const QString& computer) {
        auto* row = addUserRow(window->lvUsers, QStringLiteral("Key_%1").arg(window->lvUsers->topLevelItemCount() + 1),
                               computer);
        for (int c = 1; c < window->lvUsers->columnCount(); ++c)
            setSubItem(row, c, QStringLiteral("old"));
        return row;
    }
};

TEST_F(Resolve, UnknownComputersAreReportedPerRowInTheWordingOfTheReadMode) {
    QTreeWidgetItem* row = addRow(QStringLiteral("PC99"));
    window->ResolveUserNames();
    ASSERT_EQ(boxes.shown.size(), 1u);
    EXPECT_EQ(boxes.last().text, kNotListed + QStringLiteral("'PC99'"));
    EXPECT_EQ(boxes.last().title, QStringLiteral("No User Name"));
    EXPECT_EQ(boxes.last().icon, MsgIcon::Exclamation);
    EXPECT_EQ(subItem(row, 3), QStringLiteral("old"));
    for (int c = 4; c <= 6; ++c)
        EXPECT_EQ(subItem(row, c), QString()) << c;

    window->optMode[1]->click();
    window->lvUsers->clear();
    row = addRow(QStringLiteral("PC98"));
    addRow(QStringLiteral("PC97"));
    window->ResolveUserNames();
    ASSERT_EQ(boxes.shown.size(), 3u);
    EXPECT_EQ(boxes.shown[1].request.text, kNotListed + QStringLiteral("PC98"));
    EXPECT_EQ(boxes.shown[2].request.text, kNotListed + QStringLiteral("PC97"));
    EXPECT_EQ(subItem(row, 1), QStringLiteral("old"));
    for (int c = 2; c <= 4; ++c)
        EXPECT_EQ(subItem(row, c), QString()) << c;
}

TEST_F(Resolve, UnderAutoMonitoringTheTipReportsTheFirstUnknownAndEndsThePass) {
    window->chkAutoMonitor->setChecked(true);
    addRow(QStringLiteral("PC-B"));
    QTreeWidgetItem* later = addRow(QStringLiteral("PC-C"));
    window->ResolveUserNames();
    window->chkAutoMonitor->setChecked(false);
    EXPECT_TRUE(boxes.shown.empty());
    ASSERT_NE(window->tip(), nullptr);
    EXPECT_EQ(window->tip()->lbMsg->text(), kNotListed + QStringLiteral("'PC-B'."));
    EXPECT_EQ(subItem(later, 4), QStringLiteral("old"));
}

TEST_F(Resolve, AnEmptyUserListDoesNothing) {
    window->ResolveUserNames();
    EXPECT_TRUE(boxes.shown.empty());
    EXPECT_EQ(window->tip(), nullptr);
}

TEST_F(Resolve, GetUserIdIsTheEffectiveUsersLogOnName) {
    qputenv("USER", "someone-else");
    qputenv("LOGNAME", "someone-else");
    const passwd* me = getpwuid(geteuid());
    ASSERT_NE(me, nullptr);
    EXPECT_EQ(frmMain::GetUserID(), QString::fromLocal8Bit(me->pw_name));
}

}  // namespace
