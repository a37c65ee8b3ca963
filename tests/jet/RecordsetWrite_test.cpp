// The record source's write side on a copy of a real file: pending records
// stored by moves, refused stores that keep the pending record, deletes and
// refresh, each checked against the file as read afresh.
#include "WriteTesting.h"

#include "jet/Error.h"
#include "jet/Recordset.h"

using namespace jettest;
using jet::Value;

namespace {

std::vector<std::string> columnA(const std::string& path) { return column(path, "Table", 0); }

TEST(RecordsetWrite, AMoveStoresThePendingRecordAndStaysOnIt) {
    WritableCopy copy("delTestV2000.mdb");
    jet::Recordset rs(copy.path(), "Table");
    rs.addNew();
    rs.setField("a", Value::text("new"));
    EXPECT_TRUE(rs.pending());
    EXPECT_EQ(rs.field("a").text(), "new");
    EXPECT_TRUE(rs.field("b").isNull());
    rs.moveNext();  // stores, then moves on from the stored record: past the end
    EXPECT_FALSE(rs.pending());
    EXPECT_TRUE(rs.eof());
    EXPECT_EQ(columnA(copy.path()), (std::vector<std::string>{"z", "v", "new"}));

    // An edit of the current record is stored by the next move.
    rs.moveFirst();
    rs.setField(1, Value::text("edited"));
    rs.moveLast();
    EXPECT_EQ(rs.field("a").text(), "new");
    rs.moveFirst();
    EXPECT_EQ(rs.field("b").text(), "edited");
    EXPECT_EQ(columnA(copy.path()), (std::vector<std::string>{"z", "v", "new"}));

    // update() stores explicitly and stays on the stored record.
    rs.addNew();
    rs.setField("b", Value::text("last"));
    rs.update();
    EXPECT_EQ(rs.field("b").text(), "last");
    EXPECT_TRUE(rs.field("a").isNull());
    EXPECT_EQ(columnA(copy.path()).size(), 4u);
    EXPECT_TRUE(oraclesAgree(copy.path(), "Table"));
    EXPECT_EQ(checkerFindings(copy.path()), "");
}

TEST(RecordsetWrite, ARefusedStoreRaisesFromTheMoveAndKeepsThePendingRecord) {
    WritableCopy copy("delTestV2000.mdb");
    const auto before = fileBytes(copy.path());
    jet::Recordset rs(copy.path(), "Table");
    rs.addNew();
    rs.setField("a", Value::text(std::string(51, 'x')));  // the field holds 50 characters
    EXPECT_EQ(errorOf([&] { rs.moveFirst(); }), jet::FieldTooSmall);
    EXPECT_TRUE(rs.pending());
    EXPECT_EQ(rs.field("a").text(), std::string(51, 'x'));
    EXPECT_EQ(fileBytes(copy.path()), before);
    rs.setField("a", Value::text("fits"));
    rs.moveFirst();
    EXPECT_EQ(columnA(copy.path()), (std::vector<std::string>{"z", "v", "fits"}));
}

TEST(RecordsetWrite, CancelAndAnUntouchedNewRecordStoreNothing) {
    WritableCopy copy("delTestV2000.mdb");
    const auto before = fileBytes(copy.path());
    jet::Recordset rs(copy.path(), "Table");
    rs.addNew();
    rs.setField("a", Value::text("dropped"));
    rs.cancelUpdate();
    EXPECT_FALSE(rs.pending());
    EXPECT_EQ(rs.field("a").text(), "z");  // the record current before the addition
    rs.cancelUpdate();                     // nothing pending: nothing happens
    rs.addNew();
    rs.moveLast();  // nothing was typed into the new record: dropped
    EXPECT_EQ(rs.field("a").text(), "v");
    EXPECT_EQ(fileBytes(copy.path()), before);
    EXPECT_EQ(errorOf([&] { rs.update(); }), jet::NoEditPending);
}

TEST(RecordsetWrite, DeleteThenMoveAndRefresh) {
    WritableCopy copy("delTestV2000.mdb");
    jet::Recordset rs(copy.path(), "Table");
    rs.deleteCurrent();
    EXPECT_EQ(errorOf([&] { rs.field("a"); }), jet::RecordDeleted);
    rs.moveNext();
    EXPECT_EQ(rs.field("a").text(), "v");
    EXPECT_EQ(columnA(copy.path()), (std::vector<std::string>{"v"}));

    // Another writer's row is seen after refresh, which also drops a pending record.
    store(copy.path(), "Table", [](jet::TableWriter& w) { w.insert(row(w.definition(), {{"a", Value::text("other")}})); });
    rs.addNew();
    rs.setField("a", Value::text("never stored"));
    rs.refresh();
    EXPECT_FALSE(rs.pending());
    EXPECT_EQ(rs.field("a").text(), "v");
    rs.moveLast();
    EXPECT_EQ(rs.field("a").text(), "other");
    rs.deleteCurrent();
    rs.moveFirst();
    rs.deleteCurrent();
    EXPECT_EQ(errorOf([&] { rs.moveLast(); }), jet::NoCurrentRecord);
    EXPECT_TRUE(columnA(copy.path()).empty());
    EXPECT_TRUE(oraclesAgree(copy.path(), "Table"));
    EXPECT_EQ(checkerFindings(copy.path()), "");
}

}  // namespace
