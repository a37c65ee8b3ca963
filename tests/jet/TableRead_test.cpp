// Reading real Access files: catalogue, column types, deleted and moved rows,
// long values, fixed-width columns, empty databases and the workgroup file.
// Expected values were read with mdb-export / mdb-reader or from the files' bytes.
#include "JetTesting.h"

#include "jet/check/CheckDatabase.h"

#include "jet/table/ColumnType.h"
#include "jet/Error.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <unistd.h>

namespace {

using jet::ColumnType;
using jet::Database;
using jet::Value;
using jettest::access;
using jettest::allRows;

std::vector<std::string> names(const std::shared_ptr<Database>& db, bool system) { return db->tableNames(system); }

TEST(Catalogue, ListsUserTablesInCatalogueOrder) {
    const std::vector<std::string> four = {"Table1", "Table2", "Table3", "Table4"};
    for (const auto& [file, tables] : std::initializer_list<std::pair<const char*, std::vector<std::string>>>{
             {"testV1997.mdb", four},
             {"testV2000.mdb", four},
             {"testV2007.accdb", four},
             {"indexTestV2007.accdb", {"Table1", "Table2", "Table3"}},
             {"fixedTextTestV2000.mdb", {"users"}},
             {"delTestV2007.accdb", {"Table"}},  // MSysCompactError is no user table, though not flagged as system
             {"emptyJet4.mdb", {}},
             {"adox_jet4.mdb", {}}})
        EXPECT_EQ(names(Database::open(access(file)), false), tables) << file;
}

TEST(Catalogue, SystemTablesOnlyWhenAskedFor) {
    EXPECT_EQ(names(Database::open(access("testV1997.mdb")), true),
              (std::vector<std::string>{"MSysObjects", "MSysACEs", "MSysQueries", "MSysRelationships", "MSysModules2",
                                        "MSysModules", "Table1", "Table2", "Table3", "Table4"}));
    const auto all = names(Database::open(access("delTestV2007.accdb")), true);
    EXPECT_NE(std::find(all.begin(), all.end(), "MSysCompactError"), all.end());
    for (const char* file : {"emptyJet4.mdb", "adox_jet4.mdb"}) {
        const auto db = Database::open(access(file));
        const auto system = names(db, true);
        ASSERT_FALSE(system.empty()) << file;
        EXPECT_EQ(system.front(), "MSysObjects") << file;
        // The catalogue lists itself among its rows.
        EXPECT_GT(allRows(db, "MSysObjects").size(), 4u) << file;
    }
}

// Excel and text links are no tables of an Access file: their connection
// string says what they are, any password left out.
TEST(Catalogue, LinksAreDescribedAsWhatTheyLinkTo) {
    const std::pair<jet::LinkedTable, std::string> cases[] = {
        {{"T", "Table1", "Z:\\x.accdb", ";PWD=secret"}, "link to table 'Table1' in Z:\\x.accdb"},
        {{"Book", "Sheet1$", "C:\\data\\book.xls", "Excel 8.0;HDR=YES;IMEX=2;DATABASE=C:\\data\\book.xls"},
         "link to 'Sheet1$' through Excel 8.0;HDR=YES;IMEX=2;DATABASE=C:\\data\\book.xls"},
        {{"List", "list#csv", "C:\\data", "Text;FMT=Delimited;HDR=NO;PWD=secret;DATABASE=C:\\data"},
         "link to 'list#csv' through Text;FMT=Delimited;HDR=NO;PWD=***;DATABASE=C:\\data"},
    };
    for (const auto& [link, described] : cases)
        EXPECT_EQ(link.describe(), described);
}

TEST(Catalogue, TableAndFieldNamesIgnoreLetterCase) {
    const auto db = Database::open(access("testV2000.mdb"));
    const auto def = db->tableDef("tAbLe1");
    EXPECT_EQ(def->columns.size(), 9u);
    ASSERT_NE(def->findColumn("a"), nullptr);
    EXPECT_EQ(def->findColumn("a")->name, "A");
    EXPECT_EQ(def->findColumn("nope"), nullptr);
    try {
        db->tableDef("NoSuchTable");
        FAIL() << "a missing table was opened";
    } catch (const jet::Error& e) {
        EXPECT_EQ(e.number(), jet::TableNotFound);
        EXPECT_NE(e.description().find("NoSuchTable"), std::string::npos);
        EXPECT_NE(e.description().find("testV2000.mdb"), std::string::npos);
    }
}

// Table1 of the three test files: one row of zeros, one of small values.
void expectTable1(const std::string& file, bool zerosFirst) {
    SCOPED_TRACE(file);
    const auto db = Database::open(access(file));
    const auto def = db->tableDef("Table1");
    const std::vector<std::pair<std::string, ColumnType>> columns = {
        {"A", ColumnType::Text},     {"B", ColumnType::Text},   {"C", ColumnType::Byte},
        {"D", ColumnType::Integer},  {"E", ColumnType::Long},   {"F", ColumnType::Double},
        {"G", ColumnType::DateTime}, {"H", ColumnType::Currency}, {"I", ColumnType::Boolean}};
    ASSERT_EQ(def->columns.size(), columns.size());
    for (std::size_t n = 0; n < columns.size(); ++n) {
        EXPECT_EQ(def->columns[n].name, columns[n].first);
        EXPECT_EQ(def->columns[n].type, static_cast<std::uint8_t>(columns[n].second));
    }
    EXPECT_EQ(def->columns[0].length, jet::Database::open(access(file))->jet3() ? 50 : 100);  // Text(50)

    const auto rows = allRows(db, "Table1");
    ASSERT_EQ(rows.size(), 2u);
    const auto& small = rows[zerosFirst ? 1 : 0];
    const auto& zeros = rows[zerosFirst ? 0 : 1];
    EXPECT_EQ(small[0].text(), "abcdefg");
    EXPECT_EQ(small[1].text(), "hijklmnop");
    EXPECT_EQ(small[2].asInteger(), 2);
    EXPECT_EQ(small[3].asInteger(), 222);
    EXPECT_EQ(small[4].asInteger(), 333333333);
    EXPECT_DOUBLE_EQ(small[5].asDouble(), 444.555);
    EXPECT_EQ(small[6].calendar(), (jet::CalendarDateTime{1974, 9, 21, 0, 0, 0, 0}));
    EXPECT_EQ(small[7].currencyScaled(), 35000);
    EXPECT_TRUE(small[8].asBool());

    EXPECT_EQ(zeros[0].text(), "a");
    EXPECT_EQ(zeros[1].text(), "b");
    EXPECT_EQ(zeros[2].asInteger(), 0);
    EXPECT_EQ(zeros[4].asInteger(), 0);
    EXPECT_EQ(zeros[6].calendar(), (jet::CalendarDateTime{1981, 12, 12, 0, 0, 0, 0}));
    EXPECT_EQ(zeros[7].currencyScaled(), 0);
    EXPECT_FALSE(zeros[8].asBool());
}

TEST(Rows, EveryCommonColumnTypeInAllThreeFormats) {
    expectTable1("testV1997.mdb", true);
    expectTable1("testV2000.mdb", false);
    expectTable1("testV2007.accdb", true);
}

TEST(Rows, DeletedRowsAreSkipped) {
    // Each file holds two live rows ("z","y") and ("v","u"); the deleted rows'
    // slots are still on the pages.
    for (const char* file : {"delTestV1997.mdb", "delTestV2000.mdb", "delTestV2007.accdb"}) {
        SCOPED_TRACE(file);
        const auto rows = allRows(Database::open(access(file)), "Table");
        ASSERT_EQ(rows.size(), 2u);
        EXPECT_EQ(rows[0][0].text(), "z");
        EXPECT_EQ(rows[0][1].text(), "y");
        EXPECT_EQ(rows[1][0].text(), "v");
        EXPECT_EQ(rows[1][1].text(), "u");
    }
}

TEST(Rows, MovedRowsAreReadFromTheirOverflowPage) {
    // Rows 3 and 5 of Table1 were moved to other pages; their slots keep the order.
    for (const char* file : {"overflowTestV1997.mdb", "overflowTestV2000.mdb"}) {
        SCOPED_TRACE(file);
        const auto db = Database::open(access(file));
        const auto rows = allRows(db, "Table1");
        ASSERT_EQ(rows.size(), 7u);
        const auto def = db->tableDef("Table1");
        const std::size_t data1 = 0, data3 = 1, data9 = 7;
        ASSERT_EQ(def->columns[data9].name, "data9");
        EXPECT_EQ(rows[0][data1].text(), "row1col1");
        EXPECT_TRUE(rows[2][data1].isNull());
        EXPECT_EQ(rows[2][data3].text(), "row3col3");
        EXPECT_EQ(rows[2][data9].text(), "row3col9");
        EXPECT_EQ(rows[3][data1].text(), "row4col1");
        EXPECT_EQ(rows[4][data3].text(), "row5col2");
        EXPECT_EQ(rows[6][data1].text(), "row7col1");
    }
    // In the Jet 4 file the moved rows' slots are rows 2 and 4 of page 27.
    jet::TableCursor cursor(Database::open(access("overflowTestV2000.mdb")),
                            Database::open(access("overflowTestV2000.mdb"))->tableDef("Table1"));
    ASSERT_TRUE(cursor.moveFirst());
    ASSERT_TRUE(cursor.moveNext());
    ASSERT_TRUE(cursor.moveNext());
    EXPECT_EQ(cursor.location(), (jet::RowLocation{27, 2}));
}

// The hash mdb-reader's values were summarised with: h = h * 31 + byte (mod 2^32).
std::uint32_t hash(std::span<const std::uint8_t> bytes) {
    std::uint32_t h = 0;
    for (auto b : bytes)
        h = h * 31 + b;
    return h;
}

const Value& lvProp(const std::vector<std::vector<Value>>& rows, std::size_t nameColumn, std::size_t propColumn,
                    const std::string& name) {
    for (const auto& r : rows)
        if (r[nameColumn].kind() == Value::Kind::Text && r[nameColumn].text() == name)
            return r[propColumn];
    throw std::runtime_error("no catalogue row " + name);
}

TEST(LongValues, InlineSinglePageAndMultiPageValues) {
    struct Case {
        const char* file;
        const char* object;
        std::size_t length;
        std::uint32_t hash;
        const char* magic;
    };
    // LvProp of the catalogue rows: lengths and hashes as mdb-reader reads them;
    // property blobs start with "KKD\0" (Jet 3) or "MR2\0" (Jet 4).
    const Case cases[] = {
        {"testV2000.mdb", "Table2", 16175, 2836205498u, "MR2"},  // spans several 4 KB pages
        {"testV2000.mdb", "Table1", 2194, 2459552865u, "MR2"},
        {"testV2000.mdb", "Table3", 849, 4132010619u, "MR2"},
        {"testV1997.mdb", "Table2", 9818, 87916010u, "KKD"},      // spans several 2 KB pages
        {"testV1997.mdb", "MSysDb", 277, 1293629072u, "KKD"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.file) + " " + c.object);
        const auto db = Database::open(access(c.file));
        const auto def = db->tableDef("MSysObjects");
        const auto nameCol = static_cast<std::size_t>(def->findColumn("Name") - def->columns.data());
        const auto propCol = static_cast<std::size_t>(def->findColumn("LvProp") - def->columns.data());
        const auto rows = allRows(db, "MSysObjects");
        const Value& v = lvProp(rows, nameCol, propCol, c.object);
        ASSERT_EQ(v.kind(), Value::Kind::Binary);
        ASSERT_EQ(v.bytes().size(), c.length);
        EXPECT_EQ(std::string(reinterpret_cast<const char*>(v.bytes().data()), 3), c.magic);
        EXPECT_EQ(hash(v.bytes()), c.hash);
    }
}

