// The simulated Jet client in child processes, seen through the lock-file
// operation and through the bytes it leaves in the lock file and database.
#include "LockFileTesting.h"

#include "jet/Error.h"
#include "jet/LdbUsers.h"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <unistd.h>

namespace {

using namespace locktest;
using Names = std::vector<std::string>;

struct ClientOnJet3 : ::testing::Test {
    TempDir dir;
    std::string db = copyTestFile("access/testV1997.mdb", dir / "orders.mdb");
    std::string ldb = dir / "orders.ldb";

    Names users(int option) { return jet::getLdbUsers(db, option); }
};

TEST_F(ClientOnJet3, ConnectedDepartedAndSuspectUsers) {
    Client a({"--computer", "PC-A", db});
    ASSERT_EQ(connectClient(a), 0);
    Client b({"--computer", "PC-B", db});
    ASSERT_EQ(connectClient(b), 1);
    Client c({"--computer", "PC-C", "--crash", db});
    ASSERT_EQ(connectClient(c), 2);
    EXPECT_EQ(c.wait(), 0);
    EXPECT_EQ(b.stop(), 0);

    EXPECT_EQ(users(jet::LdbAllUsers), (Names{"PC-A", "PC-B", "PC-C"}));
    EXPECT_EQ(users(jet::LdbConnectedUsers), Names{"PC-A"});
    EXPECT_EQ(users(jet::LdbSuspectUsers), Names{"PC-C"});
    EXPECT_EQ(peekU16(db, kJet3Commit + 2 * 2), 0x0000);

    EXPECT_EQ(a.stop(SIGINT), 0);
    EXPECT_TRUE(fs::exists(ldb)) << "a suspect database keeps its lock file";
    EXPECT_EQ(users(jet::LdbConnectedUsers), Names{});
    EXPECT_EQ(users(jet::LdbSuspectUsers), Names{"PC-C"});
}

TEST_F(ClientOnJet3, ADepartedUsersSlotIsReused) {
    Client a({"--computer", "PC-A", db});
    ASSERT_EQ(connectClient(a), 0);
    Client b({"--computer", "PC-BBBBBBBBBBBB", "--user", "LongSecurityName", db});
    ASSERT_EQ(connectClient(b), 1);
    Client c({"--computer", "PC-C", db});
    ASSERT_EQ(connectClient(c), 2);
    EXPECT_EQ(b.stop(SIGHUP), 0);
    EXPECT_EQ(users(jet::LdbAllUsers), (Names{"PC-A", "PC-BBBBBBBBBBBB", "PC-C"}));
    EXPECT_EQ(users(jet::LdbConnectedUsers), (Names{"PC-A", "PC-C"}));

    Client d({"--computer", "PC-D", "--user", "dee", db});
    ASSERT_EQ(connectClient(d), 1);
    EXPECT_EQ(users(jet::LdbAllUsers), (Names{"PC-A", "PC-D", "PC-C"}));
    EXPECT_EQ(users(jet::LdbConnectedUsers), (Names{"PC-A", "PC-D", "PC-C"}));
    // The whole slot is rewritten: nothing of the longer names is left.
    const Bytes file = readBytes(ldb);
    EXPECT_EQ(Bytes(file.begin() + 64, file.begin() + 128), jetStyleSlot("PC-D", "dee"));
}

TEST_F(ClientOnJet3, WritesItsSlotAsJetDoes) {
    Client a({"--computer", "CDU001", "--user", "CONTOURCDU", db});
    ASSERT_EQ(connectClient(a), 0);
    EXPECT_EQ(readBytes(ldb), readBytes(kData + "/lockfiles/system.ldb"));
}

TEST_F(ClientOnJet3, DefaultsToTheHostNameAndJetsDefaultAccount) {
    char host[256] = {};
    ASSERT_EQ(::gethostname(host, sizeof host - 1), 0);
    std::string expected(host);
    expected = expected.substr(0, expected.find('.')).substr(0, 15);
    for (char& ch : expected)
        ch = static_cast<char>(std::toupper(static_cast<unsigned char>(ch)));
    Client a({db});
    ASSERT_EQ(connectClient(a), 0);
    EXPECT_EQ(users(jet::LdbConnectedUsers), Names{expected});
    const Bytes file = readBytes(ldb);
    EXPECT_EQ(std::string(file.begin() + 32, file.begin() + 38), std::string("Admin\0", 6));
}

TEST_F(ClientOnJet3, WindowsCodePageNames) {
    Client a({"--computer", "B\u00DCRO-\u00C9T\u00C9", "--user", "J\u00F6rg", db});
    ASSERT_EQ(connectClient(a), 0);
    const Bytes file = readBytes(ldb);
    EXPECT_EQ(Bytes(file.begin(), file.begin() + 9), (Bytes{'B', 0xDC, 'R', 'O', '-', 0xC9, 'T', 0xC9, 0}));
    EXPECT_EQ(Bytes(file.begin() + 32, file.begin() + 37), (Bytes{'J', 0xF6, 'r', 'g', 0}));
    EXPECT_EQ(users(jet::LdbAllUsers), Names{"B\u00DCRO-\u00C9T\u00C9"});
}

TEST_F(ClientOnJet3, AFinishedWriteAdvancesTheCountAndLeavesNoSuspect) {
    const std::uint16_t before = peekU16(db, kJet3Commit);
    ASSERT_GE(before, 0x0100);  // testV1997.mdb: 0x0114
    Client a({"--computer", "PC-A", db});
    ASSERT_EQ(connectClient(a), 0);
    EXPECT_EQ(peekU16(db, kJet3Commit), before + 1);
    EXPECT_EQ(a.stop(), 0);
    EXPECT_EQ(peekU16(db, kJet3Commit), before + 1);
}

TEST_F(ClientOnJet3, TheLastUserToLeaveDeletesTheLockFile) {
    Client a({"--computer", "PC-A", db});
    ASSERT_EQ(connectClient(a), 0);
    Client b({"--computer", "PC-B", db});
    ASSERT_EQ(connectClient(b), 1);
    EXPECT_EQ(a.stop(), 0);
    EXPECT_TRUE(fs::exists(ldb));
    EXPECT_EQ(b.stop(), 0);
    EXPECT_FALSE(fs::exists(ldb));
    EXPECT_THROW(users(jet::LdbAllUsers), jet::Error);
}

// A client that has opened the lock file but not yet locked (an SMB client
// on its way in) would lock a deleted file: the leaving user keeps the file.
TEST_F(ClientOnJet3, ALockFileOpenInAnotherProcessIsNotDeleted) {
    Client a({"--computer", "PC-A", db});
    ASSERT_EQ(connectClient(a), 0);
    const int opened = ::open(ldb.c_str(), O_RDONLY | O_CLOEXEC);
    ASSERT_GE(opened, 0);
    EXPECT_EQ(a.stop(), 0);
    EXPECT_TRUE(fs::exists(ldb));
    ::close(opened);
}

TEST_F(ClientOnJet3, KeepLockFileLeavesDepartedUsersListed) {
    Client a({"--computer", "PC-A", "--keep-lockfile", db});
    ASSERT_EQ(connectClient(a), 0);
    EXPECT_EQ(a.stop(), 0);
    EXPECT_EQ(users(jet::LdbAllUsers), Names{"PC-A"});
    EXPECT_EQ(users(jet::LdbConnectedUsers), Names{});
    EXPECT_EQ(users(jet::LdbSuspectUsers), Names{});
}

TEST_F(ClientOnJet3, RefusesASuspectDatabase) {
    Client crash({"--computer", "PC-X", "--crash", db});
    ASSERT_EQ(connectClient(crash), 0);
    ASSERT_EQ(crash.wait(), 0);
    const Bytes lockBefore = readBytes(ldb);
    Client late({"--computer", "PC-Y", db});
    EXPECT_EQ(late.slot(), -1);
    EXPECT_EQ(late.wait(), 3);
    EXPECT_NE(late.errorText().find("suspect"), std::string::npos);
    EXPECT_EQ(readBytes(ldb), lockBefore);
}

TEST(ClientRefusal, TouchesNoFileThatIsNotAJetDatabase) {
    TempDir dir;
    const std::string notDb = dir / "notes.mdb";
    writeBytes(notDb, Bytes(4096, 'n'));
    Client c({"--computer", "PC-A", notDb});
    EXPECT_EQ(c.slot(), -1);
    EXPECT_EQ(c.wait(), 1);
    EXPECT_NE(c.errorText().find(notDb), std::string::npos);
    EXPECT_FALSE(fs::exists(dir / "notes.ldb"));
    EXPECT_EQ(readBytes(notDb), Bytes(4096, 'n'));
}

TEST(ClientRefusal, RejectsNamesThatDoNotFitASlot) {
    TempDir dir;
    const std::string db = copyTestFile("access/testV1997.mdb", dir / "a.mdb");
    Client c({"--computer", std::string(32, 'X'), db});
    EXPECT_EQ(c.wait(), 2);
    EXPECT_FALSE(fs::exists(dir / "a.ldb"));
}

TEST(ClientOtherFormats, Jet4AndAceCrashesAreSuspect) {
    TempDir dir;
    const std::string jet4 = copyTestFile("access/testV2000.mdb", dir / "jet4.mdb");
    Client a({"--computer", "PC-4", "--crash", jet4});
    ASSERT_EQ(connectClient(a), 0);
    ASSERT_EQ(a.wait(), 0);
    EXPECT_EQ(peekU16(jet4, kJet4Commit), 0x0000);
    EXPECT_EQ(jet::getLdbUsers(jet4, jet::LdbSuspectUsers), Names{"PC-4"});

    const std::string ace = copyTestFile("access/testV2007.accdb", dir / "ace.accdb");
    Client b({"--computer", "PC-ACE", ace});
    ASSERT_EQ(connectClient(b), 0);
    EXPECT_TRUE(fs::exists(dir / "ace.laccdb"));
    EXPECT_FALSE(fs::exists(dir / "ace.ldb"));
    EXPECT_EQ(jet::getLdbUsers(ace, jet::LdbConnectedUsers), Names{"PC-ACE"});
}

}  // namespace
