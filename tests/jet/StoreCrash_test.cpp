// Every store is atomic: stopped at any write or sync, or failing there with
// an I/O error or a full disk, the file holds exactly the stores that
// completed once our engine opens it again. A store cut short shows Jet
// clients the database as suspect, and its journal undoes only that store.
#include "JetTesting.h"
#include "StoreTesting.h"

#include "jet/Database.h"
#include "jet/Error.h"
#include "jet/LdbUsers.h"
#include "jet/store/Journal.h"

#include <gtest/gtest.h>
#include <fstream>
#include <sys/resource.h>

namespace {

using namespace storetest;
using locktest::readBytes;

// emptyJet4.mdb has 19 pages; 10-12 are not read when the file is opened.
// The first store into a fresh copy: the journal written (1), synced (2) and
// its new folder entry synced (3), the commit in progress marked in the
// header (4), pages 10 (5) and 12 (6) written, ...
constexpr long kSecondPageOfTheFirstStore = 6;
const std::vector<PageChange> kScript = {
    {1, {10, 12}},
    {2, {kAppend, 12, kAppend}},
    {3, {kLast, 11, kAppend, 10}},
};

class StoreCrash : public ::testing::Test {
protected:
    void SetUp() override {
        original_ = readBytes(locktest::kData + "/access/emptyJet4.mdb");
        models_.push_back(original_);
        for (const auto& c : kScript) {
            models_.push_back(models_.back());
            applyToModel(models_.back(), c);
        }
    }
    void TearDown() override { jet::storeio::setFault({}); }

    // The test file alone: no journal beside it yet (the first store makes one).
    std::string freshCopy() {
        std::filesystem::remove(dir_ / "crash.mdb.rvj");
        return locktest::copyTestFile("access/emptyJet4.mdb", dir_ / "crash.mdb");
    }
    bool journalLeft(const std::string& path) { return jet::journalPending(jet::journalPathFor(path)); }
    // Runs the first store through `path`, stopped at its second page write:
    // the journal complete, page 10 already overwritten, page 12 torn.
    void cutShortFirstStore(const std::string& path) {
        ASSERT_EQ(runInChild([&] {
            jet::storeio::setFault({jet::storeio::Fault::Kind::Stop, kSecondPageOfTheFirstStore, 0});
            store(path, kScript[0]);
            return 0;
        }), kStopped);
    }

    // The operation count at the end of each store of the script.
    std::vector<long> operationEnds() {
        const std::string path = freshCopy();
        std::vector<long> ends;
        jet::storeio::setFault({});
        for (const auto& c : kScript) {
            store(path, c);
            ends.push_back(jet::storeio::operationCount());
        }
        EXPECT_EQ(readBytes(path), models_.back());
        EXPECT_NO_THROW(jet::Database::open(path));
        return ends;
    }