TEST(LongValues, MemoTextInTheRow) {
    const auto db = Database::open(access("fixedNumericTestV2000.mdb"));
    const auto rows = allRows(db, "test");
    ASSERT_EQ(rows.size(), 1u);
    EXPECT_EQ(db->tableDef("test")->columns[0].type, static_cast<std::uint8_t>(ColumnType::Memo));
    EXPECT_EQ(rows[0][0].text(), "some data");
}

TEST(Rows, FixedWidthTextAndNumbers) {
    const auto db = Database::open(access("fixedTextTestV2000.mdb"));
    const auto rows = allRows(db, "users");
    ASSERT_EQ(rows.size(), 2u);
    EXPECT_EQ(rows[0][0].asInteger(), 1);
    EXPECT_EQ(rows[0][1].text(), "CORE USER");
    EXPECT_EQ(rows[0][2].text(), " ");
    EXPECT_EQ(rows[1][2].text(), "X03MO1qnZdYdgyfeuILPmQ==");
    EXPECT_EQ(rows[1][6].asInteger(), 81928);
    EXPECT_EQ(rows[1][7].asInteger(), 120);
    EXPECT_EQ(rows[0][8].text(), "N");
    EXPECT_EQ(rows[1][9].calendar(), (jet::CalendarDateTime{2009, 10, 22, 3, 57, 13, 0}));

    // Decimal(18,0) columns: 1, 0, 0, 4, -1, 1.
    const auto numeric = Database::open(access("fixedNumericTestV2000.mdb"));
    const auto def = numeric->tableDef("test");
    ASSERT_EQ(def->columns[1].type, static_cast<std::uint8_t>(ColumnType::Numeric));
    EXPECT_EQ(def->columns[1].precision, 18);
    EXPECT_EQ(def->columns[1].scale, 0);
    const auto nrows = allRows(numeric, "test");
    const char* expected[] = {"1", "0", "0", "4", "-1", "1"};
    for (std::size_t n = 0; n < 6; ++n)
        EXPECT_EQ(nrows[0][n + 1].decimalValue().toString(), expected[n]) << "col" << n + 2;
}

