// A compacted copy holds every user table by value, its field types and
// AutoNumbers, and is no larger than its source; what cannot be copied is
// refused and leaves no file behind.
#include "JetTesting.h"
#include "LockFileTesting.h"

#include "jet/compact/Compact.h"
#include "jet/table/CsvExport.h"
#include "jet/table/TableDef.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <sstream>

namespace {
std::string content(const std::shared_ptr<const jet::Database>& db, const std::string& table) {
    std::ostringstream text, notes;
    const auto def = db->tableDef(table);  // held: the loop would outlive a temporary
    for (const auto& c : def->columns)
        text << int{c.type} << (c.autoNumber() ? "+ " : " ");
    jet::exportCsv(db, table, text, notes);
    return text.str();
}

class CompactFile : public testing::TestWithParam<const char*> {};

TEST_P(CompactFile, HoldsEveryUserTableByValue) {
    locktest::TempDir dir;
    const std::string source = jettest::access(GetParam());
    const jet::CompactResult result = jet::compactDatabase(source, dir / GetParam());
    const auto before = jet::Database::open(source);
    const auto after = jet::Database::open(dir / GetParam());
    ASSERT_EQ(after->tableNames(), before->tableNames());
    std::size_t rows = 0;
    for (const std::string& table : before->tableNames()) {
        EXPECT_EQ(content(after, table), content(before, table)) << table;
        rows += jettest::allRows(before, table).size();
    }
    EXPECT_EQ(result.tables, before->tableNames().size());
    EXPECT_EQ(result.rows, rows);
    EXPECT_GT(rows, 0u);
    EXPECT_LE(std::filesystem::file_size(dir / GetParam()), std::filesystem::file_size(source));
}

INSTANTIATE_TEST_SUITE_P(Files, CompactFile,
                         testing::Values("testV2000.mdb", "indexTestV2000.mdb", "delTestV2000.mdb",
                                         "overflowTestV2000.mdb", "fixedTextTestV2000.mdb", "testV2007.accdb",
                                         "indexTestV2007.accdb", "compIndexTestV2000.mdb"));

TEST(Compact, RefusesWhatItCannotCopyAndLeavesNothing) {
    locktest::TempDir dir;
    std::filesystem::copy_file(jettest::access("testV2000.mdb"), dir / "there.mdb");
    for (const auto& [source, dest, error] : {std::tuple{"testV1997.mdb", "jet3.mdb", jet::ReadOnlyDatabase},
                                              {"testV2000.mdb", "other-kind.accdb", jet::InvalidArgument},
                                              {"fixedNumericTestV2000.mdb", "decimal.mdb", jet::InvalidArgument},
                                              {"testV2000.mdb", "there.mdb", jet::DatabaseExists}}) {
        const auto from = jettest::access(source);
        const auto to = dir / dest;
        EXPECT_EQ(jettest::errorOf([&] { jet::compactDatabase(from, to); }), error) << dest;
        EXPECT_EQ(std::filesystem::exists(dir / dest), error == jet::DatabaseExists) << dest;
    }
}
TEST(Compact, InPlaceOnlyWhenNoOneIsConnected) {
    locktest::TempDir dir;
    const std::string path = locktest::copyTestFile("access/indexTestV2000.mdb", dir / "db.mdb");
    const auto before = content(jet::Database::open(path), "Table1");
    {
        locktest::Client ann({"--computer", "PC-ANN", "--user", "ann", path});
        ASSERT_GE(locktest::connectClient(ann), 0);
        const auto bytes = jettest::fileBytes(path);  // as the connected user left them
        EXPECT_EQ(jettest::errorOf([&] { jet::compactInPlace(path); }), jet::CurrentlyLocked);
        EXPECT_EQ(jettest::fileBytes(path), bytes);
    }
    EXPECT_EQ(jet::compactInPlace(path).tables, 3u);
    EXPECT_EQ(content(jet::Database::open(path), "Table1"), before);
    EXPECT_FALSE(std::filesystem::exists(dir / "db.compacting.mdb.rvj"));
}
}  // namespace