    locktest::TempDir dir_;
    Bytes original_;
    std::vector<Bytes> models_;  // the file after 0, 1, 2, ... stores
};

TEST_F(StoreCrash, StoppedAtAnyOperationTheReopenedFileHoldsTheCompletedStores) {
    const std::vector<long> ends = operationEnds();
    for (long n = 1; n <= ends.back(); ++n) {
        const std::string path = freshCopy();
        const int code = runInChild([&] {
            jet::storeio::setFault({jet::storeio::Fault::Kind::Stop, n, 0});
            for (const auto& c : kScript)
                store(path, c);
            return 0;
        });
        ASSERT_EQ(code, kStopped) << "operation " << n;
        EXPECT_NO_THROW(jet::Database::open(path)) << "operation " << n;
        // A store is in once its journal is gone: the last-but-one operation.
        const auto completed = std::count_if(ends.begin(), ends.end(), [&](long end) { return end <= n; });
        EXPECT_EQ(readBytes(path), models_[static_cast<std::size_t>(completed)]) << "operation " << n;
        EXPECT_FALSE(journalLeft(path)) << "operation " << n;
    }
}

TEST_F(StoreCrash, AFailedWriteOrAFullDiskUndoesOnlyTheStoreItHit) {
    const long total = operationEnds().back();
    for (const int error : {EIO, ENOSPC}) {
        for (long n = 1; n <= total; ++n) {
            const std::string path = freshCopy();
            Bytes model = original_;
            int failures = 0;
            jet::storeio::setFault({jet::storeio::Fault::Kind::Fail, n, error});
            for (const auto& c : kScript) {
                try {
                    store(path, c);
                    applyToModel(model, c);
                } catch (const jet::Error& e) {
                    ++failures;
                    EXPECT_EQ(e.number(), error == ENOSPC ? 3026 : 3043) << e.what();
                }
            }
            jet::storeio::setFault({});
            EXPECT_EQ(failures, 1) << "operation " << n;
            EXPECT_EQ(readBytes(path), model) << "error " << error << ", operation " << n;
            EXPECT_FALSE(journalLeft(path)) << "operation " << n;
        }
    }
}

TEST_F(StoreCrash, AFileSizeLimitStopsAGrowingStoreAsAFullDiskDoes) {
    // At the file's size the appended pages fail; at 0 already the lock file's slot.
    for (const rlim_t size : {static_cast<rlim_t>(original_.size()), rlim_t{0}}) {
        const std::string path = freshCopy();
        const int code = runInChild([&] {
            ::signal(SIGXFSZ, SIG_IGN);  // writes past the limit then fail with EFBIG
            const rlimit limit{size, size};
            if (::setrlimit(RLIMIT_FSIZE, &limit) != 0)
                return 3;
            try {
                store(path, kScript[1]);  // appends pages
            } catch (const jet::Error& e) {
                return e.number() == 3026 ? 0 : 4;
            }
            return 5;
        });
        EXPECT_EQ(code, 0) << size;
        EXPECT_EQ(readBytes(path), original_) << size;
        EXPECT_FALSE(journalLeft(path)) << size;
        EXPECT_FALSE(std::filesystem::exists(jet::lockFilePathFor(path))) << size;
    }
}

TEST_F(StoreCrash, TheJournalIsFoundWhicheverPathLedToTheFile) {
    const std::string path = freshCopy();
    const std::string link = dir_ / "link.mdb";
    std::filesystem::create_symlink(path, link);
    cutShortFirstStore(link);
    jet::Database::open(path);
    EXPECT_EQ(readBytes(path), original_);
}

TEST_F(StoreCrash, CutShortTheStoreLeavesTheDatabaseSuspectAndReadersSeeItWhole) {
    const std::string path = freshCopy();
    cutShortFirstStore(path);
    ASSERT_TRUE(journalLeft(path));
    const Bytes crashed = readBytes(path);
    ASSERT_NE(crashed, original_);

    // Jet clients see the commit the store left in progress, as after a crashed client.
    EXPECT_EQ(jet::getLdbUsers(path, 4), std::vector<std::string>{"RAVELIN-TEST"});
    locktest::Client access({"--computer", "PC-ACCESS", path});
    EXPECT_EQ(access.wait(), 3);

    std::filesystem::permissions(dir_ / "", std::filesystem::perms(0755));
    std::filesystem::permissions(path, std::filesystem::perms(0444));
    const int readerCode = runAsNobody([&] {
        const auto db = jet::Database::open(path);
        for (std::uint32_t page = 0; page < db->pager().pageCount(); ++page) {
            const auto& bytes = db->pager().page(page)->bytes;
            if (!std::equal(bytes.begin(), bytes.end(), original_.begin() + page * kPageSize))
                return 10;
        }
        return db->pager().pageCount() * kPageSize == original_.size() ? 0 : 11;
    });
    EXPECT_EQ(readerCode, 0);
    EXPECT_EQ(readBytes(path), crashed);  // the reader changed nothing

    std::filesystem::permissions(path, std::filesystem::perms(0644));
    jet::Database::open(path);  // writable and unused: rolled back
    EXPECT_EQ(readBytes(path), original_);
    EXPECT_FALSE(journalLeft(path));
}

std::string noticed;
void takeNotice(const std::string& text) { noticed += text; }

// Someone wrote the file after the store was cut short: the journal no
// longer fits it and is kept aside, and the file, still suspect, is left as
// it is, for Access to repair; stores are refused until then.
TEST_F(StoreCrash, AJournalOthersHaveWrittenOverIsKeptAsideNotApplied) {
    const std::string path = freshCopy();
    cutShortFirstStore(path);
    {
        const Bytes other = patternPage(99, 10);
        std::fstream file(path, std::ios::in | std::ios::out | std::ios::binary);
        file.seekp(10 * kPageSize);
        file.write(reinterpret_cast<const char*>(other.data()), static_cast<std::streamsize>(other.size()));
    }
    const Bytes written = readBytes(path);
    noticed.clear();
    const auto previous = jet::setNoticeHandler(&takeNotice);
    jet::Database::open(path);
    jet::setNoticeHandler(previous);
    EXPECT_EQ(readBytes(path), written);
    EXPECT_FALSE(journalLeft(path));
    EXPECT_TRUE(std::filesystem::exists(jet::journalPathFor(path) + ".not-applied"));
    EXPECT_NE(noticed.find("was not applied"), std::string::npos) << noticed;
    EXPECT_EQ(jettest::errorOf([&] { store(path, kScript[1]); }), jet::NotADatabase);  // still suspect
    EXPECT_EQ(readBytes(path), written);
}

}  // namespace
