// The record source a bound data control uses: moves, BOF/EOF, fields by
// name, FindFirst, and Jet's error numbers. Contents per mdb-export.
#include "JetTesting.h"

#include "jet/Error.h"
#include "jet/Recordset.h"

#include <gtest/gtest.h>

#include <functional>

namespace {

using jet::Recordset;
using jettest::errorOf;
using jet::Value;

std::shared_ptr<jet::Database> indexTest() { return jet::Database::open(jettest::access("indexTestV2000.mdb")); }

TEST(Recordset, OpensOnTheFirstRecordAndWalksBothWays) {
    // Table2 of indexTestV2000: (0,"foo0"), (1,"foo1"), (2,"foo2").
    Recordset rs(indexTest(), "Table2");
    EXPECT_FALSE(rs.bof());
    EXPECT_FALSE(rs.eof());
    EXPECT_EQ(rs.field("data").text(), "foo0");
    rs.moveNext();
    EXPECT_EQ(rs.field("DATA").text(), "foo1");
    rs.moveNext();
    EXPECT_EQ(rs.field("id").asInteger(), 2);
    rs.moveNext();
    EXPECT_TRUE(rs.eof());
    EXPECT_EQ(errorOf([&] { rs.field("data"); }), jet::NoCurrentRecord);
    EXPECT_EQ(errorOf([&] { rs.moveNext(); }), jet::NoCurrentRecord);
    rs.movePrevious();  // from EOF back to the last record
    EXPECT_EQ(rs.field("data").text(), "foo2");
    rs.moveFirst();
    EXPECT_EQ(rs.field("data").text(), "foo0");
    rs.movePrevious();  // at the first record: no error, BOF
    EXPECT_TRUE(rs.bof());
    EXPECT_FALSE(rs.eof());
    EXPECT_EQ(errorOf([&] { rs.movePrevious(); }), jet::NoCurrentRecord);
    rs.moveNext();  // from BOF to the first record
    EXPECT_EQ(rs.field("data").text(), "foo0");
    rs.moveLast();
    EXPECT_EQ(rs.field("data").text(), "foo2");
    rs.movePrevious();
    EXPECT_EQ(rs.field("data").text(), "foo1");
}

TEST(Recordset, EmptyTableHasNoCurrentRecord) {
    // Table2 of testV2000 holds no rows.
    Recordset rs(jet::Database::open(jettest::access("testV2000.mdb")), "Table2");
    EXPECT_TRUE(rs.bof());
    EXPECT_TRUE(rs.eof());
    EXPECT_EQ(errorOf([&] { rs.moveFirst(); }), jet::NoCurrentRecord);
    EXPECT_EQ(errorOf([&] { rs.moveLast(); }), jet::NoCurrentRecord);
    EXPECT_EQ(errorOf([&] { rs.field("column1"); }), jet::NoCurrentRecord);
    EXPECT_EQ(errorOf([&] { rs.location(); }), jet::NoCurrentRecord);
}

TEST(Recordset, MissingTableAndFieldAreReportedByName) {
    const auto db = indexTest();
    const jet::Error noTable = jettest::caught([&] { Recordset rs(db, "T_Main"); });
    EXPECT_EQ(noTable.number(), jet::TableNotFound);
    EXPECT_NE(noTable.description().find("T_Main"), std::string::npos);
    Recordset rs(db, "table2");  // letter case ignored
    EXPECT_EQ(rs.tableName(), "Table2");
    const jet::Error noField = jettest::caught([&] { rs.field("ComputerName"); });
    EXPECT_EQ(noField.number(), jet::FieldNotFound);
    EXPECT_NE(noField.description().find("ComputerName"), std::string::npos);
    EXPECT_NE(noField.description().find("Table2"), std::string::npos);
    EXPECT_EQ(errorOf([&] { rs.findFirst("nope", Value::text("x")); }), jet::FieldNotFound);
}

TEST(Recordset, NullIsDistinctFromEmptyText) {
    // overflowTestV2000 Table1: the third row's data1 is Null, its data3 text.
    Recordset rs(jet::Database::open(jettest::access("overflowTestV2000.mdb")), "Table1");
    rs.moveNext();
    rs.moveNext();
    EXPECT_TRUE(rs.field("data1").isNull());
    EXPECT_EQ(rs.field("data3").text(), "row3col3");
    EXPECT_EQ(errorOf([&] { rs.field("data1").toText(); }), 94);
    // fixedTextTestV2000: c_user_pwd of the first user is a single blank, not Null.
    Recordset users(jet::Database::open(jettest::access("fixedTextTestV2000.mdb")), "users");
    EXPECT_EQ(users.field("c_user_pwd").text(), " ");
}

TEST(Recordset, FindFirstComparesTextWithoutLetterCase) {
    Recordset rs(indexTest(), "Table1");  // data: baz0, baz11, baz11-2, baz13
    EXPECT_TRUE(rs.findFirst("DATA", Value::text("BAZ11-2")));
    EXPECT_FALSE(rs.noMatch());
    EXPECT_EQ(rs.field("id").asInteger(), 2);
    EXPECT_EQ(rs.field("data").text(), "baz11-2");
    // The first of two equal values is found.
    EXPECT_TRUE(rs.findFirst("otherfk2", Value::integer(11)));
    EXPECT_EQ(rs.field("id").asInteger(), 1);
    // No match: the current record stays.
    EXPECT_FALSE(rs.findFirst("data", Value::text("baz1")));
    EXPECT_TRUE(rs.noMatch());
    EXPECT_EQ(rs.field("id").asInteger(), 1);
    // Numbers match across widths, Null matches nothing.
    EXPECT_TRUE(rs.findFirst("id", Value::real(3.0)));
    EXPECT_EQ(rs.field("data").text(), "baz13");
    EXPECT_FALSE(rs.findFirst("data", Value()));
    rs.moveNext();
    EXPECT_TRUE(rs.eof());
}

TEST(Recordset, LocationOfEachRecordReopensIt) {
    const auto db = indexTest();
    Recordset rs(db, "Table1");
    std::vector<jet::RowLocation> seen;
    for (; !rs.eof(); rs.moveNext())
        seen.push_back(rs.location());
    ASSERT_EQ(seen.size(), 4u);
    jet::TableCursor cursor(db, db->tableDef("Table1"));
    for (std::size_t n = 0; n < seen.size(); ++n) {
        ASSERT_TRUE(cursor.moveTo(seen[n]));
        EXPECT_EQ(cursor.values()[0].asInteger(), static_cast<std::int64_t>(n));
    }
    EXPECT_FALSE(cursor.moveTo({seen[0].page, 200}));
    EXPECT_FALSE(cursor.moveTo({2, 0}));  // a page of another table
}

}  // namespace
