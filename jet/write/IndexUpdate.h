#pragma once
// Keeps the B-trees of a table's indexes in step with its rows while a store
// runs: an entry added for every inserted row, removed for every deleted one,
// moved for an updated one. Keys are encoded exactly as Access encodes them;
// a key that cannot be (a character whose sort weights are not established)
// is refused before anything is written. Only the index pages and the index's
// usage map change here; the table definition's entry counts and row counts
// are the table writer's.

#include "jet/Value.h"
#include "jet/table/DataPage.h"
#include "jet/table/TableDef.h"
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
    // Whether an entry with this key is in the tree (for unique indexes,
    // checked for every index before the first page of a store is written).
    bool contains(const std::vector<std::uint8_t>& key) const;

    void insert(const std::vector<std::uint8_t>& key, RowLocation row);
    void erase(const std::vector<std::uint8_t>& key, RowLocation row);

private:
    PageStore& store_;
    const TableDef& table_;
    std::size_t realIndex_;
};

}  // namespace jet
