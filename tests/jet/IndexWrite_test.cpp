// Index maintenance on copies of real Access files, held in memory: random
// sequences of inserts and erases (fixed seeds) on every index of a table at
// once, after which each tree, read back with the reader, lists exactly the
// entries a model holds, in key order and with the bytes we encode; lookups
// find every row; the trees keep the shape of Access's.
#include "JetTesting.h"
#include "MemoryStore.h"

#include "jet/Error.h"
#include "jet/index/Index.h"
#include "jet/table/ColumnType.h"
#include "jet/write/IndexUpdate.h"

#include <gtest/gtest.h>

#include <map>
#include <optional>
#include <random>

namespace {

using jet::RowLocation;
using jet::Value;
using Bytes = std::vector<std::uint8_t>;

struct Modelled {
    std::vector<Value> values;  // the whole row
    RowLocation row;
};

// Entry bytes (key, then the row location as the tree stores it) -> the row.
using Model = std::map<Bytes, Modelled>;

Bytes entryBytes(Bytes key, RowLocation at) {
    key.push_back(static_cast<std::uint8_t>(at.page >> 16));
    key.push_back(static_cast<std::uint8_t>(at.page >> 8));
    key.push_back(static_cast<std::uint8_t>(at.page));
    key.push_back(static_cast<std::uint8_t>(at.row));
    return key;
}

// Texts from a small alphabet (so that keys share long prefixes and repeat),
// mostly short, some as long as the column allows.
const std::vector<std::string> kPieces = {"a", "B", "c", "d", "E", "n", "o", "s", "t", "z", "0", "7", " ",
                                          "-", "'", ".", "é", "ü", "Ł", "ß", "Ø", "ñ", "Æ", "ç"};

class Writer {
public:
    Writer(const std::string& file, const std::string& table, std::uint32_t seed, bool accented)
        : random_(seed), accented_(accented) {
        auto original = jet::Database::open(jettest::access(file));
        store_.emplace(jettest::fileBytes(jettest::access(file)), original->format());
        def_ = original->tableDef(table);
        for (std::size_t r = 0; r < def_->realIndexes.size(); ++r) {
            updates_.emplace_back(*store_, *def_, r);
            models_.emplace_back();
        }
        // The model starts with the rows the table holds.
        jet::TableCursor cursor(original, def_);
        for (bool more = cursor.moveFirst(); more; more = cursor.moveNext())
            add(cursor.values(), cursor.location(), false);
    }

    // Texts only of the longer kind (fewer entries to a page, deeper trees).
    bool onlyLongTexts = false;

    std::size_t indexes() const { return updates_.size(); }
    std::size_t entries(std::size_t r) const { return models_[r].size(); }

    // A new row, put in every index (unless a unique one already holds its key).
    void insertRandom() {
        std::vector<Value> row(def_->columns.size());
        for (std::size_t c = 0; c < row.size(); ++c)
            row[c] = randomValue(def_->columns[c]);
        for (std::size_t r = 0; r < updates_.size(); ++r)
            if (def_->realIndexes[r].unique() && updates_[r].holds(row) && updates_[r].contains(updates_[r].key(row)))
                return;
        add(row, {0x100u + next_ / 200, static_cast<std::uint16_t>(next_ % 200)}, true);
        ++next_;
    }

    // A row chosen at random leaves every index.
    void eraseRandom() {
        if (rows_.empty())
            return;
        const std::size_t n = std::uniform_int_distribution<std::size_t>(0, rows_.size() - 1)(random_);
        const Modelled gone = rows_[n];
        rows_[n] = rows_.back();
        rows_.pop_back();
        for (std::size_t r = 0; r < updates_.size(); ++r) {
            if (!updates_[r].holds(gone.values))
                continue;
            const Bytes key = updates_[r].key(gone.values);
            updates_[r].erase(key, gone.row);
            models_[r].erase(entryBytes(key, gone.row));
        }
    }

    // The file as it is now, read by the reader.
    std::shared_ptr<jet::Database> reopen() const { return jet::Database::openBytes(store_->bytes()); }
    jet::PageStore& store() { return *store_; }
    const jet::TableDef& def() const { return *def_; }
    jet::IndexUpdate& update(std::size_t r) { return updates_[r]; }
    const Model& model(std::size_t r) const { return models_[r]; }

private:
    void add(const std::vector<Value>& row, RowLocation at, bool write) {
        rows_.push_back({row, at});
        for (std::size_t r = 0; r < updates_.size(); ++r) {
            if (!updates_[r].holds(row))
                continue;
            const Bytes key = updates_[r].key(row);
            if (write)
                updates_[r].insert(key, at);
            models_[r][entryBytes(key, at)] = {row, at};
        }
    }

