// Stores into a database others use: concurrent writers serialise, a
// connected Jet user refuses the store, the lock file is ours only while the
// store runs, readers wait for a store to end.
#include "JetTesting.h"
#include "StoreTesting.h"

#include "jet/Database.h"
#include "jet/Error.h"
#include "jet/LdbUsers.h"
#include "jet/lockfile/LockFile.h"
#include "jet/store/Journal.h"

#include <gtest/gtest.h>

namespace {

using namespace storetest;
using locktest::readBytes;
namespace fs = std::filesystem;

constexpr std::uint32_t kCounterPage = 12;

class StoreSharing : public ::testing::Test {
protected:
    // `file` under the test data, "access/" when it names no folder.
    std::string copy(std::string file = "emptyJet4.mdb") {
        if (file.find('/') == std::string::npos)
            file = "access/" + file;
        return locktest::copyTestFile(file, dir_ / std::filesystem::path(file).filename());
    }
    locktest::TempDir dir_;
};

// The counter in the first bytes of the page at `at` of `bytes`.
std::uint32_t counterOf(const Bytes& bytes, std::size_t at = 0) {
    return bytes[at] | (bytes[at + 1] << 8) | (bytes[at + 2] << 16) | (static_cast<std::uint32_t>(bytes[at + 3]) << 24);
}

void incrementCounter(const std::string& path, const std::string& computer) {
    jet::StoreOptions options;
    options.computerName = computer;
    jet::runStore(path, [](jet::PageStore& s) {
        Bytes page = s.read(kCounterPage);
        const std::uint32_t next = counterOf(page) + 1;
        for (int i = 0; i < 4; ++i)
            page[static_cast<std::size_t>(i)] = static_cast<std::uint8_t>(next >> (8 * i));
        s.write(kCounterPage, page);
    }, options);
}

TEST_F(StoreSharing, TwoProcessesStoringAtOnceLoseNoStore) {
    const std::string path = copy();
    const std::uint32_t start = counterOf(readBytes(path), kCounterPage * kPageSize);
    constexpr int kStores = 40;
    std::vector<pid_t> children;
    for (const char* computer : {"PC-ONE", "PC-TWO"}) {
        const pid_t pid = ::fork();
        if (pid == 0) {
            int code = 0;
            try {
                for (int i = 0; i < kStores; ++i)
                    incrementCounter(path, computer);
            } catch (...) {
                code = 1;
            }
            ::_exit(code);
        }
        children.push_back(pid);
    }
    for (const pid_t pid : children) {
        int status = 0;
        ::waitpid(pid, &status, 0);
        EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
    }
    EXPECT_EQ(counterOf(readBytes(path), kCounterPage * kPageSize), start + 2 * kStores);
    EXPECT_FALSE(fs::exists(jet::lockFilePathFor(path)));
}

// In a Jet 4 file and in an Access 2010 one, whose lock file is a .laccdb.
TEST_F(StoreSharing, AConnectedJetUserRefusesTheStoreAndNothingIsWritten) {
    for (const char* file : {"emptyJet4.mdb", "access-more/delColTestV2010.accdb"}) {
        SCOPED_TRACE(file);
        const std::string path = copy(file);
        const std::string lockPath = jet::lockFilePathFor(path);
        {
            locktest::Client access({"--computer", "PC-ACCESS", "--user", "maria", path});
            ASSERT_GE(locktest::connectClient(access), 0);
            const Bytes database = readBytes(path), lockFile = readBytes(lockPath);
            const jet::Error e = jettest::caught([&] { store(path, {1, {10}}); });
            EXPECT_EQ(e.number(), 3260);
            EXPECT_STREQ(e.what(), "Couldn't update; currently locked by user 'maria' on machine 'PC-ACCESS'.");
            EXPECT_EQ(readBytes(path), database);
            EXPECT_EQ(readBytes(lockPath), lockFile);
            EXPECT_FALSE(fs::exists(jet::journalPathFor(path)));
            EXPECT_EQ(access.stop(), 0);
        }
        store(path, {1, {10}});  // once the user has left
        EXPECT_EQ(readBytes(path)[10 * kPageSize], 'S');
    }
}

TEST_F(StoreSharing, TheStoreIsAUserOnlyWhileItRunsAndRemovesAnUnusedLockFile) {
    const std::string path = copy();
    const std::string lockPath = jet::lockFilePathFor(path);
    locktest::writeBytes(lockPath, locktest::lockFileOf({"GONE-PC"}));  // a user who left

    std::vector<std::string> during;
    jet::StoreOptions options;
    options.computerName = "ADMIN-PC";
    jet::runStore(path, [&](jet::PageStore&) { during = jet::getLdbUsers(path, 2); }, options);
    EXPECT_EQ(during, std::vector<std::string>{"ADMIN-PC"});
    EXPECT_FALSE(fs::exists(lockPath));

    // Someone holding the lock file open (without a user lock) keeps it.
    locktest::writeBytes(lockPath, locktest::lockFileOf({"GONE-PC"}));
    locktest::LockHolder other(lockPath, {{0, 1, F_RDLCK}});
    ASSERT_TRUE(other.ok());
    jet::runStore(path, [](jet::PageStore&) {}, options);
    ASSERT_TRUE(fs::exists(lockPath));
    for (const auto& slot : jet::parseLockSlots(readBytes(lockPath)))
        EXPECT_NE(slot.computerName, "ADMIN-PC");  // our slot was cleared
}

TEST_F(StoreSharing, AFileThatCannotBeWrittenGives3027AndNothingChanges) {
    const std::string path = copy();
    fs::permissions(dir_ / "", fs::perms(0777));
    fs::permissions(path, fs::perms(0444));
    const Bytes before = readBytes(path);
    const auto refusedAs3027 = [&](const std::string& file) {
        return jettest::errorOf([&] { store(file, {1, {10}}); }) == 3027 ? 0 : 1;
    };
    EXPECT_EQ(runAsNobody([&] { return refusedAs3027(path); }), 0);
    EXPECT_EQ(readBytes(path), before);
    EXPECT_FALSE(fs::exists(jet::lockFilePathFor(path)));
    EXPECT_FALSE(fs::exists(jet::journalPathFor(path)));

    // A format we do not write is refused the same way, even where the file may be written.
    const std::string jet3 = copy("testV1997.mdb");
    const Bytes jet3Before = readBytes(jet3);
    EXPECT_EQ(refusedAs3027(jet3), 0);
    EXPECT_EQ(readBytes(jet3), jet3Before);
    EXPECT_FALSE(fs::exists(jet::lockFilePathFor(jet3)));
}

// A symbolic link planted where the journal or the lock file goes refuses
// the store; the file it leads to and the link itself stay as they were.
TEST_F(StoreSharing, ALinkInPlaceOfTheJournalOrLockFileRefusesTheStore) {
    const std::string path = copy();
    for (const std::string& planted : {jet::journalPathFor(path), jet::lockFilePathFor(path)}) {
        SCOPED_TRACE(planted);
        const fs::path victim = dir_ / "victim.txt";
        locktest::writeBytes(victim.string(), Bytes(100, 'v'));
        fs::create_symlink(victim, planted);
        const Bytes before = readBytes(path);
        EXPECT_EQ(jettest::errorOf([&] { store(path, {1, {10}}); }), jet::ReadOnlyDatabase);
        EXPECT_EQ(readBytes(victim.string()), Bytes(100, 'v'));
        EXPECT_TRUE(fs::is_symlink(planted));
        EXPECT_EQ(readBytes(path), before);
        fs::remove(planted);
    }
}

TEST_F(StoreSharing, AStoreInsideAStoreOfTheSameFileJoinsIt) {
    const std::string path = copy();
    const Bytes before = readBytes(path);
    jet::runStore(path, [&](jet::PageStore& outer) {
        outer.write(10, patternPage(1, 10));
        EXPECT_THROW(jet::runStore(path, [](jet::PageStore& inner) {
            inner.write(11, patternPage(2, 11));
            throw jet::Error(3164, "refused");
        }), jet::Error);
        jet::runStore(path, [](jet::PageStore& inner) {
            EXPECT_EQ(inner.read(10), patternPage(1, 10));  // the outer store's page
            inner.write(12, patternPage(3, 12));
        });
    });
    Bytes expected = before;
    applyToModel(expected, {1, {10}});  // one store: one write in its commit value
    const Bytes inner = patternPage(3, 12);
    std::copy(inner.begin(), inner.end(), expected.begin() + 12 * kPageSize);
    EXPECT_EQ(readBytes(path), expected);
}

TEST_F(StoreSharing, OpeningWaitsForAStoreInProgress) {
    const std::string path = copy();
    int ready[2];
    ASSERT_EQ(::pipe(ready), 0);
    const pid_t writer = ::fork();
    if (writer == 0) {
        ::close(ready[0]);
        jet::runStore(path, [&](jet::PageStore& s) {
            s.write(10, patternPage(5, 10));
            (void)!::write(ready[1], "x", 1);
            ::usleep(300'000);
        });
        ::_exit(0);
    }
    ::close(ready[1]);
    char c = 0;
    ASSERT_EQ(::read(ready[0], &c, 1), 1);  // the store runs now
    ::close(ready[0]);
    const auto db = jet::Database::open(path);
    const Bytes page = db->pager().page(10)->bytes;  // read before the writer is reaped
    int status = 0;
    ::waitpid(writer, &status, 0);
    ASSERT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
    EXPECT_EQ(page, patternPage(5, 10));  // opened after the store, not during
}

}  // namespace
