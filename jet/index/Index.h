#pragma once
// An index of a table, read from its B-tree: its entries in key order, and
// lookups by key that go from the root down to the leaves without reading the
// table. The pages are checked as they are read; a tree that loops, runs too
// deep or does not fit its pages gives jet::Error 3343 (damaged), never a hang.
#include "jet/Database.h"
#include "jet/table/TableDef.h"
#include "jet/index/IndexKey.h"
#include "jet/index/IndexPage.h"

#include <functional>
#include <memory>
#include <span>
#include <string_view>
#include <vector>

namespace jet {

class Index {
public:
    // The logical index `name` of `table` (letter case ignored); Error 3800
    // when the table has no index of that name.
    Index(std::shared_ptr<const Database> db, std::shared_ptr<const TableDef> table, std::string_view name);
    // The table's primary key; Error 3800 when it has none.
    static Index primaryKey(std::shared_ptr<const Database> db, std::shared_ptr<const TableDef> table);
    // The logical index at `position` in the table's definition.
    Index(std::shared_ptr<const Database> db, std::shared_ptr<const TableDef> table, std::size_t position);

    const LogicalIndex& definition() const { return *logical_; }
    const RealIndex& tree() const { return *real_; }
    const std::vector<KeyColumn>& columns() const { return columns_; }
    const TableDef& table() const { return *table_; }

    // Calls `visit` with every leaf entry in key order until it returns false.
    void forEachEntry(const std::function<bool(const IndexEntry&)>& visit) const;

    // The key bytes of the leading columns holding `values` (as many values as
    // columns or fewer, each of the kind its column stores); Error 3001 with
    // the reason when one cannot be encoded.
    std::vector<std::uint8_t> key(std::span<const Value> values) const;
    // The same without raising: false, with the reason in `why`. Text keys
    // count expansion letters such as ß as `expansions` says.
    bool tryKey(std::span<const Value> values, std::vector<std::uint8_t>& key, std::string& why,
                Expansions expansions = Expansions::OnePosition) const;

    // The row locations, in key order, of the entries whose key begins with
    // `prefix` (the key of leading columns), or is `prefix` when `whole`,
    // found by going down the tree.
    std::vector<RowLocation> findPrefix(std::span<const std::uint8_t> prefix, bool whole = false) const;
    // The row locations of the entries whose leading columns hold `values`.
    std::vector<RowLocation> find(std::span<const Value> values) const {
        return findPrefix(key(values), values.size() == columns_.size());
    }

private:
    Index(std::shared_ptr<const Database> db, std::shared_ptr<const TableDef> table, const LogicalIndex& logical);
    // The page, parsed; the last few stay parsed, as lookups pass the same root again and again.
    std::shared_ptr<const IndexPage> page(std::uint32_t number) const;
    // The leaf where entries not below `prefix` begin (the first leaf for an empty prefix).
    std::uint32_t descend(std::span<const std::uint8_t> prefix) const;
    // Walks leaves from `first` along their next links, entry by entry, until
    // `visit` returns false; on the first leaf from the first entry not below `from`.
    void walkLeaves(std::uint32_t first, std::span<const std::uint8_t> from,
                    const std::function<bool(const IndexPage&, std::size_t)>& visit) const;

    std::shared_ptr<const Database> db_;
    std::shared_ptr<const TableDef> table_;
    const LogicalIndex* logical_;
    const RealIndex* real_;
    std::vector<KeyColumn> columns_;
    mutable std::vector<std::shared_ptr<const IndexPage>> recent_;  // most recent last
};

}  // namespace jet