TEST(Rows, GuidColumn) {
    const auto db = Database::open(access("indexTestV2000.mdb"));
    const auto rows = allRows(db, "MSysNameMap");
    ASSERT_EQ(rows.size(), 1u);
    const auto def = db->tableDef("MSysNameMap");
    const auto guid = static_cast<std::size_t>(def->findColumn("GUID") - def->columns.data());
    EXPECT_EQ(jet::formatGuid(rows[0][guid].guidValue()), "{8F096CA0-FC16-4288-801E-119F26C0B6FC}");
}

TEST(Rows, ComplexColumnsGiveTheirIds) {
    // MSysResources.Data of indexTestV2007 is an attachment column; mdb-export shows its id 1.
    const auto db = Database::open(access("indexTestV2007.accdb"));
    const auto def = db->tableDef("MSysResources");
    const auto* data = def->findColumn("Data");
    ASSERT_NE(data, nullptr);
    EXPECT_EQ(data->type, static_cast<std::uint8_t>(ColumnType::Complex));
    const auto rows = allRows(db, "MSysResources");
    ASSERT_EQ(rows.size(), 1u);
    EXPECT_EQ(rows[0][static_cast<std::size_t>(data - def->columns.data())].asInteger(), 1);
    EXPECT_EQ(rows[0][1].text(), "Office Theme");
    // Its Id is an autonumber.
    EXPECT_TRUE(def->findColumn("Id")->autoNumber());
}

