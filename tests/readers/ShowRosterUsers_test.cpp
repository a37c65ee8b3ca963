// The roster schema reader: roster records become rows, and real lock files
// held by simulated Jet clients are listed through the roster connection.
#include "app/UserList.h"
#include "readers/ShowRosterUsers.h"
#include "settings/frmSettings.h"
#include "tests/jet/LockFileTesting.h"
#include "tests/support/MainWindowHarness.h"

#include <QLineEdit>
#include <QRadioButton>
#include <QTreeWidget>

#include <gtest/gtest.h>

namespace {

using jet::Value;

struct Row {
    QString key, computer, security, connected, suspect;
    bool operator==(const Row&) const = default;
};

std::ostream& operator<<(std::ostream& os, const Row& r) {
    return os << r.key.toStdString() << ":" << r.computer.toStdString() << "/" << r.security.toStdString() << "/"
              << r.connected.toStdString() << "/" << r.suspect.toStdString();
}

Value text(const char* s, std::size_t n) { return Value::text(std::string(s, n)); }

class RosterReader : public ::testing::Test, public MainWindowHarness {
protected:
    void SetUp() override {
        ASSERT_TRUE(start());
        window->optMode[0]->click();
        database = locktest::copyTestFile("access/testV1997.mdb", homeFile("shared.mdb").toStdString());
        workgroup = locktest::copyTestFile("workgroup/system.mdw", homeFile("system.mdw").toStdString());
        window->setSelectedDatabasePath(QString::fromStdString(database));
        window->settings()->txtWorkgroup->setText(QString::fromStdString(workgroup));
        window->txtUserName->setText(QStringLiteral("admin"));
    }
    void TearDown() override { readers::setRosterSource({}); }

    void rosterIs(std::vector<jet::RosterRecords::Record> records) {
        readers::setRosterSource([records] { return jet::RosterRecords(records); });
    }
    std::vector<Row> rows() const {
        std::vector<Row> out;
        for (int i = 0; i < window->lvUsers->topLevelItemCount(); ++i) {
            const QTreeWidgetItem* r = window->lvUsers->topLevelItem(i);
            out.push_back({rowKey(r), r->text(0), subItem(r, 1), subItem(r, 2), subItem(r, 3)});
        }
        return out;
    }
    void refresh() { window->mnuDisplayUsers_Click(); }
    QStringList readerMessages() const { return boxes.textsNotTitled(QStringLiteral("No User Name")); }
    QString onlyBox() const {
        EXPECT_EQ(boxes.shown.size(), 1u) << boxes.texts().join('\n').toStdString();
        return boxes.shown.empty() ? QString() : boxes.last().text;
    }

    std::string database, workgroup;
};

TEST_F(RosterReader, RecordsBecomeRowsInOrderTrimmedOfNulsAndUpperCased) {
    rosterIs({{text("PC01\0\0\0", 7), text("ann\0", 4), Value::boolean(true), Value()},
              {text("  pc02 ", 7), text("Bob  \0\0", 7), Value::boolean(false), Value::boolean(true)},
              {text("\0\0\0", 3), text(" \0 ", 3), Value(), Value()}});
    refresh();
    // Blanks just before the NULs stay, since blanks are trimmed first.
    EXPECT_EQ(rows(), (std::vector<Row>{{"Key_1", "PC01", "ANN", "TRUE", ""},
                                        {"Key_2", "PC02", "BOB  ", "FALSE", "TRUE"},
                                        {"Key_3", "", "", "", ""}}));
    EXPECT_TRUE(readerMessages().isEmpty()) << readerMessages().join('\n').toStdString();
}

TEST_F(RosterReader, ShortRecordsLeaveTheirCellsEmptyAndAFifthFieldFails) {
    rosterIs({{Value::text("PC01"), Value::text("ANN"), Value::boolean(true), Value::boolean(true)},
              {Value::text("PC02")},
              {Value::text("PC03"), Value::text("X"), Value(), Value(), Value::text("extra")}});
    refresh();
    EXPECT_EQ(onlyBox(), QStringLiteral("Subscript out of range"));
    EXPECT_EQ(boxes.last().icon, MsgIcon::Critical);
    EXPECT_EQ(rows(), (std::vector<Row>{{"Key_1", "PC01", "ANN", "TRUE", "TRUE"}, {"Key_2", "PC02", "", "", ""}}));
}

TEST_F(RosterReader, AnEmptyRosterGivesAnEmptyList) {
    rosterIs({});
    refresh();
    EXPECT_TRUE(rows().empty());
    EXPECT_TRUE(boxes.shown.empty());
}

TEST_F(RosterReader, ListsConnectedDepartedAndCrashedClients) {
    locktest::Client a({"--computer", "PC-A", "--user", "ann", database});
    ASSERT_EQ(locktest::connectClient(a), 0);
    locktest::Client b({"--computer", "PC-B", "--keep-lockfile", database});
    ASSERT_EQ(locktest::connectClient(b), 1);
    locktest::Client c({"--computer", "PC-C", "--crash", database});
    ASSERT_EQ(locktest::connectClient(c), 2);
    EXPECT_EQ(c.wait(), 0);
    EXPECT_EQ(b.stop(), 0);

    window->txtUserName->setText(QStringLiteral("ADMIN"));  // account names ignore letter case
    refresh();
    EXPECT_EQ(rows(), (std::vector<Row>{{"Key_1", "PC-A", "ANN", "TRUE", ""},
                                        {"Key_2", "PC-B", "ADMIN", "FALSE", ""},
                                        {"Key_3", "PC-C", "ADMIN", "FALSE", "TRUE"}}));
    EXPECT_TRUE(readerMessages().isEmpty()) << readerMessages().join('\n').toStdString();
}

TEST_F(RosterReader, LogOnFailuresAreShownByTheCommandWithAnEmptyList) {
    locktest::Client a({"--computer", "PC-A", database});
    ASSERT_EQ(locktest::connectClient(a), 0);
    const QString notValid = QStringLiteral("Not a valid account name or password.");
    const auto failsWith = [&](const QString& user, const QString& password, const QString& message) {
        boxes.shown.clear();
        window->txtUserName->setText(user);
        window->txtPassword->setText(password);
        refresh();
        EXPECT_EQ(onlyBox(), message) << user.toStdString();
        EXPECT_EQ(boxes.last().title, QStringLiteral("Ravelin"));
        EXPECT_TRUE(rows().empty()) << user.toStdString();
    };
    failsWith("admin", "wrong", notValid);
    failsWith("Admins", "", notValid);  // a group is no account
    failsWith("nobody", "", notValid);
    failsWith("SMSUser", "secret",
              "The password of the account 'SMSUser' cannot be verified on this platform. "
              "The lock-file read mode shows the same users.");

    window->settings()->txtWorkgroup->setText(homeFile("missing.mdw"));
    failsWith("admin", "",
              "Cannot start your application. The workgroup information file is missing or opened exclusively "
              "by another user.");
}

}  // namespace
