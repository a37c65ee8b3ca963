#pragma once
// Keeps the B-trees of a table's indexes in step with its rows while a store
// runs: an entry added for every inserted row, removed for every deleted one,
// moved for an updated one. Keys are encoded exactly as Access encodes them;
// a key that cannot be (a character whose sort weights are not established)
// is refused before anything is written. Only the index pages and the index's
// usage map change here; the table definition's entry counts and row counts
// are the table writer's.
//
// The root stays at the page the table definition names: when it splits, its
// entries move to new pages below it. Each intermediate entry holds the last
// entry of its child; the last child is reached through the tail pointer
// alone, as in Access's files. An emptied leaf other than the root stays in
// the tree, empty and still linked, with the entry above it left as it was (a
// bound between its neighbours that readers and later inserts go by); it
// takes entries again later, so no index page is ever given back.

#include "jet/Value.h"
#include "jet/index/IndexKey.h"
#include "jet/table/DataPage.h"
#include "jet/table/TableDef.h"
#include "jet/write/IndexNode.h"
#include "jet/write/PageStore.h"

#include <cstdint>
#include <vector>

namespace jet {

class IndexUpdate {
public:
    // The real index `realIndex` of `table` (TableDef::realIndexes), in `store`.
    IndexUpdate(PageStore& store, const TableDef& table, std::size_t realIndex);

    // The key of a row (its values in column order, as TableDef::columns);
    // Error 3001 with the reason when a value cannot be encoded.
    std::vector<std::uint8_t> key(const std::vector<Value>& row) const;
    // Whether the index holds an entry for this row at all: an index that
    // ignores Nulls leaves out rows whose key columns are all Null.
    bool holds(const std::vector<Value>& row) const;
    // Whether an entry with this key is in the tree (for unique indexes,
    // checked for every index before the first page of a store is written).
    bool contains(const std::vector<std::uint8_t>& key) const;

    void insert(const std::vector<std::uint8_t>& key, RowLocation row);
    void erase(const std::vector<std::uint8_t>& key, RowLocation row);

private:
    // A page on the way from the root down, and which of its children was taken.
    struct Step {
        IndexNode node;
        std::size_t child = 0;
    };
    // The pages from the root to the leaf where `entry` belongs.
    std::vector<Step> pathTo(const std::vector<std::uint8_t>& entry) const;
    IndexNode read(std::uint32_t page) const;
    void write(const IndexNode& node);
    // Splits the overfull node at `path[level]` and puts the new separator in its parent.
    void split(std::vector<Step>& path, std::size_t level, bool appended);
    void splitRoot(IndexNode& root, std::size_t at);
    // After the last entry of the leaf at the end of `path` changed: the
    // entries above that hold it follow.
    void updateSeparators(std::vector<Step>& path);

    PageStore& store_;
    const TableDef& table_;
    const RealIndex& index_;
    std::vector<KeyColumn> columns_;
    KeyEncoder encoder_;
};

}  // namespace jet
