// New databases and tables written from scratch: the user name database and
// an empty one, and tables made in a store in Access's own files. Both
// independent readers (mdbtools and mdb-reader) and our own read them alike,
// the checker finds nothing wrong, and an existing file is never replaced.
#include "JetTesting.h"
#include "LockFileTesting.h"
#include "WriteTesting.h"

#include "jet/Error.h"
#include "jet/compact/Compact.h"
#include "jet/create/CreateDatabase.h"
#include "jet/create/ForeignKeyIndex.h"
#include "jet/create/TableCreator.h"
#include "jet/index/Index.h"
#include "jet/table/ColumnType.h"
#include "jet/table/TableCursor.h"

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

TEST(CreateDatabase, TheUserNameDatabaseIsReadAlikeAndHoldsTMainWithItsUniqueIndex) {
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
    EXPECT_EQ(jettest::errorOf([&] { jet::createDatabase(path); }), 3204);
    EXPECT_EQ(locktest::readBytes(path), (locktest::Bytes{'s', 'o', 'm', 'e', 'o', 'n', 'e', '\'', 's', ' ', 'd', 'a', 't', 'a'}));

    const std::string fresh = dir / "second.mdb";
    jet::createDatabase(fresh);
    std::size_t files = 0;
    for ([[maybe_unused]] const auto& entry : std::filesystem::directory_iterator(dir / ""))
        ++files;
    EXPECT_EQ(files, 2u);  // the two databases, no leftover temporary file
    EXPECT_THROW(jet::createDatabase(dir / "missing-folder/compnamedb.mdb"), jet::Error);
}

TEST(CreateDatabase, AnEmptyDatabaseIsReadAlikeAndChecksCleanAsMdbAndAccdb) {
    TempDir dir;
    const std::string path = dir / "new.mdb";
    const auto created = run(std::string(RAVELIN_BINARY_DIR) + "/ravelin-jet create " + path);
    ASSERT_EQ(created.exitCode, 0) << created.text;
    EXPECT_TRUE(jettest::oraclesAgree(path));
    EXPECT_EQ(jettest::checkerFindings(path), "");
    EXPECT_EQ(jet::Database::open(path)->tableNames(), std::vector<std::string>{});

    const std::string accdb = dir / "new.accdb";
    ASSERT_EQ(run(std::string(RAVELIN_BINARY_DIR) + "/ravelin-jet create " + accdb).exitCode, 0);
    EXPECT_EQ(jet::Database::open(accdb)->format().version, jet::Version::Ace16);
    EXPECT_TRUE(jettest::oraclesAgree(accdb));
    EXPECT_EQ(jettest::checkerFindings(accdb), "");
}

// The catalogue row and permissions of table `name`: owner, parent, type and
// flags, then each (SID, ACM, inheritable) in stored order.
std::vector<std::string> catalogueOf(const std::string& path, const std::string& name) {
    const auto db = jet::Database::open(path);
    const auto id = static_cast<std::int64_t>(db->findTable(name)->id);
    std::vector<std::string> found;
    for (const auto& row : jettest::allRows(db, "MSysObjects"))
        if (row[0].asInteger() == id)
            found.push_back(row[1].toText() + " " + row[3].toText() + " " + row[6].toText() + " " + row[7].toText());
    for (const auto& row : jettest::allRows(db, "MSysACEs"))
        if (row[0].asInteger() == id)
            found.push_back(row[1].toText() + " " + row[2].toText() + " " + row[3].toText());
    return found;
}

