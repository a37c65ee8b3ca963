// User name resolution: each listed computer looked up in the user name
// database window, and the computers it does not know reported.
#include "base/UserListModel.h"
#include "app/TipWindow.h"
#include "readers/ResolveUserNames.h"
#include "jet/Recordset.h"
#include "tests/jet/LockFileTesting.h"
#include "tests/usernames/Oracles.h"
#include "tests/usernames/UserDatabaseTesting.h"

#include <QApplication>
#include <QCheckBox>
#include <QLabel>
#include <QRadioButton>
#include <QToolButton>
#include <QTreeView>

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
    int addRow(const QString& computer) {
        QStringList texts{computer};
        for (int c = 1; c < window->users().columnCount(); ++c)
            texts << QStringLiteral("old");
        window->users().appendRow(texts);
        return window->users().rowCount() - 1;
    }
    QString subItem(int row, int column) { return window->users().text(row, column); }
};

TEST_F(Resolve, UnknownComputersAreReportedPerRowInTheWordingOfTheReadMode) {
    int row = addRow(QStringLiteral("PC99"));
    window->resolveUserNames();
    ASSERT_EQ(boxes.shown.size(), 1u);
    EXPECT_EQ(boxes.last().text, kNotListed + QStringLiteral("'PC99'"));
    EXPECT_EQ(boxes.last().icon, MsgIcon::Exclamation);
    EXPECT_EQ(subItem(row, 3), QStringLiteral("old"));
    for (int c = 4; c <= 6; ++c)
        EXPECT_EQ(subItem(row, c), QString()) << c;

    controls().readModeChoice[1]->click();
    window->users().clear();
    row = addRow(QStringLiteral("PC98"));
    addRow(QStringLiteral("PC97"));
    window->resolveUserNames();
    ASSERT_EQ(boxes.shown.size(), 3u);
    EXPECT_EQ(boxes.shown[1].request.text, kNotListed + QStringLiteral("PC98"));
    EXPECT_EQ(boxes.shown[2].request.text, kNotListed + QStringLiteral("PC97"));
    EXPECT_EQ(subItem(row, 1), QStringLiteral("old"));
    for (int c = 2; c <= 4; ++c)
        EXPECT_EQ(subItem(row, c), QString()) << c;
}

TEST_F(Resolve, AnEmptyUserListDoesNothing) {
    window->resolveUserNames();
    EXPECT_TRUE(boxes.shown.empty());
    EXPECT_EQ(window->tip(), nullptr);
}

TEST_F(Resolve, GetUserIdIsTheEffectiveUsersLogOnName) {
    qputenv("USER", "someone-else");
    qputenv("LOGNAME", "someone-else");
    const passwd* me = getpwuid(geteuid());
    ASSERT_NE(me, nullptr);
    EXPECT_EQ(MainWindow::currentUserId(), QString::fromLocal8Bit(me->pw_name));
}

// The lookup alone: letter case ignored, the whole name only. An unknown
// computer's notice quotes its name in the roster mode's wording, and always
// in the tip's.
TEST(UserNameLookup, FindsTheRecordOrTellsWhyNot) {
    UserNameMap known;
    known.add({"PC02", "Bob", "x2", "bob@example.com"});
    known.add({"PC01", "Ann", "", "ann@example.com"});
    struct Case {
        QString computer;
        bool roster;
        QString found;  // the user name found; empty for none
        QString told;
    };
    const Case cases[] = {
        {"pc02", true, "Bob", {}},
        {"PC01", false, "Ann", {}},
        {"PC01 ", true, {}, kNotListed + "'PC01 '"},
        {"PC0", false, {}, kNotListed + "PC0"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.computer.toStdString());
        const readers::UserNameLookup found = readers::lookUpUserName(known, c.computer, c.roster);
        EXPECT_EQ(found.record ? (*found.record)[1] : QString(), c.found);
        if (!found.record) {
            EXPECT_EQ(found.notice.text, c.told);
            EXPECT_EQ(found.notice.title, QStringLiteral("No User Name"));
            EXPECT_EQ(found.notice.icon, MsgIcon::Exclamation);
            EXPECT_EQ(found.notice.tipText, kNotListed + "'" + c.computer + "'.");
        }
    }
}

// The same with a user name database that knows PC01 and PC02.
class ResolveKnown : public Resolve {
protected:
    void SetUp() override {
        const QString path = homeFile("names.mdb");
        makeUserDatabase(path, {{"PC02", "Bob", "x2", "bob@example.com"}, {"PC01", "Ann", std::nullopt, "ann@example.com"}});
        ASSERT_TRUE(startWith(path));
        ASSERT_TRUE(boxes.shown.empty()) << boxes.texts().join('\n').toStdString();
    }
    QStringList names(int row, int first) {
        return {subItem(row, first), subItem(row, first + 1), subItem(row, first + 2)};
    }
    QString selectedInUserDatabase() {
        const int i = data()->nameIndex();
        return i < 0 ? QString() : listed().value(i);
    }
};

