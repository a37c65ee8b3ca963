// The record source's FindFirst through an index agrees with a plain scan:
// for every column that leads an index in every real file, every value the
// column holds (text also in other letter case) and values next to them find
// the same record, or none, as walking the table in order and comparing.
#include "JetTesting.h"

#include "jet/table/ColumnType.h"
#include "jet/index/IndexSeek.h"
#include "jet/Recordset.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <cmath>
#include <filesystem>
#include <set>

namespace {

using jet::RowLocation;
using jet::Value;

std::optional<RowLocation> scanFirst(const std::shared_ptr<jet::Database>& db, const std::string& table,
                                     std::size_t column, const Value& sought) {
    jet::TableCursor cursor(db, db->tableDef(table));
    Value v;
    for (bool more = cursor.moveFirst(); more; more = cursor.moveNext()) {
        cursor.readValue(column, v);
        if (jet::jetEquals(v, sought))
            return cursor.location();
    }
    return std::nullopt;
}

std::string flipCase(std::string s) {
    for (auto& c : s)
        c = std::isupper(static_cast<unsigned char>(c)) ? static_cast<char>(std::tolower(static_cast<unsigned char>(c)))
                                                        : static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    return s;
}

std::vector<Value> probesFor(const Value& v) {
    std::vector<Value> out{v};
    switch (v.kind()) {
    case Value::Kind::Text:
        out.push_back(Value::text(flipCase(v.text())));
        out.push_back(Value::text(v.text() + "x"));
        if (!v.text().empty())
            out.push_back(Value::text(v.text().substr(1)));
        break;
    case Value::Kind::Integer:
        out.push_back(Value::integer(v.asInteger() + 1));
        out.push_back(Value::integer(v.asInteger() - 1));
        out.push_back(Value::real(static_cast<double>(v.asInteger())));      // same number, other kind
        out.push_back(Value::real(static_cast<double>(v.asInteger()) + 0.5));  // no integer equals it
        out.push_back(Value::text(std::to_string(v.asInteger())));             // text never equals a number
        break;
    case Value::Kind::DateTime:
        out.push_back(Value::real(v.dateTimeSerial()));
        out.push_back(Value::dateTime(std::nextafter(v.dateTimeSerial(), 0.0)));
        break;
    default: break;
    }
    return out;
}

TEST(IndexFind, FindFirstThroughAnIndexAgreesWithTheScan) {
    std::size_t throughIndex = 0, found = 0, missing = 0;
    for (const auto& e : std::filesystem::directory_iterator(std::string(RAVELIN_TESTDATA) + "/access")) {
        const std::string file = e.path().filename().string();
        const auto db = jet::Database::open(e.path().string());
        for (const auto& t : db->tables()) {
            const auto def = db->tableDef(t.name);
            std::set<std::size_t> leading;
            for (const auto& real : def->realIndexes)
                for (std::size_t c = 0; c < def->columns.size() && !real.columns.empty(); ++c)
                    if (def->columns[c].number == real.columns.front().columnNumber)
                        leading.insert(c);
            if (leading.empty())
                continue;
            const auto rows = jettest::allRows(db, t.name);
            jet::Recordset rs(db, t.name);
            for (const std::size_t column : leading) {
                const std::string field = def->columns[column].name;
                for (const auto& row : rows) {
                    for (const Value& sought : probesFor(row[column])) {
                        const auto expected = scanFirst(db, t.name, column, sought);
                        const bool hit = rs.findFirst(field, sought);
                        const std::string what = file + " " + t.name + "." + field + " = " +
                                                 (sought.isNull() ? "Null" : sought.toText());
                        ASSERT_EQ(hit, expected.has_value()) << what;
                        EXPECT_EQ(rs.noMatch(), !hit) << what;
                        if (hit) {
                            EXPECT_EQ(rs.location(), *expected) << what;
                            ++found;
                        } else {
                            ++missing;
                        }
                        if (jet::indexCandidates(db, def, column, sought))
                            ++throughIndex;
                    }
                }
            }
        }
    }
    EXPECT_GT(found, 1000u);
    EXPECT_GT(missing, 1000u);
    // Most probes are answered by an index (the rest: Null, GUID, Byte, Binary columns).
    EXPECT_GT(throughIndex, (found + missing) * 8 / 10);
}

TEST(IndexFind, TextTheCodeTablesCannotVouchForIsFoundByScanning) {
    // testV2000 Table1: A is the primary key; rows ("abcdefg", "hijklmnop") and ("a", "b").
    const auto db = jet::Database::open(jettest::access("testV2000.mdb"));
    const auto def = db->tableDef("Table1");
    const std::size_t a = static_cast<std::size_t>(def->findColumn("A") - def->columns.data());
    // Plain letters: the index answers, in any letter case.
    EXPECT_TRUE(jet::indexCandidates(db, def, a, Value::text("ABCDEFG")).has_value());
    // So do accented letters and other scripts; a character the sort order
    // leaves out of keys (S with comma below, in General legacy) cannot.
    EXPECT_TRUE(jet::indexCandidates(db, def, a, Value::text("abcdéfg")).has_value());
    EXPECT_TRUE(jet::indexCandidates(db, def, a, Value::text("\xD0\x96")).has_value());  // Cyrillic Zhe
    EXPECT_FALSE(jet::indexCandidates(db, def, a, Value::text("abcd\xC8\x98" "fg")).has_value());
    jet::Recordset rs(db, "Table1");
    EXPECT_TRUE(rs.findFirst("A", Value::text("AbCdEfG")));
    EXPECT_EQ(rs.field("B").text(), "hijklmnop");
    EXPECT_FALSE(rs.findFirst("A", Value::text("abcdéfg")));
    EXPECT_TRUE(rs.noMatch());
    EXPECT_EQ(rs.field("B").text(), "hijklmnop");  // the current record stays
}

}  // namespace
