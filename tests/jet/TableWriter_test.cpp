// The table writer on copies of real Access files: rows written are read back
// by ravelin-jet and by both independent readers; refused stores leave the
// file byte-identical.
#include "WriteTesting.h"

#include "jet/Error.h"

using namespace jettest;
using jet::Value;

namespace {

std::vector<std::string> column(const std::string& path, const std::string& table, std::size_t col) {
    std::vector<std::string> out;
    for (const auto& r : allRows(jet::Database::open(path), table))
        out.push_back(r[col].isNull() ? "(null)" : r[col].toText());
    return out;
}

TEST(TableWriter, InsertsUpdatesAndDeletesPlainRows) {
    WritableCopy copy("delTestV2000.mdb");
    jet::RowLocation second;
    store(copy.path(), "Table", [&](jet::TableWriter& w) {
        const auto& d = w.definition();
        w.insert(row(d, {{"a", Value::text("José Müller")}, {"b", Value::text("Łukasz")}}));
        second = w.insert(row(d, {{"a", Value::text("")}, {"b", Value()}}));
    });
    EXPECT_EQ(column(copy.path(), "Table", 0), (std::vector<std::string>{"z", "v", "José Müller", ""}));
    EXPECT_EQ(column(copy.path(), "Table", 1), (std::vector<std::string>{"y", "u", "Łukasz", "(null)"}));
    store(copy.path(), "Table", [&](jet::TableWriter& w) {
        w.update(second, row(w.definition(), {{"a", Value::text("changed")}, {"b", Value::text("x")}}));
    });
    store(copy.path(), "Table", [&](jet::TableWriter& w) { w.erase(*w.find(0, Value::text("v"))); });
    EXPECT_EQ(column(copy.path(), "Table", 0), (std::vector<std::string>{"z", "José Müller", "changed"}));
    EXPECT_EQ(jet::Database::open(copy.path())->tableDef("Table")->storedRowCount, 3u);
    EXPECT_TRUE(oraclesAgree(copy.path(), "Table"));
}

}  // namespace