// Every type we create, an index on two columns and Decimal ones, rows through
// the table writer, a compacted copy; in Access's own Jet 4 and ACE files,
// beside Table1 that Access made, whose catalogue row, permissions and text
// sort order the new table's equal.
TEST(CreateDatabase, TablesMadeInAStoreTakeRowsAndAreCataloguedAsAccessCataloguesThem) {
    using T = jet::ColumnType;
    const jet::NewTable made{"Made here",
                             {{"Text", T::Text, 20}, {"Memo", T::Memo}, {"Flaggé", T::Boolean}, {"Byte", T::Byte},
                              {"Int", T::Integer}, {"Long", T::Long}, {"Money", T::Currency}, {"Single", T::Single},
                              {"Double", T::Double}, {"When", T::DateTime}, {"Bytes", T::Binary, 16}, {"Ole", T::Ole},
                              {"Id", T::Guid}, {"Amount", T::Numeric, 0, false, 10, 2}},
                             {{"TextLong", {"Text", "Long"}, true, false}, {"ByText", {"Text"}, true, false},
                              {"Amount", {"Amount"}}, {"AmountDown", {"Amount"}, false, false, false, false, {true}}}};
    jet::NewTable wide{"Wide", {}, {}};  // a definition on two pages
    for (int n = 0; n < 255; ++n)
        wide.columns.push_back({"A field with a name as long as it gets in Access " + std::to_string(n), T::Text, 10});
    for (const char* file : {"testV2000.mdb", "testV2007.accdb", "../access-more/delColTestV2010.accdb",
                             "../access-more/extDateTestV2019.accdb"}) {
        jettest::WritableCopy copy(file);
        std::string why;
        jet::runStore(copy.path(), [&](jet::PageStore& pages) {
            jet::createTable(pages, made);
            jet::createTable(pages, wide);
            jet::TableWriter writer(pages, made.name);
            const std::vector<std::uint8_t> bytes{1, 2, 3};
            writer.insert({jet::Value::text("José"), jet::Value::text(std::string(5000, 'm')), jet::Value::boolean(true),
                           jet::Value::integer(255), jet::Value::integer(-2), jet::Value::integer(7),
                           jet::Value::currency(35000), jet::Value::single(0.5f), jet::Value::real(0.1),
                           jet::Value::dateTime(2.5), jet::Value::binary(bytes), jet::Value::binary(bytes),
                           jet::Value::text("{8F096CA0-FC16-4288-801E-119F26C0B6FC}"),
                           jet::Value::decimal({false, {0, 0, 0, 15}, 10, 1})});  // 1.5 kept as 1.50
            writer.insert(std::vector<jet::Value>(made.columns.size()));
            for (const auto& [negative, hundredths] : {std::pair{true, 250u}, {false, 0u}, {false, 1000u}, {true, 25u}})
                writer.insert(jettest::row(writer.definition(), {{"Amount", jet::Value::decimal({negative, {0, 0, 0, hundredths}, 10, 2})}}));
        });
        jet::runStore(copy.path(), [&](jet::PageStore& pages) {  // a later store adds to it
            jet::TableWriter(pages, made.name).insert(jettest::row(*jet::Database::open(copy.path())->tableDef(made.name),
                                                                   {{"Text", jet::Value::text("Zoë")}}));
            jet::TableWriter(pages, wide.name).insert(jettest::row(*jet::Database::open(copy.path())->tableDef(wide.name),
                                                                   {{wide.columns[254].name, jet::Value::text("Zoë")}}));
        });
        jet::runStore(copy.path(), [&](jet::PageStore& pages) {  // relationships: Wide's gets an index of its own
            jet::addRelationshipIndexes(pages, {wide.name, {wide.columns[254].name}, "MadeWide", made.name, {"Text"}, "", true, false});
            jet::addRelationshipIndexes(pages, {made.name, {"Text"}, "MadeMade", made.name, {"Text"}, "", false, true});
        });
        EXPECT_EQ(jet::Database::open(copy.path())->tableDef(wide.name)->realIndexes.size(), 1u);
        const auto madeDef = jet::Database::open(copy.path())->tableDef(made.name);  // its own, reused
        EXPECT_EQ(madeDef->indexes.size(), 7u);
        EXPECT_EQ(madeDef->realIndexes.size(), 4u);
        EXPECT_TRUE(jettest::indexesMatchRows(copy.path(), wide.name, why)) << why;
        EXPECT_TRUE(jettest::oraclesAgree(copy.path())) << file;
        EXPECT_EQ(jettest::checkerFindings(copy.path()), "") << file;
        EXPECT_TRUE(jettest::indexesMatchRows(copy.path(), made.name, why)) << why;
        EXPECT_EQ(jettest::allRows(jet::Database::open(copy.path()), made.name).size(), 7u);
        EXPECT_EQ(jet::Database::open(copy.path())->tableDef(made.name)->columns[2].name, "Flaggé");
        const auto access = catalogueOf(copy.path(), "Table1");
        EXPECT_EQ(access.size(), 4u);  // the row, and the owner's, the Admins' and the Users' permissions
        EXPECT_EQ(catalogueOf(copy.path(), made.name), access) << file;
        const auto sortVersion = [&](const std::string& table) {  // of its first text column
            const auto columns = jet::Database::open(copy.path())->tableDef(table)->columns;
            return std::find_if(columns.begin(), columns.end(), [](const auto& c) { return c.type == 0x0A; })->sortOrderVersion;
        };
        EXPECT_EQ(sortVersion(made.name), sortVersion("Table1")) << file;
        // Compacted, the Decimal indexes list the amounts in order (Jet 4's descending one: negatives first).
        const std::string compacted = copy.path() + ".compacted" + std::filesystem::path(file).extension().string();
        jet::compactDatabase(copy.path(), compacted);
        EXPECT_EQ(jettest::checkerFindings(compacted), "") << file;
        const auto db = jet::Database::open(compacted);
        for (const auto& [index, order] : {std::pair{"Amount", "-2.50 -0.25 0.00 1.50 10.00 "},
                                           {"AmountDown", db->format().version >= jet::Version::Ace12 ? "10.00 1.50 0.00 -0.25 -2.50 " : "-0.25 -2.50 10.00 1.50 0.00 "}}) {
            jet::TableCursor rows(db, db->tableDef(made.name));
            std::string listed;
            jet::Value v;
            jet::Index(db, db->tableDef(made.name), index).forEachEntry([&](const jet::IndexEntry& e) {
                return rows.moveTo(e.row), rows.readValue(13, v), listed += v.isNull() ? "" : v.toText() + " ", true;
            });
            EXPECT_EQ(listed, order) << file << " " << index;
        }
    }
}