// While monitoring, the tip reports the first unknown computer, no box, and
// the pass ends there: rows after it keep their columns.
TEST_F(ResolveKnown, UnderAutoMonitoringRowsAfterTheUnknownOneKeepTheirColumns) {
    controls().readModeChoice[1]->click();
    window->users().clear();
    int a = addRow(QStringLiteral("PC01"));
    addRow(QStringLiteral("PC-B"));
    int c = addRow(QStringLiteral("PC02"));
    controls().autoMonitorCheck->setChecked(true);
    window->resolveUserNames();
    controls().autoMonitorCheck->setChecked(false);
    EXPECT_EQ(names(a, 2), QStringList({"Ann", "", "ann@example.com"}));
    EXPECT_EQ(names(c, 2), QStringList({"old", "old", "old"}));
    EXPECT_TRUE(boxes.shown.empty());
    ASSERT_NE(window->tip(), nullptr);
    EXPECT_EQ(window->tip()->message(), kNotListed + QStringLiteral("'PC-B'."));
}

// While the user works in the window, or once they picked a record, it stays
// as they left it; the rows are filled all the same.
TEST_F(ResolveKnown, TheWindowIsBroughtToTheLastComputerFoundOnlyWhenNotInUse) {
    addRow(QStringLiteral("PC01"));
    int row = addRow(QStringLiteral("pc02"));
    addRow(QStringLiteral("PC99"));
    data()->show();
    data()->activateWindow();
    ASSERT_TRUE(QTest::qWaitFor([&] { return QApplication::activeWindow() == data(); }));
    data()->selectNameIndex(data()->findComputerName(QStringLiteral("PC01")));
    window->resolveUserNames();
    EXPECT_EQ(selectedInUserDatabase(), QStringLiteral("PC01"));
    EXPECT_EQ(names(row, 4), QStringList({"Bob", "x2", "bob@example.com"}));

    window->show();
    window->activateWindow();
    ASSERT_TRUE(QTest::qWaitFor([&] { return QApplication::activeWindow() == window.get(); }));
    window->resolveUserNames();
    EXPECT_EQ(selectedInUserDatabase(), QStringLiteral("PC01")) << "the record picked stays";
    data()->setFollowing(true);
    window->resolveUserNames();
    EXPECT_EQ(selectedInUserDatabase(), QStringLiteral("PC02"));
    EXPECT_EQ(record(), QStringList({"PC02", "Bob", "x2", "bob@example.com"}));
}

// Another administrator adds a record: the next pass finds it.
TEST_F(ResolveKnown, ARecordStoredByAnotherProgramIsFound) {
    jet::Recordset other(QFile::encodeName(homeFile("names.mdb")).toStdString(), "T_Main");
    other.addNew();
    other.setField("ComputerName", jet::Value::text("PC03"));
    other.setField("Name", jet::Value::text("Cy"));
    other.update();
    int row = addRow(QStringLiteral("PC03"));
    window->resolveUserNames();
    EXPECT_TRUE(boxes.shown.empty()) << boxes.texts().join('\n').toStdString();
    EXPECT_EQ(names(row, 4), QStringList({"Cy", "", ""}));
    EXPECT_EQ(listed(), QStringList({"PC01", "PC02", "PC03"}));
}

TEST_F(ResolveKnown, TheDoubleClickGoesToTheComputerWithoutShowingTheWindow) {
    int row = addRow(QStringLiteral("pc02"));
    window->actOnSelectedUser();  // no row selected: nothing changes
    EXPECT_EQ(data()->nameIndex(), -1);
    window->selectUserRow(row);
    window->actOnSelectedUser();
    EXPECT_EQ(selectedInUserDatabase(), QStringLiteral("PC02"));
    EXPECT_EQ(record(), QStringList({"PC02", "Bob", "x2", "bob@example.com"}));
    EXPECT_FALSE(data()->isVisible());
    EXPECT_TRUE(boxes.shown.empty());
}

// What an administrator does: a Jet client is connected to a monitored
// database; its computer gets a record in the user name database window, and
// the next refresh shows who sits there, also after a restart.
TEST_F(ResolveKnown, ARecordAddedForAConnectedComputerShowsAfterTheNextRefresh) {
    const std::string db = locktest::copyTestFile("access/testV2000.mdb", homeFile("sales.mdb").toStdString());
    locktest::Client client({"--computer", "PC-ANN", "--user", "ann", "--keep-lockfile", db});
    ASSERT_EQ(locktest::connectClient(client), 0);
    const auto showUsers = [&] {
        controls().readModeChoice[1]->click();
        window->setSelectedDatabasePath(QString::fromStdString(db));
        window->showUsers();
    };

    data()->click(UserNameWindow::Command::Add);
    const QStringList typed{"PC-ANN", "Ann Smith", "ext. 214", "ann@example.com"};
    for (std::size_t i = 0; i < 4; ++i) {
        data()->fieldBox(i)->setFocus();
        QTest::keyClicks(data()->fieldBox(i), typed[static_cast<int>(i)]);
    }
    data()->click(UserNameWindow::Command::Save);
    ASSERT_TRUE(boxes.shown.empty()) << boxes.texts().join('\n').toStdString();
    for (int round = 0; round < 2; ++round) {
        showUsers();
        ASSERT_EQ(window->users().rowCount(), 1);
        EXPECT_EQ(names(0, 2), typed.mid(1)) << round;
        EXPECT_TRUE(boxes.shown.empty()) << boxes.texts().join('\n').toStdString();
        ASSERT_TRUE(restart());
        ASSERT_TRUE(reconnect(homeFile("names.mdb")));
    }
    EXPECT_EQ(client.stop(), 0);
    EXPECT_TRUE(oracle::mdbExportRows(homeFile("names.mdb")).contains("PC-ANN|Ann Smith|ext. 214|ann@example.com"));
}

}  // namespace
