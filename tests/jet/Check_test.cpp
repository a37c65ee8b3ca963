// The file checker: silent on every real Access file of the test data and on
// a database we create, and naming the damage in copies damaged on purpose.
#include "LockFileTesting.h"
#include "WriteTesting.h"

#include "jet/check/CheckDatabase.h"
#include "jet/create/CreateDatabase.h"
#include "jet/index/IndexPage.h"
#include "jet/page/Coding.h"
#include "jet/store/Journal.h"
#include "jet/table/DataPage.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sys/wait.h>

namespace {

using locktest::TempDir;

std::string lines(const std::vector<jet::Finding>& findings) {
    std::string s;
    for (const auto& f : findings)
        s += jet::describe(f) + "\n";
    return s;
}

TEST(Check, EveryTestFileAndANewDatabaseAreClean) {
    std::vector<std::string> files = jettest::accessFiles();
    files.push_back(jettest::workgroup());
    TempDir dir;
    files.push_back(dir / "compnamedb.mdb");
    jet::createDatabase(files.back());
    ASSERT_GE(files.size(), 60u);
    for (const auto& file : files)
        EXPECT_EQ(lines(jet::checkDatabase(file)), "") << file;
}

// Long keys make the writer's trees three levels deep, where an intermediate
// entry holds the last key of its child's whole subtree.
TEST(Check, AThreeLevelTreeOfOurWriterIsClean) {
    jettest::WritableCopy copy("bigIndexTestV2000.mdb");
    jettest::store(copy.path(), "Table1", [](jet::TableWriter& w) {
        for (int i = 0; i < 400; ++i)
            w.insert(jettest::row(w.definition(), {{"col1", jet::Value::text(std::to_string(i) + std::string(200, 'n'))}}));
    });
    const auto db = jet::Database::open(copy.path());
    const auto def = db->tableDef("Table1");
    const auto level = [&](std::uint32_t page) { return jet::IndexPage(db->pager(), false, page, def->page); };
    int deepest = 0;
    for (const auto& real : def->realIndexes) {
        int depth = 1;
        for (auto page = level(real.firstPage); !page.leaf(); page = level(page.child(0)))
            ++depth;
        deepest = std::max(deepest, depth);
    }
    EXPECT_GE(deepest, 3);
    EXPECT_EQ(jettest::checkerFindings(copy.path()), "");
}

// A copy of indexTestV2000.mdb, whose Table1 has four rows on one data page
// and four indexes, damaged through `damage` and checked.
class DamagedCopy : public ::testing::Test {
protected:
    void SetUp() override {
        source = jettest::access("indexTestV2000.mdb");
        bytes = jettest::fileBytes(source);
        const auto db = jet::Database::open(source);
        table = db->tableDef("Table1");
        // The table's used-pages map row, as an offset into the file.
        jet::PageRef keep;
        const auto row = jet::rowAt(db->pager(), false, jet::rowPointer(table->usedPagesPointer), keep);
        mapRow = std::size_t{keep->number} * 4096 + static_cast<std::size_t>(row.data() - keep->bytes.data());
        dataPage = jet::readU32(&row[1]) + static_cast<std::uint32_t>(firstBit(row.subspan(5)));
    }

    static std::size_t firstBit(std::span<const std::uint8_t> bits) {
        for (std::size_t n = 0; n < bits.size() * 8; ++n)
            if ((bits[n / 8] >> (n % 8)) & 1)
                return n;
        return 0;
    }

    void setMapBit(std::uint32_t page) { bytes.at(mapRow + 5 + page / 8) |= static_cast<std::uint8_t>(1u << (page % 8)); }

    std::string check(jet::RowCounts rowCounts = jet::RowCounts::AsAccessLeavesThem) {
        const std::string path = dir / "damaged.mdb";
        std::ofstream(path, std::ios::binary).write(reinterpret_cast<const char*>(bytes.data()),
                                                    static_cast<std::streamsize>(bytes.size()));
        return lines(jet::checkDatabase(path, rowCounts));
    }