TEST(CreateDatabase, ATableAccessWouldRefuseIsRefusedAndNothingIsWritten) {
    using T = jet::ColumnType;
    jettest::WritableCopy copy("emptyJet4.mdb");
    const auto before = jettest::fileBytes(copy.path());
    jet::NewTable tooWide{"Wide", {}, {}};
    for (int n = 0; n < 256; ++n)
        tooWide.columns.push_back({"F" + std::to_string(n), T::Long});
    const std::vector<std::pair<jet::NewTable, int>> cases = {
        {{"msysobjects", {{"A", T::Long}}, {}}, jet::TableExists},
        {{"Bad.Name", {{"A", T::Long}}, {}}, jet::InvalidName},
        {{" Leading space", {{"A", T::Long}}, {}}, jet::InvalidName},
        {{std::string(65, 'x'), {{"A", T::Long}}, {}}, jet::InvalidName},
        {{"T", {{"A[1]", T::Long}}, {}}, jet::InvalidName},
        {{"T", {{"A", T::Long}, {"a", T::Text}}, {}}, jet::FieldDefinedTwice},
        {tooWide, jet::TooManyFields},
        {{"T", {}, {}}, jet::InvalidArgument},
        {{"T", {{"A", T::Text, 256}}, {}}, jet::InvalidArgument},
        {{"T", {{"A", T::Numeric, 0, false, 29}}, {}}, jet::InvalidArgument},
        {{"T", {{"A", T::Long}}, {{"ByB", {"B"}, false, false}}}, jet::InvalidArgument},
    };
    for (const auto& c : cases)
        EXPECT_EQ(jettest::errorOf([&] {
                      jet::runStore(copy.path(), [&](jet::PageStore& pages) { jet::createTable(pages, c.first); });
                  }),
                  c.second)
            << c.first.name;
    EXPECT_EQ(jettest::fileBytes(copy.path()), before);
}

}  // namespace
