// A new user name database written from scratch: both independent readers
// (mdbtools and mdb-reader) and our own read it alike, T_Main has its four
// text columns and its unique index, and an existing file is never replaced.
#include "JetTesting.h"
#include "LockFileTesting.h"

#include "jet/Error.h"
#include "jet/create/CreateDatabase.h"
#include "jet/index/Index.h"
#include "jet/table/ColumnType.h"

#include <gtest/gtest.h>

#include <array>
#include <cstdio>
#include <filesystem>
#include <sys/wait.h>

namespace {

using locktest::TempDir;

struct Output {
    int exitCode = -1;
    std::string text;
};

Output run(const std::string& command) {
    Output o;
    FILE* pipe = ::popen((command + " 2>&1").c_str(), "r");
    if (!pipe)
        return o;
    std::array<char, 4096> buffer{};
    while (const std::size_t n = std::fread(buffer.data(), 1, buffer.size(), pipe))
        o.text.append(buffer.data(), n);
    const int status = ::pclose(pipe);
    o.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return o;
}

const std::string kDifferential = std::string(RAVELIN_SOURCE_DIR) + "/tests/jet/differential/compare.mjs";

TEST(CreateDatabase, BothOraclesAndOurReaderReadEveryTableAlike) {
    TempDir dir;
    const std::string path = dir / "compnamedb.mdb";
    jet::createDatabase(path);

    // Every value of every table, system tables included, three readers.
    const auto compared = run("node " + kDifferential + " --tool " + RAVELIN_BINARY_DIR + "/ravelin-jet --file " + path);
    EXPECT_EQ(compared.exitCode, 0) << compared.text;
    EXPECT_NE(compared.text.find("5 tables"), std::string::npos) << compared.text;

    const auto schema = run("mdb-schema --indexes " + path + " postgres");
    ASSERT_EQ(schema.exitCode, 0) << schema.text;
    for (const char* expected : {"\"computername\"\t\t\tVARCHAR (50)", "\"name\"\t\t\tVARCHAR (60)",
                                 "\"contact\"\t\t\tVARCHAR (60)", "\"email\"\t\t\tVARCHAR (60)",
                                 "CREATE UNIQUE INDEX \"t_main_computername_idx\" ON \"t_main\" (\"computername\");"})
        EXPECT_NE(schema.text.find(expected), std::string::npos) << expected << "\n" << schema.text;
}

TEST(CreateDatabase, OurReaderFindsTMainItsColumnsAndItsUniqueIndex) {
    TempDir dir;
    const std::string path = dir / "compnamedb.mdb";
    jet::createDatabase(path);
    const auto db = jet::Database::open(path);
    EXPECT_EQ(db->format().version, jet::Version::Jet4);
    EXPECT_EQ(db->tableNames(), std::vector<std::string>{"T_Main"});
    EXPECT_EQ(db->tableNames(true), (std::vector<std::string>{"MSysObjects", "MSysACEs", "MSysQueries",
                                                              "MSysRelationships", "T_Main"}));

    const auto table = db->tableDef("T_Main");
    const std::vector<std::pair<std::string, int>> columns = {
        {"ComputerName", 50}, {"Name", 60}, {"Contact", 60}, {"Email", 60}};
    ASSERT_EQ(table->columns.size(), columns.size());
    for (std::size_t n = 0; n < columns.size(); ++n) {
        EXPECT_EQ(table->columns[n].name, columns[n].first);
        EXPECT_EQ(table->columns[n].type, static_cast<std::uint8_t>(jet::ColumnType::Text));
        EXPECT_EQ(table->columns[n].length, 2 * columns[n].second);  // bytes of UCS-2
    }
    EXPECT_TRUE(jettest::allRows(db, "T_Main").empty());

    const jet::Index index(db, table, "ComputerName");
    EXPECT_TRUE(index.tree().unique());
    ASSERT_EQ(index.columns().size(), 1u);
    EXPECT_EQ(index.columns()[0].column->name, "ComputerName");
    std::size_t entries = 0;
    index.forEachEntry([&](const jet::IndexEntry&) { return ++entries, true; });
    EXPECT_EQ(entries, 0u);

    // The catalogue's own indexes lead to its rows.
    const auto objects = db->tableDef("MSysObjects");
    const jet::Index byId(db, objects, "Id");
    const auto found = byId.find(std::vector{jet::Value::integer(static_cast<std::int64_t>(db->findTable("T_Main")->id))});
    ASSERT_EQ(found.size(), 1u);
    jet::TableCursor cursor(db, objects);
    ASSERT_TRUE(cursor.moveTo(found[0]));
    EXPECT_EQ(cursor.values()[2].text(), "T_Main");
}

TEST(CreateDatabase, NeverReplacesAFileAndLeavesNoTemporaryFile) {
    TempDir dir;
    const std::string path = dir / "compnamedb.mdb";
    { std::ofstream(path) << "someone's data"; }
    try {
        jet::createDatabase(path);
        FAIL() << "an existing file was replaced";
    } catch (const jet::Error& e) {
        EXPECT_EQ(e.number(), 3204);
    }
    EXPECT_EQ(locktest::readBytes(path), (locktest::Bytes{'s', 'o', 'm', 'e', 'o', 'n', 'e', '\'', 's', ' ', 'd', 'a', 't', 'a'}));

    const std::string fresh = dir / "second.mdb";
    jet::createDatabase(fresh);
    std::size_t files = 0;
    for ([[maybe_unused]] const auto& entry : std::filesystem::directory_iterator(dir / ""))
        ++files;
    EXPECT_EQ(files, 2u);  // the two databases, no leftover temporary file
    EXPECT_THROW(jet::createDatabase(dir / "missing-folder/compnamedb.mdb"), jet::Error);
}

}  // namespace