TEST(Rows, ManyRowsOverManyPages) {
    // compIndexTestV2000's Table1 holds 512 rows (mdb-export).
    const auto db = Database::open(access("compIndexTestV2000.mdb"));
    EXPECT_EQ(allRows(db, "Table1").size(), 512u);
}

TEST(IndexDefinitions, RealAndLogicalIndexesAreParsed) {
    const auto db = Database::open(access("indexTestV2000.mdb"));
    const auto def = db->tableDef("Table1");
    ASSERT_FALSE(def->indexes.empty());
    bool primary = false;
    for (const auto& index : def->indexes) {
        ASSERT_LT(index.realIndex, def->realIndexes.size());
        const auto& real = def->realIndexes[index.realIndex];
        EXPECT_FALSE(real.columns.empty()) << index.name;
        EXPECT_GT(real.firstPage, 0u);
        EXPECT_LT(real.firstPage, db->pager().pageCount());
        if (index.primaryKey()) {
            primary = true;
            // The primary key of Table1 is its "id" column.
            ASSERT_EQ(real.columns.size(), 1u);
            const auto& col = std::find_if(def->columns.begin(), def->columns.end(), [&](const auto& c) {
                return c.number == real.columns[0].columnNumber;
            });
            ASSERT_NE(col, def->columns.end());
            EXPECT_EQ(col->name, "id");
            EXPECT_TRUE(real.unique());
        }
    }
    EXPECT_TRUE(primary);
}