    Value randomValue(const jet::ColumnDef& c) {
        std::uniform_int_distribution<int> pct(0, 99);
        if (pct(random_) < 3)
            return Value();
        switch (static_cast<jet::ColumnType>(c.type)) {
        case jet::ColumnType::Long:
            return Value::integer(std::uniform_int_distribution<std::int64_t>(-300000, 300000)(random_));
        case jet::ColumnType::Integer:
            return Value::integer(std::uniform_int_distribution<std::int64_t>(-2000, 2000)(random_));
        case jet::ColumnType::Text: {
            const std::size_t most = std::min<std::size_t>(c.length / 2, 255);
            const std::size_t length = pct(random_) < (onlyLongTexts ? 0 : 60)
                                           ? std::uniform_int_distribution<std::size_t>(0, 6)(random_)
                                                         : std::uniform_int_distribution<std::size_t>(most / 2, most)(random_);
            const std::size_t pieces = accented_ ? kPieces.size() : 16;
            std::string s;
            for (std::size_t n = 0; n < length; ++n)
                s += kPieces[std::uniform_int_distribution<std::size_t>(0, pieces - 1)(random_)];
            return Value::text(s);
        }
        default:
            return Value();
        }
    }

    std::mt19937 random_;
    bool accented_;
    std::optional<jettest::MemoryStore> store_;
    std::shared_ptr<const jet::TableDef> def_;
    std::vector<jet::IndexUpdate> updates_;
    std::vector<Model> models_;
    std::vector<Modelled> rows_;
    std::uint32_t next_ = 0;
};

// Walks the tree under `page` checking the shape of Access's trees: each
// intermediate entry holds the greatest entry of its child, the last of two
// children or more is the tail, no page but the root is empty, leaves are all
// as deep, intermediate pages are linked only to siblings under the same
// parent. Returns the greatest entry (none for an empty root).
std::optional<Bytes> checkTree(jet::PageStore& store, const jet::TableDef& def, std::uint32_t page, bool root,
                               int& depth) {
    const jet::IndexNode node = jet::readIndexNode(store, page, def.page);
    if (node.leaf) {
        depth = 1;
        EXPECT_TRUE(root || !node.entries.empty()) << "empty leaf " << page;
        return node.entries.empty() ? std::nullopt : std::optional<Bytes>(node.entries.back().bytes);
    }
    EXPECT_EQ(node.tail != 0, node.childCount() >= 2) << "index page " << page;
    std::optional<Bytes> greatest;
    for (std::size_t n = 0; n < node.childCount(); ++n) {
        const std::uint32_t child = node.childAt(n);
        const jet::IndexNode c = jet::readIndexNode(store, child, def.page);
        if (!c.leaf) {
            EXPECT_EQ(c.previous, n == 0 ? 0 : node.childAt(n - 1)) << "index page " << child;
            EXPECT_EQ(c.next, n + 1 == node.childCount() ? 0 : node.childAt(n + 1)) << "index page " << child;
        }
        int below = 0;
        greatest = checkTree(store, def, child, false, below);
        EXPECT_TRUE(n == 0 || below + 1 == depth) << "leaves at different depths under " << page;
        depth = below + 1;
        if (n < node.entries.size() && greatest) {
            EXPECT_EQ(*greatest, node.entries[n].bytes) << "entry " << n << " of index page " << page;
        }
    }
    return greatest;
}

// Every index of the table, read back, against its model; returns the depth
// of the deepest tree.
int checkAll(Writer& w) {
    const auto db = w.reopen();
    int deepest = 0;
    for (std::size_t r = 0; r < w.indexes(); ++r) {
        const auto& logical = std::find_if(w.def().indexes.begin(), w.def().indexes.end(),
                                           [&](const jet::LogicalIndex& l) { return l.realIndex == r; });
        if (logical == w.def().indexes.end())
            continue;
        const auto table = std::make_shared<const jet::TableDef>(w.def());
        const jet::Index index(db, table, static_cast<std::size_t>(logical - w.def().indexes.begin()));
        std::vector<Bytes> read;
        index.forEachEntry([&](const jet::IndexEntry& e) {
            read.push_back(e.bytes);
            return true;
        });
        std::vector<Bytes> expected;
        for (const auto& [bytes, row] : w.model(r))
            expected.push_back(bytes);
        EXPECT_EQ(read, expected) << "index " << logical->name;

        // Every row is found by its values, through the tree.
        std::size_t n = 0;
        for (const auto& [bytes, m] : w.model(r)) {
            if (n++ % 7 != 0)
                continue;
            std::vector<Value> key;
            for (const auto& kc : index.columns())
                key.push_back(m.values[static_cast<std::size_t>(kc.column - table->columns.data())]);
            const auto found = index.find(key);
            EXPECT_NE(std::find(found.begin(), found.end(), m.row), found.end()) << "index " << logical->name;
            EXPECT_TRUE(w.update(r).contains(Bytes(bytes.begin(), bytes.end() - 4)));
        }
        int depth = 0;
        checkTree(w.store(), w.def(), w.def().realIndexes[r].firstPage, true, depth);
        deepest = std::max(deepest, depth);
    }
    return deepest;
}

// Grows every index of the table past several levels, drains it, grows it again.
void growDrainGrow(const std::string& file, const std::string& table, std::uint32_t seed, bool accented, int levels,
                   int steps, bool onlyLongTexts = false) {
    SCOPED_TRACE(file + " " + table);
    Writer w(file, table, seed, accented);
    w.onlyLongTexts = onlyLongTexts;
    ASSERT_GT(w.indexes(), 0u);
    std::mt19937 coin(seed);
    std::uniform_int_distribution<int> pct(0, 99);
    for (int n = 0; n < steps; ++n)
        pct(coin) < 85 ? w.insertRandom() : w.eraseRandom();
    EXPECT_GE(checkAll(w), levels) << "the sequence should have built deeper trees";
    for (int n = 0; n < steps; ++n)
        pct(coin) < 15 ? w.insertRandom() : w.eraseRandom();
    checkAll(w);
    for (int n = 0; n < steps / 3; ++n)
        pct(coin) < 70 ? w.insertRandom() : w.eraseRandom();
    checkAll(w);
}

TEST(IndexWrite, RandomSequencesKeepEveryIndexEqualToItsModel) {
    // Text indexes: long texts of up to 255 characters (three levels and
    // more), and five indexes of one table, one of them unique; names with
    // accents and letters such as Ł, ß and Æ.
    growDrainGrow("bigIndexTestV2000.mdb", "Table1", 2, true, 3, 3000);
    growDrainGrow("bigIndexTestV2000.mdb", "Table1", 7, true, 4, 1500, true);
    growDrainGrow("testV2000.mdb", "Table2", 1, true, 2, 2000);
    growDrainGrow("testV2007.accdb", "Table2", 5, true, 2, 1500);  // ACE 12
    // Long Integer keys, unique and not; a two-level tree Access made.
    growDrainGrow("indexTestV2000.mdb", "Table1", 3, false, 2, 1500);
    growDrainGrow("compIndexTestV2000.mdb", "Table1", 4, false, 2, 1500);
}

// Whether the model holds an entry whose key is `key`.
bool modelHolds(const Model& model, const Bytes& key) {
    const auto it = model.lower_bound(key);
    return it != model.end() && it->first.size() == key.size() + 4 &&
           std::equal(key.begin(), key.end(), it->first.begin());
}

TEST(IndexWrite, ContainsFindsExactlyTheKeysHeld) {
    Writer w("testV2000.mdb", "Table1", 6, true);
    for (int n = 0; n < 3000; ++n)
        n % 4 == 3 ? w.eraseRandom() : w.insertRandom();
    for (std::size_t r = 0; r < w.indexes(); ++r) {
        ASSERT_GT(w.entries(r), 100u);
        std::size_t n = 0, held = 0;
        for (const auto& [bytes, row] : w.model(r)) {
            if (n++ % 5 != 0)
                continue;
            Bytes key(bytes.begin(), bytes.end() - 4);
            Bytes next = key;
            for (auto b = next.rbegin(); b != next.rend() && ++*b == 0; ++b) {
            }
            Bytes longer = key;
            longer.push_back(0x7F);
            for (const Bytes& probe : {key, next, longer}) {
                EXPECT_EQ(w.update(r).contains(probe), modelHolds(w.model(r), probe));
                held += modelHolds(w.model(r), probe);
            }
        }
        EXPECT_LT(held, n);  // some probes were keys nobody holds
    }
}

}  // namespace
