// Users on a real Samba share: a private smbd on loopback and SMB2 clients
// that hold their user locks as Access does, seen by Ravelin on the server.
#include "base/UserListModel.h"
#include "readers/SambaTooltips.h"
#include "readers/LockFileUsers.h"
#include "readers/RosterUsers.h"
#include "tests/readers/SambaTesting.h"
#include "tests/support/MainWindowHarness.h"
#include "tests/support/MustRun.h"

#include <QLabel>
#include <QRadioButton>
#include <QStatusBar>
#include <QTreeView>

#include <gtest/gtest.h>

namespace {

using namespace smbtest;

constexpr std::int64_t kUserLock = locktest::kUserLockBase;
// The shortest auto-monitoring interval: a client that left must be gone by
// the next refresh after it.
constexpr auto kRefreshInterval = 5000ms;

struct Row {
    QString computer, security, connected;
    bool operator==(const Row&) const = default;
};

std::ostream& operator<<(std::ostream& os, const Row& r) {
    return os << r.computer.toStdString() << "/" << r.security.toStdString() << "/" << r.connected.toStdString();
}

class SambaShare : public ::testing::Test, public MainWindowHarness {
protected:
    static void SetUpTestSuite() {
        if (unavailableReason().empty())
            server = std::make_unique<SambaServer>();
    }
    static void TearDownTestSuite() { server.reset(); }

    void SetUp() override {
        if (const std::string why = unavailableReason(); !why.empty())
            SKIP_UNLESS_CI() << "Samba test: " << why;
        ASSERT_TRUE(start());
        qputenv("RAVELIN_SMB_CONF", QByteArray::fromStdString(server->configFile()));
        workgroup = locktest::copyTestFile("workgroup/system.mdw", homeFile("system.mdw").toStdString());
    }

    // A database on `share`, selected in the main window; its lock file's name.
    std::string useDatabase(const std::string& share, const std::string& name) {
        database = locktest::copyTestFile("access/testV1997.mdb", server->share(share) + "/" + name + ".mdb");
        window->setSelectedDatabasePath(QString::fromStdString(database));
        lockFile = server->share(share) + "/" + name + ".ldb";
        return name + ".ldb";
    }

    // What the readers read: the roster (with its connected column), or the
    // lock file's connected users (no such column). Neither reports anything.
    std::vector<Row> roster() {
        return rowsOf(readers::readRosterUsers({QString::fromStdString(database),
                                                QString::fromStdString(workgroup), "admin", ""}),
                      true);
    }
    std::vector<Row> connectedInLockFileMode() {
        return rowsOf(readers::readLockFileUsers({QString::fromStdString(database), 2, false}), false);
    }
    std::vector<Row> read(int mode) { return mode == 0 ? roster() : connectedInLockFileMode(); }
    static std::vector<Row> rowsOf(const readers::UserRows& read, bool roster) {
        EXPECT_FALSE(read.notice || read.failure) << (read.failure ? read.failure->description().toStdString() : "");
        std::vector<Row> out;
        for (const QStringList& r : read.rows)
            out.push_back({r.value(0), r.value(1), roster ? r.value(2) : QString()});
        return out;
    }
    // The window's list after a refresh in lock-file mode.
    void refreshWindow() {
        controls().readModeChoice[1]->click();
        window->showUsers();
        const QStringList said = boxes.textsNotTitled(QStringLiteral("No User Name"));
        EXPECT_TRUE(said.isEmpty()) << said.join('\n').toStdString();
    }
    std::vector<ServerLock> serverLocks() const { return locksOn(lockFile); }