TEST(Workgroup, AccountsOfTheWorkgroupFile) {
    const auto db = Database::open(jettest::workgroup());
    EXPECT_TRUE(db->format().workgroup);
    EXPECT_NE(db->header().databaseKey, 0u);  // its pages are enciphered
    const auto rows = allRows(db, "MSysAccounts");
    // FGroup is a Yes/No column: groups Yes, users No.
    std::vector<std::pair<std::string, bool>> accounts;
    for (const auto& r : rows)
        accounts.emplace_back(r[0].text(), r[3].asBool());
    const std::vector<std::pair<std::string, bool>> expected = {
        {"Admins", true},   {"Users", true},      {"Engine", false},  {"Creator", false},   {"admin", false},
        {"Contour", false}, {"SecurePak", false}, {"SMSUser", false}, {"CONTOURCDU", false}};
    EXPECT_EQ(accounts, expected);
    // admin's password is two empty blocks.
    const std::vector<std::uint8_t> empty = {0x69, 0x52, 0xAD, 0x67, 0xF3, 0xD5, 0xE1, 0xE6};
    const auto pw = rows[4][2].bytes();
    ASSERT_EQ(pw.size(), 16u);
    EXPECT_TRUE(std::equal(empty.begin(), empty.end(), pw.begin()));
    EXPECT_TRUE(std::equal(empty.begin(), empty.end(), pw.begin() + 8));
}

TEST(Open, MissingAndForeignFiles) {
    for (const auto& c : {std::pair{access("no-such.mdb"), jet::FileNotFound},
                          {std::string(RAVELIN_TESTDATA) + "/lockfiles/system.ldb", jet::NotADatabase},
                          {std::string(RAVELIN_TESTDATA), jet::NotADatabase}})  // a folder
        EXPECT_EQ(jettest::errorOf([&] { Database::open(c.first); }), c.second) << c.first;
    EXPECT_NE(jettest::caught([] { Database::open(access("no-such.mdb")); }).description().find("no-such.mdb"),
              std::string::npos);
}

// Files Access encrypted (standard RC4 and AES, agile AES with SHA-1 and
// SHA-512) read with their password; without it, or with a wrong one, 3031
// saying the file is encrypted. The header page, all monitoring reads, stays readable.
TEST(Open, EncryptedFilesReadWithTheirPasswordOnly) {
    struct Case {
        const char *file, *password, *table, *first;
    };
    for (const Case& c : {Case{"db2007-oldenc.accdb", "Test123", "Table1", "foo"},
                          Case{"db2007-enc.accdb", "Test123", "Table1", "foo"},
                          Case{"db-nonstandard.accdb", "password", "Table_One", "test"},
                          Case{"db2013-enc.accdb", "1234", "Customers", "Test"}}) {
        const std::string path = std::string(RAVELIN_TESTDATA) + "/encrypted/" + c.file;
        SCOPED_TRACE(c.file);
        for (const std::string wrong : {"", "wrong"}) {
            const jet::Error e = jettest::caught([&] { Database::open(path, wrong); });
            EXPECT_EQ(e.number(), jet::InvalidPassword);
            EXPECT_NE(e.description().find("is encrypted"), std::string::npos) << e.description();
        }
        const auto db = Database::open(path, c.password);
        jet::TableCursor cursor(db, db->tableDef(c.table));
        ASSERT_TRUE(cursor.moveFirst());
        EXPECT_EQ(cursor.values().at(1).text(), c.first);
        EXPECT_EQ(jet::checkDatabase(path, jet::RowCounts::Exact, c.password).size(), 0u);
        EXPECT_EQ(jet::readFileFormat(path).version, db->format().version);
    }
}

TEST(Open, ReadsWithoutWritingOrCreatingALockFile) {
    const ravelin_testing::TempDir dir("jet-ro");
    const auto copy = dir.path() / "copy.mdb";
    std::filesystem::copy_file(access("testV2000.mdb"), copy, std::filesystem::copy_options::overwrite_existing);
    std::filesystem::permissions(copy, std::filesystem::perms::owner_read);  // a read-only share
    const auto before = jettest::fileBytes(copy.string());
    {
        const auto db = Database::open(copy.string());
        jettest::readEverything(db);
    }
    EXPECT_EQ(jettest::fileBytes(copy.string()), before);
    EXPECT_FALSE(std::filesystem::exists(dir.path() / "copy.ldb"));
}

}  // namespace