    TempDir dir;
    std::string source;
    std::vector<std::uint8_t> bytes;
    std::shared_ptr<const jet::TableDef> table;
    std::size_t mapRow = 0;
    std::uint32_t dataPage = 0;
};

TEST_F(DamagedCopy, AChangedRowCountIsNamed) {
    constexpr std::size_t kRowCountAt = 16;  // in a Jet 4 table definition
    jet::writeU32(&bytes[table->page * 4096 + kRowCountAt], table->storedRowCount + 1);
    EXPECT_EQ(check(jet::RowCounts::Exact),
              "Table1: page " + std::to_string(table->page) + ": the definition records 5 rows, the table holds 4\n");
    EXPECT_EQ(check(), "");  // as Access leaves counts at times
}

TEST_F(DamagedCopy, UsageMapBitsAreChecked) {
    const std::uint32_t indexPage = table->realIndexes[0].firstPage;
    setMapBit(indexPage);      // an index page claimed as a data page too
    setMapBit(500);            // a page past the end of the file
    const std::string found = check();
    EXPECT_NE(found.find("Table1: page " + std::to_string(indexPage) + ": the usage map names this page, which is no data page"),
              std::string::npos) << found;
    EXPECT_NE(found.find("Table1: page " + std::to_string(indexPage) + ": the page is claimed by both the rows of Table1 and index 0 of Table1"),
              std::string::npos) << found;
    EXPECT_NE(found.find("Table1: page 500: the usage map names this page, past the end of the file"), std::string::npos) << found;

    // A page of the table marked free for reuse in the global usage map.
    bytes = jettest::fileBytes(source);
    const auto db = jet::Database::open(source);
    jet::PageRef keep;
    const auto global = jet::rowAt(db->pager(), false, jet::rowPointer(0x100), keep);
    const std::size_t globalBits = std::size_t{keep->number} * 4096 + static_cast<std::size_t>(global.data() - keep->bytes.data()) + 5;
    bytes.at(globalBits + dataPage / 8) |= static_cast<std::uint8_t>(1u << (dataPage % 8));
    const std::string freed = check();
    EXPECT_EQ(freed, "(file): page " + std::to_string(dataPage) +
                         ": the global usage map marks this page free, but it holds the rows of Table1\n");

    // The table's data page left out of its map: the rows vanish, the indexes still name them.
    bytes = jettest::fileBytes(source);
    bytes.at(mapRow + 5 + dataPage / 8) &= static_cast<std::uint8_t>(~(1u << (dataPage % 8)));
    const std::string missing = check();
    EXPECT_NE(missing.find("Table1: page " + std::to_string(dataPage) +
                           ": index 'PrimaryKey': names rows on this data page of the table, which its usage map leaves out"),
              std::string::npos) << missing;
}

TEST_F(DamagedCopy, AChangedIndexKeyAndFreeSpaceAreNamed) {
    constexpr std::size_t kFirstLeafEntry = 0x1E0;  // Jet 4 leaf page
    const std::uint32_t leaf = table->realIndexes[0].firstPage;
    bytes[leaf * 4096 + kFirstLeafEntry + 4] ^= 0x01;  // the last byte of the first key (flag and 4-byte integer)
    constexpr std::size_t kFreeSpaceAt = 2;
    bytes[dataPage * 4096 + kFreeSpaceAt] ^= 0x04;
    const std::string found = check();
    EXPECT_NE(found.find("Table1: page " + std::to_string(leaf) + ": index 'id': the entry for the row at page " +
                         std::to_string(dataPage) + " row 0 holds the key 7f80000001, its values make 7f80000000"),
              std::string::npos) << found;
    EXPECT_NE(found.find("Table1: page " + std::to_string(dataPage) + ": records "), std::string::npos) << found;
}

// A journal left by a store cut short is reported, and the check neither
// rolls it back nor writes anything else: file and journal keep their bytes.
TEST_F(DamagedCopy, APendingJournalIsReportedAndLeftAsItIs) {
    check();
    const std::string path = dir / "damaged.mdb";
    jet::JournalImage image{4096, bytes.size(), bytes.size(), {}};
    image.pages[dataPage].original.assign(bytes.begin() + dataPage * 4096, bytes.begin() + (dataPage + 1) * 4096);
    image.pages[dataPage].written = jet::sectorSums(image.pages[dataPage].original);
    jet::writeJournal(jet::journalPathFor(path), image);
    const auto journal = jettest::fileBytes(jet::journalPathFor(path));
    const auto found = lines(jet::checkDatabase(path));
    EXPECT_NE(found.find("(file): page 0: a store was cut short"), std::string::npos) << found;
    EXPECT_EQ(jettest::fileBytes(path), bytes);
    EXPECT_EQ(jettest::fileBytes(jet::journalPathFor(path)), journal);
}

TEST(CheckTool, ExitsZeroOnlyForACleanFile) {
    const std::string tool = std::string(RAVELIN_BINARY_DIR) + "/ravelin-jet check ";
    const auto status = [](const std::string& command) {
        const int s = std::system((command + " >/dev/null 2>&1").c_str());
        return WIFEXITED(s) ? WEXITSTATUS(s) : -1;
    };
    EXPECT_EQ(status(tool + jettest::access("testV2000.mdb")), 0);
    TempDir dir;
    auto bytes = jettest::fileBytes(jettest::access("emptyJet4.mdb"));
    bytes[6 * 4096 + 2] ^= 0x01;  // the free space of the usage-map data page
    std::ofstream(dir / "bad.mdb", std::ios::binary).write(reinterpret_cast<const char*>(bytes.data()),
                                                           static_cast<std::streamsize>(bytes.size()));
    EXPECT_EQ(status(tool + dir / "bad.mdb"), 1);
    EXPECT_EQ(status(tool + dir / "missing.mdb"), 1);
    EXPECT_EQ(status(tool), 2);
}

}  // namespace
