// The roster schema reader: roster records become rows, and real lock files
// held by simulated Jet clients are listed through the roster connection.
#include "base/UserListModel.h"
#include "readers/RosterUsers.h"
#include "settings/SettingsWindow.h"
#include "tests/jet/LockFileTesting.h"
#include "tests/support/MainWindowHarness.h"

#include <QLineEdit>
#include <QRadioButton>
#include <QTemporaryDir>
#include <QTreeView>

#include <gtest/gtest.h>

namespace {

using jet::Value;
using Rows = QList<QStringList>;
using Records = std::vector<jet::RosterRecords::Record>;

Value text(const char* s, std::size_t n) { return Value::text(std::string(s, n)); }

void rosterIs(const Records& records) {
    readers::setRosterSource([records] { return jet::RosterRecords(records); });
}

// Each record's fields trimmed of blanks, then of NULs, and upper-cased; a
// record with more fields than a row holds fails, after the rows before it.
TEST(RosterReader, RecordsBecomeRows) {
    struct Case {
        const char* name;
        Records records;
        Rows rows;
        QString failure;  // what the failure says; empty for none
    };
    const Case cases[] = {
        // Blanks just before the NULs stay, since blanks are trimmed first.
        {"trimmed and upper-cased",
         {{text("PC01\0\0\0", 7), text("ann\0", 4), Value::boolean(true), Value()},
          {text("  pc02 ", 7), text("Bob  \0\0", 7), Value::boolean(false), Value::boolean(true)},
          {text("\0\0\0", 3), text(" \0 ", 3), Value(), Value()}},
         {{"PC01", "ANN", "TRUE", ""}, {"PC02", "BOB  ", "FALSE", "TRUE"}, {"", "", "", ""}},
         {}},
        {"short records and a fifth field",
         {{Value::text("PC01"), Value::text("ANN"), Value::boolean(true), Value::boolean(true)},
          {Value::text("PC02")},
          {Value::text("PC03"), Value::text("X"), Value(), Value(), Value::text("extra")}},
         {{"PC01", "ANN", "TRUE", "TRUE"}, {"PC02", "", "", ""}},
         "Subscript out of range"},
        {"an empty roster", {}, {}, {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        rosterIs(c.records);
        const readers::UserRows read = readers::readRosterUsers({});
        readers::setRosterSource({});
        EXPECT_EQ(read.rows, c.rows);
        EXPECT_EQ(read.failure ? read.failure->description() : QString(), c.failure);
        EXPECT_FALSE(read.notice);
    }
}

// Real lock files held by simulated Jet clients, read through the roster
// connection logged on with the workgroup file.
class RosterReaderOnRealFiles : public ::testing::Test {
protected:
    void SetUp() override {
        database = locktest::copyTestFile("access/testV1997.mdb", dir.filePath("shared.mdb").toStdString());
        workgroup = dir.filePath("system.mdw");
        locktest::copyTestFile("workgroup/system.mdw", workgroup.toStdString());
    }
    readers::UserRows read(const QString& user, const QString& password = {}) const {
        return readers::readRosterUsers({QString::fromStdString(database), workgroup, user, password});
    }
    QTemporaryDir dir;
    std::string database;
    QString workgroup;
};

TEST_F(RosterReaderOnRealFiles, ListsConnectedDepartedAndCrashedClients) {
    locktest::Client a({"--computer", "PC-A", "--user", "ann", database});
    ASSERT_EQ(locktest::connectClient(a), 0);
    locktest::Client b({"--computer", "PC-B", "--keep-lockfile", database});
    ASSERT_EQ(locktest::connectClient(b), 1);
    locktest::Client c({"--computer", "PC-C", "--crash", database});
    ASSERT_EQ(locktest::connectClient(c), 2);
    EXPECT_EQ(c.wait(), 0);
    EXPECT_EQ(b.stop(), 0);

    const readers::UserRows read = this->read(QStringLiteral("ADMIN"));  // account names ignore letter case
    EXPECT_EQ(read.rows, (Rows{{"PC-A", "ANN", "TRUE", ""}, {"PC-B", "ADMIN", "FALSE", ""},
                               {"PC-C", "ADMIN", "FALSE", "TRUE"}}));
    EXPECT_FALSE(read.failure || read.notice);
}

TEST_F(RosterReaderOnRealFiles, LogOnFailuresComeBackWithoutRows) {
    locktest::Client a({"--computer", "PC-A", database});
    ASSERT_EQ(locktest::connectClient(a), 0);
    const QString notValid = QStringLiteral("Not a valid account name or password.");
    struct Case {
        QString user, password, failure;
    };
    const Case cases[] = {
        {"admin", "wrong", notValid},
        {"Admins", "", notValid},  // a group is no account
        {"nobody", "", notValid},
        {"SMSUser", "secret",
         "The password of the account 'SMSUser' cannot be verified on this platform. "
         "The lock-file read mode shows the same users."},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.user.toStdString());
        const readers::UserRows read = this->read(c.user, c.password);
        EXPECT_EQ(read.failure ? read.failure->description() : QString(), c.failure);
        EXPECT_TRUE(read.rows.isEmpty());
    }
    workgroup = dir.filePath("missing.mdw");
    const readers::UserRows read = this->read(QStringLiteral("admin"));
    EXPECT_EQ(read.failure ? read.failure->description() : QString(),
              "Cannot start your application. The workgroup information file is missing or opened exclusively "
              "by another user.");
    EXPECT_TRUE(read.rows.isEmpty());
}

// The main window draws a row's sub-items, and the rows read before a failure
// that its error trap then shows.
class RosterUsersWindow : public ::testing::Test, public MainWindowHarness {
protected:
    void TearDown() override { readers::setRosterSource({}); }
};

TEST_F(RosterUsersWindow, RowsBeforeAFailureAreDrawnAndTheFailureShown) {
    ASSERT_TRUE(start());
    controls().readModeChoice[0]->click();
    writeHomeFile("shared.mdb", "database");
    window->setSelectedDatabasePath(homeFile("shared.mdb"));
    rosterIs({{Value::text("PC01"), Value::text("ANN"), Value::boolean(true), Value::boolean(false)},
              {Value::text("PC02")},
              {Value::text("PC03"), Value::text("X"), Value(), Value(), Value::text("extra")}});
    window->showUsers();
    ASSERT_EQ(boxes.shown.size(), 1u) << boxes.texts().join('\n').toStdString();
    EXPECT_EQ(boxes.last().text, QStringLiteral("Subscript out of range"));
    EXPECT_EQ(boxes.last().icon, MsgIcon::Critical);
    QStringList drawn;
    for (int i = 0; i < window->users().rowCount(); ++i) {
        const UserListModel& users = window->users();
        drawn << QStringList({users.text(i, 0), users.text(i, 1), users.text(i, 2), users.text(i, 3)}).join('/');
    }
    EXPECT_EQ(drawn, QStringList({"PC01/ANN/TRUE/FALSE", "PC02///"}));
}

// The window logs on with its user name and password through the settings'
// workgroup file.
TEST_F(RosterUsersWindow, TheWindowLogsOnWithItsAccount) {
    ASSERT_TRUE(start());
    controls().readModeChoice[0]->click();
    const std::string db = locktest::copyTestFile("access/testV1997.mdb", homeFile("shared.mdb").toStdString());
    const std::string wg = locktest::copyTestFile("workgroup/system.mdw", homeFile("system.mdw").toStdString());
    locktest::Client a({"--computer", "PC-A", db});
    ASSERT_EQ(locktest::connectClient(a), 0);
    window->setSelectedDatabasePath(QString::fromStdString(db));
    window->settingsStore().update([&](Settings& s) { s.workgroupPath = QString::fromStdString(wg); });
    controls().userNameEdit->setText(QStringLiteral("admin"));
    controls().passwordEdit->setText(QStringLiteral("wrong"));
    window->showUsers();
    EXPECT_EQ(boxes.texts(), QStringList({"Not a valid account name or password."}));

    controls().passwordEdit->clear();
    window->showUsers();
    ASSERT_EQ(window->users().rowCount(), 1);
    EXPECT_EQ(window->users().computerName(0), QStringLiteral("PC-A"));
}

}  // namespace
