// Every index of every table (system tables included) of every real Access
// file, read from its B-tree and held against the table itself:
//   1. the leaf entries, walked in order, are strictly ascending and name
//      exactly the table's live rows, each once (rows whose key is all Null are
//      left out of indexes that ignore Nulls);
//   2. the key we encode from each row's values equals the bytes Access wrote
//      in that row's entry -- the proof of the key encoding, text included;
//   3. a lookup by each present key goes down the tree and returns exactly the
//      rows of that key, every row a scan finds with those values among them,
//      and keys next to present ones that no row holds find nothing; so does a
//      lookup by the leading column of a compound index.
#include "JetTesting.h"

#include "jet/table/ColumnType.h"
#include "jet/Error.h"
#include "jet/index/Index.h"
#include "jet/page/PageFormat.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <map>
#include <set>

namespace {

using jet::RowLocation;
using jet::Value;
using Key = std::vector<std::uint8_t>;

struct Row {
    RowLocation at;
    std::vector<Value> values;
};

bool before(RowLocation a, RowLocation b) { return a.page != b.page ? a.page < b.page : a.row < b.row; }

std::vector<RowLocation> sorted(std::vector<RowLocation> v) {
    std::sort(v.begin(), v.end(), before);
    return v;
}

std::string hex(std::span<const std::uint8_t> b) {
    static constexpr char kHex[] = "0123456789abcdef";
    std::string s;
    for (auto x : b) {
        s += kHex[x >> 4];
        s += kHex[x & 15];
        s += ' ';
    }
    return s;
}

// The scan's notion of "holds these values": Null matches Null, others as Jet's "=".
bool sameValue(const Value& a, const Value& b) {
    if (a.isNull() || b.isNull())
        return a.isNull() && b.isNull();
    return jet::jetEquals(a, b);
}

std::size_t columnPosition(const jet::TableDef& t, const jet::ColumnDef* c) {
    return static_cast<std::size_t>(c - t.columns.data());
}

// Values near `v` that a column of its type can hold.
std::vector<Value> neighbours(const Value& v) {
    switch (v.kind()) {
    case Value::Kind::Integer: return {Value::integer(v.asInteger() - 1), Value::integer(v.asInteger() + 1)};
    case Value::Kind::Text: {
        std::vector<Value> out{Value::text(v.text() + "0"), Value::text(v.text() + " x")};
        if (!v.text().empty())
            out.push_back(Value::text(v.text().substr(0, v.text().size() - 1)));
        return out;
    }
    case Value::Kind::DateTime:
        return {Value::dateTime(std::nextafter(v.dateTimeSerial(), -1e9)),
                Value::dateTime(std::nextafter(v.dateTimeSerial(), 1e9))};
    default: return {};
    }
}

struct Totals {
    std::size_t indexes = 0, entries = 0, encoded = 0, unknownType = 0, textKeys = 0, lookups = 0, absent = 0, multiPage = 0;
};

void checkIndex(const std::shared_ptr<jet::Database>& db, const std::shared_ptr<const jet::TableDef>& def,
                const std::vector<Row>& rows, std::size_t position, const std::string& label, Totals& totals) {
    const jet::Index index(db, def, position);
    const auto& cols = index.columns();
    const std::string where = label + " index '" + index.definition().name + "'";
    // A column of a type no reader knows (unsupportedFieldsTestV2007) has no key to make.
    const bool unknownType = std::any_of(cols.begin(), cols.end(), [](const jet::KeyColumn& kc) {
        return jet::typeName(kc.column->type).starts_with("type ");
    });
    ++totals.indexes;

    // 1. Walk the leaves.
    std::vector<jet::IndexEntry> entries;
    std::set<std::uint32_t> leaves;
    index.forEachEntry([&](const jet::IndexEntry& e) {
        entries.push_back(e);
        return true;
    });
    totals.entries += entries.size();
    for (std::size_t n = 1; n < entries.size(); ++n)
        ASSERT_TRUE(std::lexicographical_compare(entries[n - 1].bytes.begin(), entries[n - 1].bytes.end(),
                                                 entries[n].bytes.begin(), entries[n].bytes.end()))
            << where << ": entries " << n - 1 << " and " << n << " are out of order";

    std::map<std::pair<std::uint32_t, std::uint16_t>, const jet::IndexEntry*> byRow;
    for (const auto& e : entries)
        ASSERT_TRUE(byRow.emplace(std::pair{e.row.page, e.row.row}, &e).second)
            << where << ": two entries for row " << e.row.page << ":" << e.row.row;
    std::size_t expected = 0;
    for (const Row& r : rows) {
        bool allNull = true;
        for (const auto& kc : cols)
            allNull = allNull && r.values[columnPosition(*def, kc.column)].isNull();
        const auto found = byRow.find({r.at.page, r.at.row});
        if (allNull && index.tree().ignoreNulls()) {
            EXPECT_EQ(found, byRow.end()) << where << ": a row with a Null key is indexed";
            continue;
        }
        ++expected;
        ASSERT_NE(found, byRow.end()) << where << ": row " << r.at.page << ":" << r.at.row << " has no entry";

        // 2. Our encoding of the row's key is the entry's key (under either
        // count of expansion letters such as ß).
        std::vector<Value> keyValues;
        for (const auto& kc : cols)
            keyValues.push_back(r.values[columnPosition(*def, kc.column)]);
        Key key;
        std::string why;
        const auto entryKey = found->second->key();
        if (unknownType) {
            ++totals.unknownType;
            continue;
        }
        ASSERT_TRUE(index.tryKey(keyValues, key, why)) << where << ": cannot encode row " << r.at.page << ":"
                                                        << r.at.row << ": " << why;
        if (key != Key(entryKey.begin(), entryKey.end()))
            index.tryKey(keyValues, key, why, jet::Expansions::PerLetter);
        EXPECT_EQ(hex(key), hex(entryKey)) << where << ", row " << r.at.page << ":" << r.at.row;
        ++totals.encoded;
        for (const auto& kc : cols)
            if (kc.column->type == static_cast<std::uint8_t>(jet::ColumnType::Text) &&
                !r.values[columnPosition(*def, kc.column)].isNull())
                ++totals.textKeys;
    }
    EXPECT_EQ(entries.size(), expected) << where << ": entries for rows that are not in the table";
    if (unknownType)
        return;

    // 3. Lookups by every present key and by absent neighbours. A lookup
    // finds the rows whose key is the one sought (several texts may share a
    // key), among them every row that holds the values.
    const auto leadingValues = [&](const Row& r, std::size_t lead) {
        std::vector<Value> v;
        for (std::size_t n = 0; n < lead; ++n)
            v.push_back(r.values[columnPosition(*def, cols[n].column)]);
        return v;
    };
    const std::set<std::size_t> leads{1, cols.size()};  // the first column, all columns
    std::map<std::pair<std::size_t, Key>, std::vector<RowLocation>> byKey;  // (columns, key) -> rows
    for (const Row& r : rows)
        if (byRow.count({r.at.page, r.at.row}))
            for (const std::size_t lead : leads)
                byKey[{lead, index.key(leadingValues(r, lead))}].push_back(r.at);
    const auto scan = [&](std::span<const Value> leading) {
        std::vector<RowLocation> hits;
        for (const Row& r : rows) {
            bool all = true;
            for (std::size_t n = 0; n < leading.size(); ++n)
                all = all && sameValue(r.values[columnPosition(*def, cols[n].column)], leading[n]);
            if (all && byRow.count({r.at.page, r.at.row}))
                hits.push_back(r.at);
        }
        return hits;
    };
    for (const Row& r : rows) {
        if (!byRow.count({r.at.page, r.at.row}))
            continue;
        for (const std::size_t lead : leads) {
            const std::vector<Value> leading = leadingValues(r, lead);
            const auto found = sorted(index.find(leading));
            EXPECT_EQ(found, sorted(byKey[{lead, index.key(leading)}]))
                << where << ": lookup of row " << r.at.page << ":" << r.at.row << " by " << lead << " column(s)";
            for (const RowLocation at : scan(leading))
                EXPECT_TRUE(std::binary_search(found.begin(), found.end(), at, before)) << where << ": lookup of row " << r.at.page << ":" << r.at.row;
            ++totals.lookups;
        }
        // Neighbours of the first column that no row holds find nothing.
        for (const Value& near : neighbours(r.values[columnPosition(*def, cols[0].column)])) {
            Key probe;
            std::string why;
            if (!index.tryKey(std::span<const Value>(&near, 1), probe, why) || byKey.count({1, probe}))
                continue;
            EXPECT_TRUE(index.findPrefix(probe).empty()) << where << ": neighbour of row " << r.at.page << ":"
                                                         << r.at.row << " found rows";
            ++totals.absent;
        }
    }
}

TEST(IndexTree, EveryIndexOfEveryFileMatchesItsTable) {
    Totals totals;
    for (const auto& file : jettest::accessFiles()) {
        const auto db = jet::Database::open(file);
        for (const auto& t : db->tables()) {
            const auto def = db->tableDef(t.name);
            if (def->indexes.empty())
                continue;
            std::vector<Row> rows;
            jet::TableCursor cursor(db, def);
            for (bool more = cursor.moveFirst(); more; more = cursor.moveNext())
                rows.push_back({cursor.location(), cursor.values()});
            for (std::size_t n = 0; n < def->indexes.size(); ++n) {
                ASSERT_NO_FATAL_FAILURE(checkIndex(db, def, rows, n, file + " " + t.name, totals));
                if (db->pager().page(def->realIndexes[def->indexes[n].realIndex].firstPage)->bytes[0] ==
                    jet::kIndexNodePageType)
                    ++totals.multiPage;
            }
        }
    }
    // The files hold enough to make the checks above mean something.
    EXPECT_GT(totals.indexes, 250u);
    EXPECT_GT(totals.entries, 1500u);
    EXPECT_EQ(totals.encoded + totals.unknownType, totals.entries);
    EXPECT_LT(totals.unknownType, 10u);
    EXPECT_GT(totals.textKeys, 400u);
    EXPECT_GT(totals.multiPage, 0u);
    EXPECT_GT(totals.absent, 1000u);
    std::cout << "indexes " << totals.indexes << ", entries " << totals.entries << ", text keys "
              << totals.textKeys << ", lookups " << totals.lookups << ", absent probes " << totals.absent
              << ", multi-page trees " << totals.multiPage << '\n';
}

TEST(IndexTree, CompoundIndexOfTwoPagesOrdersDescendingKeysAndNullsLast) {
    // compIndexTestV2000 Table1: 512 rows, an index on CD_AGENTE descending.
    const auto db = jet::Database::open(jettest::access("compIndexTestV2000.mdb"));
    const auto def = db->tableDef("Table1");
    const jet::Index index(db, def, "CD_AGENTE");
    ASSERT_FALSE(index.columns().front().ascending);
    std::vector<Value> order;
    jet::TableCursor cursor(db, def);
    const std::size_t column = static_cast<std::size_t>(index.columns().front().column - def->columns.data());
    index.forEachEntry([&](const jet::IndexEntry& e) {
        EXPECT_TRUE(cursor.moveTo(e.row));
        Value v;
        cursor.readValue(column, v);
        order.push_back(v);
        return true;
    });
    ASSERT_EQ(order.size(), 512u);
    std::size_t nulls = 0;
    for (std::size_t n = 0; n < order.size(); ++n) {
        if (order[n].isNull()) {
            ++nulls;
            continue;
        }
        EXPECT_EQ(nulls, 0u) << "a value after a Null";
        if (n > 0) {
            EXPECT_GE(order[n - 1].asInteger(), order[n].asInteger());
        }
    }
    EXPECT_GT(nulls, 0u);
}

TEST(IndexTree, NamesAndPrimaryKeys) {
    const auto db = jet::Database::open(jettest::access("indexTestV2000.mdb"));
    const auto def = db->tableDef("Table1");
    EXPECT_EQ(jet::Index::primaryKey(db, def).definition().name, "PrimaryKey");
    EXPECT_EQ(jet::Index(db, def, "table2TABLE1").columns().front().column->name, "otherfk1");
    const jet::Error missing = jettest::caught([&] { (void)jet::Index(db, def, "NoSuchIndex"); });
    EXPECT_EQ(missing.number(), jet::IndexNotFound);
    EXPECT_NE(missing.description().find("NoSuchIndex"), std::string::npos);
    // A table without a primary key gives none.
    EXPECT_EQ(jettest::errorOf([&] { (void)jet::Index::primaryKey(db, db->tableDef("MSysACEs")); }), jet::IndexNotFound);
}

}  // namespace
