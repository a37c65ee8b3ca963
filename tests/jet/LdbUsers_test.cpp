// The lock-file operation: all, connected and suspect users of a database,
// with the user locks held by other processes, and its failures.
#include "JetTesting.h"
#include "LockFileTesting.h"
#include "StoreTesting.h"

#include "jet/Error.h"
#include "jet/LdbUsers.h"
#include "jet/lockfile/LockFile.h"

#include <gtest/gtest.h>

namespace {

using namespace locktest;
using Names = std::vector<std::string>;

Names names(int from, int to) {
    Names n;
    for (int i = from; i < to; ++i)
        n.push_back("PC" + std::to_string(i));
    return n;
}

jet::Error errorOf(const std::string& db, int option) {
    return jettest::caught([&] { jet::getLdbUsers(db, option); });
}

struct Jet3Database : ::testing::Test {
    TempDir dir;
    std::string db = copyTestFile("access/testV1997.mdb", dir / "shared.mdb");
    std::string ldb = dir / "shared.ldb";
};

TEST(LdbUsersRealFile, ListsTheComputerInJetsOwnLockFile) {
    // The lock file lies in testdata/lockfiles; only the users listed need no database.
    EXPECT_EQ(jet::getLdbUsers(kData + "/lockfiles/system.mdw", jet::LdbAllUsers), Names{"CDU001"});
    EXPECT_EQ(jet::getLdbUsers(kData + "/lockfiles/system.mdw", jet::LdbConnectedUsers), Names{});

    TempDir dir;
    const std::string mdw = copyTestFile("workgroup/system.mdw", dir / "system.mdw");
    copyTestFile("lockfiles/system.ldb", dir / "system.ldb");
    EXPECT_EQ(jet::getLdbUsers(mdw, jet::LdbAllUsers), Names{"CDU001"});
    EXPECT_EQ(jet::getLdbUsers(mdw, jet::LdbConnectedUsers), Names{});
    EXPECT_EQ(jet::getLdbUsers(mdw, jet::LdbSuspectUsers), Names{});  // closed normally
}

TEST(LdbUsersPath, APathEndedWithNulsAsTheOriginalLibraryTookIt) {
    TempDir dir;
    const std::string db = copyTestFile("access/testV2007.accdb", dir / "orders.accdb");
    writeBytes(dir / "orders.laccdb", lockFileOf({"PC0"}));
    EXPECT_EQ(jet::getLdbUsers(db + std::string(2, '\0'), jet::LdbAllUsers), Names{"PC0"});
    EXPECT_EQ(jet::getLdbUsers(db + std::string(2, '\0'), jet::LdbSuspectUsers), Names{});
}

// For every option, naming the lock file: one that is missing (and is not
// created by asking), and one that opens but cannot be read, even by root.
TEST_F(Jet3Database, AMissingOrUnreadableLockFileIsReported) {
    for (const auto& [unreadable, number] : {std::pair{false, jet::FileNotFound}, {true, jet::DiskIo}}) {
        if (unreadable)
            fs::create_directory(ldb);
        for (const int option : {1, 2, 4}) {
            const jet::Error e = errorOf(db, option);
            EXPECT_EQ(e.number(), number) << option;
            EXPECT_NE(e.description().find(ldb), std::string::npos) << e.description();
        }
        EXPECT_EQ(fs::exists(ldb), unreadable);
    }
}

TEST_F(Jet3Database, LockFileWithoutReadPermissionIsReported) {
    writeBytes(ldb, lockFileOf({"PC0"}));
    fs::permissions(ldb, fs::perms::none);
    fs::permissions(fs::path(ldb).parent_path(), fs::perms::others_exec, fs::perm_options::add);
    // Permission bits do not stop root: the tests may run as root, so read as nobody.
    const int code = storetest::runAsNobody([&] {
        try {
            jet::getLdbUsers(db, jet::LdbAllUsers);
        } catch (const jet::Error& e) {
            return e.number() == jet::DiskIo && e.description().find(ldb) != std::string::npos ? 0 : 1;
        }
        return 2;
    });
    EXPECT_EQ(code, 0) << "1: another error, 2: no error, 3: could not become nobody";
}

TEST_F(Jet3Database, OtherOptionsAreRefusedByValue) {
    writeBytes(ldb, lockFileOf({"PC0"}));
    for (const int option : {0, 3, 5, 8, -1, -2147483647 - 1}) {
        const jet::Error e = errorOf(db, option);
        EXPECT_EQ(e.number(), jet::InvalidArgument);
        EXPECT_NE(e.description().find(std::to_string(option)), std::string::npos) << e.description();
    }
}

TEST(LdbUsersNotADatabase, OnlyTheSuspectOptionNeedsTheDatabase) {
    TempDir dir;
    const std::string db = dir / "notes.mdb";
    writeBytes(db, Bytes(4096, 'x'));
    writeBytes(dir / "notes.ldb", lockFileOf({"PC0"}));
    EXPECT_EQ(jet::getLdbUsers(db, jet::LdbAllUsers), Names{"PC0"});
    const jet::Error e = errorOf(db, jet::LdbSuspectUsers);
    EXPECT_EQ(e.number(), jet::NotADatabase);
    EXPECT_NE(e.description().find(db), std::string::npos);

    fs::remove(db);
    EXPECT_EQ(errorOf(db, jet::LdbSuspectUsers).number(), jet::FileNotFound);
}

TEST_F(Jet3Database, HeaderPageCutShortIsNotADatabase) {
    writeBytes(ldb, lockFileOf({"PC0"}));
    Bytes head = readBytes(db);
    head.resize(0x700);  // the format is recognisable, the commit values are missing
    writeBytes(db, head);
    const jet::Error e = errorOf(db, jet::LdbSuspectUsers);
    EXPECT_EQ(e.number(), jet::NotADatabase);
    EXPECT_NE(e.description().find(db), std::string::npos);
}

TEST_F(Jet3Database, ConnectedUsersAreThoseHoldingTheirUserLock) {
    writeBytes(ldb, lockFileOf(names(0, 20)));
    // Separate owners taking their locks out of slot order: the kernel does
    // not report conflicts lowest first. A shared (read) lock counts too.
    LockHolder holders(ldb, {userLock(19), userLock(0), {kUserLockBase + 7, 1, F_RDLCK}, userLock(12), userLock(3)});
    ASSERT_TRUE(holders.ok());
    EXPECT_EQ(jet::getLdbUsers(db, jet::LdbConnectedUsers), (Names{"PC0", "PC3", "PC7", "PC12", "PC19"}));
    EXPECT_EQ(jet::getLdbUsers(db, jet::LdbAllUsers), names(0, 20));
    holders.release();
    EXPECT_EQ(jet::getLdbUsers(db, jet::LdbConnectedUsers), Names{});
}

TEST_F(Jet3Database, OnlyTheUserLockRangeCounts) {
    writeBytes(ldb, lockFileOf(names(0, 255)));
    // Just below slot 0's lock, just past slot 254's, and the file's own bytes.
    LockHolder outside(ldb, {{kUserLockBase - 1, 1}, {kUserLockBase + 255, 1}, {0, 64}});
    ASSERT_TRUE(outside.ok());
    EXPECT_EQ(jet::getLdbUsers(db, jet::LdbConnectedUsers), Names{});
    // One lock spanning slots 10 to 12 holds all three.
    LockHolder wide(ldb, {{kUserLockBase + 10, 3}, userLock(254)});
    ASSERT_TRUE(wide.ok());
    EXPECT_EQ(jet::getLdbUsers(db, jet::LdbConnectedUsers), (Names{"PC10", "PC11", "PC12", "PC254"}));
}

TEST_F(Jet3Database, AFullLockFileWithEveryUserConnected) {
    writeBytes(ldb, lockFileOf(names(0, 255)));
    std::vector<LockRange> all;
    for (int slot = 0; slot < 255; ++slot)
        all.push_back(userLock(slot));
    {
        LockHolder oneProcess(ldb, all, LockHolder::Owners::OneProcess);  // merged by the kernel
        ASSERT_TRUE(oneProcess.ok());
        EXPECT_EQ(jet::getLdbUsers(db, jet::LdbConnectedUsers), names(0, 255));
    }
    LockHolder separate(ldb, all);
    ASSERT_TRUE(separate.ok());
    EXPECT_EQ(jet::getLdbUsers(db, jet::LdbConnectedUsers), names(0, 255));
}

TEST_F(Jet3Database, ConnectedUsersBeyondTheFileOrWithoutNameAreNotListed) {
    Bytes file = lockFileOf({"PC0"});
    file.resize(128, 0);  // slot 1 empty
    writeBytes(ldb, file);
    LockHolder holders(ldb, {userLock(0), userLock(1), userLock(5)});
    ASSERT_TRUE(holders.ok());
    EXPECT_EQ(jet::getLdbUsers(db, jet::LdbConnectedUsers), Names{"PC0"});
}

TEST_F(Jet3Database, SuspectUsersLeftAWriteInProgressOrMetACorruptPage) {
    writeBytes(ldb, lockFileOf(names(0, 6)));
    pokeU16(db, kJet3Commit + 2 * 0, 0x0000);  // writing, gone: suspect
    pokeU16(db, kJet3Commit + 2 * 1, 0x0000);  // writing, still connected: not suspect
    pokeU16(db, kJet3Commit + 2 * 2, 0x0001);  // met a corrupt page, connected: suspect
    pokeU16(db, kJet3Commit + 2 * 3, 0x0001);  // met a corrupt page, gone: suspect
    pokeU16(db, kJet3Commit + 2 * 4, 0x0123);  // a write count: not suspect
    pokeU16(db, kJet3Commit + 2 * 5, 0x0100);  // never wrote: not suspect
    LockHolder holders(ldb, {userLock(1), userLock(2)});
    ASSERT_TRUE(holders.ok());
    EXPECT_EQ(jet::getLdbUsers(db, jet::LdbSuspectUsers), (Names{"PC0", "PC2", "PC3"}));
    EXPECT_EQ(jet::getLdbUsers(db, jet::LdbConnectedUsers), (Names{"PC1", "PC2"}));
    holders.release();
    EXPECT_EQ(jet::getLdbUsers(db, jet::LdbSuspectUsers), (Names{"PC0", "PC1", "PC2", "PC3"}));
}

TEST_F(Jet3Database, TheExclusiveUsePairIsNoUserSlot) {
    writeBytes(ldb, lockFileOf(names(0, 2)));
    pokeU16(db, kJet3Commit - 2, 0x0000);
    EXPECT_EQ(jet::getLdbUsers(db, jet::LdbSuspectUsers), Names{});
}

TEST(LdbUsersSuspect, Jet4AndAce12KeepTheStateAtTheEndOfTheirHeaderPage) {
    TempDir dir;
    const std::string jet4 = copyTestFile("access/testV2000.mdb", dir / "jet4.mdb");
    writeBytes(dir / "jet4.ldb", lockFileOf(names(0, 3)));
    pokeU16(jet4, kJet4Commit + 2 * 1, 0x0000);
    pokeU16(jet4, kJet3Commit + 2 * 2, 0x0000);  // the Jet 3 place means nothing in a 4 KB page
    EXPECT_EQ(jet::getLdbUsers(jet4, jet::LdbSuspectUsers), Names{"PC1"});

    const std::string ace = copyTestFile("access/testV2007.accdb", dir / "ace.accdb");
    writeBytes(dir / "ace.laccdb", lockFileOf(names(0, 3)));
    pokeU16(ace, kJet4Commit + 2 * 2, 0x0000);
    EXPECT_EQ(jet::getLdbUsers(ace, jet::LdbSuspectUsers), Names{"PC2"});
    LockHolder holder(dir / "ace.laccdb", {userLock(2)});
    ASSERT_TRUE(holder.ok());
    EXPECT_EQ(jet::getLdbUsers(ace, jet::LdbSuspectUsers), Names{});
}

TEST(LdbUsersSuspect, EveryTestFileMonitoredThroughItsLockFile) {
    // All closed normally: with every slot named and no lock held, a wrong rule
    // would report users. Then on a copy one simulated client stays, one crashes.
    const Names all = names(0, 255);
    std::vector<std::string> files = jettest::accessFiles();
    files.push_back(jettest::workgroup());
    for (const auto& file : files) {
        TempDir dir;
        const std::string db = copyTestFile(file.substr(kData.size() + 1), dir / fs::path(file).filename().string());
        const std::string ldb = jet::lockFilePathFor(db);
        writeBytes(ldb, lockFileOf(all));
        EXPECT_EQ(jet::getLdbUsers(db, jet::LdbSuspectUsers), Names{}) << file;
        EXPECT_EQ(jet::getLdbUsers(db, jet::LdbAllUsers).size(), 255u) << file;
        fs::remove(ldb);

        Client present({"--computer", "PC-IN", db});
        ASSERT_EQ(connectClient(present), 0) << file;
        Client crashed({"--computer", "PC-GONE", "--crash", db});
        ASSERT_EQ(connectClient(crashed), 1) << file;
        crashed.wait();
        EXPECT_EQ(jet::getLdbUsers(db, jet::LdbConnectedUsers), Names{"PC-IN"}) << file;
        EXPECT_EQ(jet::getLdbUsers(db, jet::LdbSuspectUsers), Names{"PC-GONE"}) << file;
    }
}

TEST_F(Jet3Database, MonitoringLeavesTheFilesUntouched) {
    writeBytes(ldb, lockFileOf(names(0, 8)));
    pokeU16(db, kJet3Commit + 2 * 3, 0x0000);
    LockHolder holders(ldb, {userLock(1), userLock(4)});
    ASSERT_TRUE(holders.ok());
    const FileStamp dbBefore = stampOf(db);
    const FileStamp ldbBefore = stampOf(ldb);
    for (int i = 0; i < 50; ++i)
        for (const int option : {1, 2, 4})
            jet::getLdbUsers(db, option);
    EXPECT_TRUE(stampOf(db) == dbBefore);
    EXPECT_TRUE(stampOf(ldb) == ldbBefore);
    // The other users' locks are still theirs, and no lock of ours is left.
    EXPECT_EQ(jet::getLdbUsers(db, jet::LdbConnectedUsers), (Names{"PC1", "PC4"}));
    EXPECT_EQ(jet::getLdbUsers(db, jet::LdbSuspectUsers), Names{"PC3"});
    holders.release();
    LockHolder everyLock(ldb, {{0, 0}});  // the whole file and every byte past it
    EXPECT_TRUE(everyLock.ok());
}

TEST_F(Jet3Database, OversizedAndGarbageLockFilesGiveSensibleResults) {
    Bytes big = lockFileOf(names(0, 300));
    writeBytes(ldb, big);
    EXPECT_EQ(jet::getLdbUsers(db, jet::LdbAllUsers), names(0, 255));

    Bytes garbage(20000);
    for (std::size_t i = 0; i < garbage.size(); ++i)
        garbage[i] = static_cast<std::uint8_t>((i * 7919 + 13) % 256);
    writeBytes(ldb, garbage);
    const Names got = jet::getLdbUsers(db, jet::LdbAllUsers);
    EXPECT_LE(got.size(), 255u);
    for (const auto& name : got) {
        EXPECT_FALSE(name.empty());
        EXPECT_EQ(name.find('\0'), std::string::npos);
    }
    EXPECT_EQ(jet::getLdbUsers(db, jet::LdbSuspectUsers), Names{});
}

}  // namespace