    static std::unique_ptr<SambaServer> server;
    std::string workgroup, database, lockFile;
};

std::unique_ptr<SambaServer> SambaShare::server;

// A slot that any of several sessions of one client may hold names them all.
TEST(SambaTooltip, AnAmbiguousSlotNamesEveryCandidate) {
    const jet::who::SmbSession smb{"", "PC-T", "10.0.0.7", {"ann", "bob"}};
    EXPECT_EQ(readers::sambaTooltip(smb).toStdString(),
              "SMB account: ambiguous: ann, bob\nClient machine: PC-T\nAddress: 10.0.0.7");
}

TEST_F(SambaShare, ClientsAreListedInBothModesAndTheirLocksStayTheirs) {
    const std::string ldb = useDatabase("jet", "orders");
    SmbClient a(*server, "jet", ldb, "PC-A", "ann");
    ASSERT_EQ(a.slot(), 0) << a.errorText() << server->log();
    SmbClient b(*server, "jet", ldb, "PC-B", "bob", true);
    ASSERT_EQ(b.slot(), 1) << b.errorText();

    // Samba holds them as OFD locks; the read-only handle's exclusive lock
    // arrives as a read lock.
    EXPECT_EQ(serverLocks(), (std::vector<ServerLock>{{"OFDLCK", "WRITE", kUserLock, kUserLock},
                                                      {"OFDLCK", "READ", kUserLock + 1, kUserLock + 1}}));
    EXPECT_EQ(roster(), (std::vector<Row>{{"PC-A", "ANN", "TRUE"}, {"PC-B", "BOB", "TRUE"}}));
    EXPECT_EQ(connectedInLockFileMode(), (std::vector<Row>{{"PC-A", "ANN", ""}, {"PC-B", "BOB", ""}}));
    // Samba's lock table names the session behind each slot, in the row's
    // tooltip, which the window puts on every column of the row.
    const QStringList tips = readers::sambaTooltips(QString::fromStdString(database), {"PC-A", "PC-B"});
    ASSERT_EQ(tips.size(), 2);
    refreshWindow();
    ASSERT_EQ(window->users().rowCount(), 2);
    for (int i = 0; i < 2; ++i) {
        EXPECT_TRUE(tips[i].startsWith(QStringLiteral("SMB account: "))) << tips[i].toStdString();
        EXPECT_TRUE(tips[i].endsWith(QStringLiteral("\nAddress: 127.0.0.1"))) << tips[i].toStdString();
        EXPECT_EQ(window->users().index(i, 0).data(Qt::ToolTipRole).toString(), tips[i]);
        EXPECT_EQ(window->users().index(i, 2).data(Qt::ToolTipRole).toString(), tips[i]);
    }

    const auto dbBefore = locktest::stampOf(database);
    const auto ldbBefore = locktest::stampOf(lockFile);
    // Refreshes while a client releases and takes its lock again: none of
    // its requests fails (FAIL_IMMEDIATELY would show any lock of ours).
    a.send("churn 40");
    std::string churned;
    int refreshes = 0;
    for (; churned.empty() && refreshes < 2000; ++refreshes) {
        read(refreshes % 2);
        churned = a.reply(0);
    }
    if (churned.empty())
        churned = a.reply();
    EXPECT_EQ(churned, "ok") << a.errorText();
    EXPECT_GT(refreshes, 1) << "the refreshes ran while the client churned";
    EXPECT_EQ(roster(), (std::vector<Row>{{"PC-A", "ANN", "TRUE"}, {"PC-B", "BOB", "TRUE"}}));
    EXPECT_TRUE(locktest::stampOf(database) == dbBefore);
    EXPECT_TRUE(locktest::stampOf(lockFile) == ldbBefore);
    EXPECT_EQ(a.quit(), 0) << a.errorText();
    EXPECT_EQ(b.quit(), 0) << b.errorText();
}

TEST_F(SambaShare, AdjacentLocksOfOneHandleMergeYetEachSlotCounts) {
    const std::string ldb = useDatabase("jet", "stock");
    SmbClient a(*server, "jet", ldb, "PC-A", "ann");
    ASSERT_EQ(a.slot(), 0) << a.errorText();
    a.send("slot PC-A2");
    ASSERT_EQ(SmbClient::slotIn(a.reply()), 1) << a.errorText();
    EXPECT_EQ(serverLocks(), (std::vector<ServerLock>{{"OFDLCK", "WRITE", kUserLock, kUserLock + 1}}));
    EXPECT_EQ(roster(), (std::vector<Row>{{"PC-A", "ANN", "TRUE"}, {"PC-A2", "ANN", "TRUE"}}));
}

TEST_F(SambaShare, ClientsThatLeaveOrAreKilledAreDroppedByTheNextRefresh) {
    const std::string ldb = useDatabase("jet", "ledger");
    SmbClient a(*server, "jet", ldb, "PC-A", "ann");
    ASSERT_EQ(a.slot(), 0) << a.errorText();
    SmbClient b(*server, "jet", ldb, "PC-B", "bob");
    ASSERT_EQ(b.slot(), 1) << b.errorText();
    ASSERT_EQ(connectedInLockFileMode().size(), 2u);

    EXPECT_EQ(a.quit(), 0) << a.errorText();
    EXPECT_TRUE(waitFor([&] { return connectedInLockFileMode() == std::vector<Row>{{"PC-B", "BOB", ""}}; },
                        kRefreshInterval));
    b.kill();
    EXPECT_TRUE(waitFor([&] { return connectedInLockFileMode().empty(); }, kRefreshInterval));
    EXPECT_EQ(roster(), (std::vector<Row>{{"PC-A", "ANN", "FALSE"}, {"PC-B", "BOB", "FALSE"}}));
}

TEST_F(SambaShare, WithoutPosixLockingConnectedUsersAreHiddenAndTheWindowSaysSo) {
    const auto hints = [&] {
        const QString db = QString::fromStdString(database);
        return std::pair{readers::readRosterUsers({db, QString::fromStdString(workgroup), "admin", ""}).hint,
                         readers::readLockFileUsers({db, 2, false}).hint};
    };
    const auto hintLine = [&]() -> QString {
        const auto* label = controls().statusLine->findChild<QLabel*>(QStringLiteral("lockHintLabel"));
        return label && !label->isHidden() ? label->text() : QString();
    };
    const std::string ldb = useDatabase("nolocks", "hidden");
    SmbClient a(*server, "nolocks", ldb, "PC-A", "ann");
    ASSERT_EQ(a.slot(), 0) << a.errorText();
    EXPECT_TRUE(serverLocks().empty());
    EXPECT_EQ(roster(), (std::vector<Row>{{"PC-A", "ANN", "FALSE"}}));
    EXPECT_TRUE(connectedInLockFileMode().empty());
    const auto [rosterHint, lockFileHint] = hints();
    ASSERT_TRUE(rosterHint && lockFileHint);
    EXPECT_TRUE(rosterHint->contains(QStringLiteral("\"posix locking = no\""))) << rosterHint->toStdString();
    refreshWindow();
    EXPECT_EQ(hintLine(), *lockFileHint);

    // The same on a share with posix locking: the user is seen, no hint, and
    // the window's hint line goes.
    const std::string shown = useDatabase("jet", "shown");
    SmbClient b(*server, "jet", shown, "PC-B", "bob");
    ASSERT_EQ(b.slot(), 0) << b.errorText();
    EXPECT_EQ(roster(), (std::vector<Row>{{"PC-B", "BOB", "TRUE"}}));
    EXPECT_EQ(hints(), (std::pair<std::optional<QString>, std::optional<QString>>()));
    refreshWindow();
    EXPECT_TRUE(hintLine().isEmpty()) << hintLine().toStdString();
}

}  // namespace
