#pragma once
// Keeps the B-trees of a table's indexes in step with its rows while a store
// runs: an entry added for every inserted row, removed for every deleted one,
// moved for an updated one. Keys are encoded exactly as Access encodes them;
// a key that cannot be (text of a sort order other than the General ones) is
// refused before anything is written. Only the index pages and the index's
// usage map change here; the table definition's entry counts and row counts
// are the table writer's.
//
// The root stays at the page the table definition names: when it splits, its
// entries move to new pages below it. Each intermediate entry holds the last
// entry of its child; of two children or more the last is reached through
// the tail pointer alone, as in Access's files. Leaves are linked from first
// to last, intermediate pages only to siblings under the same parent. A page
// emptied by deletions leaves the tree (an emptied root becomes an empty
// leaf) and goes back to the file (jet/write/PageAllocator.h).

#include "jet/Value.h"
#include "jet/index/IndexKey.h"
#include "jet/table/DataPage.h"
#include "jet/table/TableDef.h"
#include "jet/write/IndexNode.h"
#include "jet/store/PageStore.h"

#include <cstdint>
#include <map>
#include <optional>
#include <unordered_map>
#include <vector>

namespace jet {

class IndexUpdate {
public:
    // The real index `realIndex` of `table` (TableDef::realIndexes), in `store`.
    IndexUpdate(PageStore& store, const TableDef& table, std::size_t realIndex);

    // The key of a row (its values in column order, as TableDef::columns),
    // expansion letters in text counted as expansions() says; Error 3001 with
    // the reason when a value cannot be encoded.
    std::vector<std::uint8_t> key(const std::vector<Value>& row) const;
    // Whether the index holds an entry for this row at all: an index that
    // ignores Nulls leaves out rows whose key columns are all Null.
    bool holds(const std::vector<Value>& row) const;
    // Whether an entry with this key is in the tree (for unique indexes,
    // checked for every index before the first page of a store is written).
    // A key made by key() is found under either count of expansion letters,
    // as are the entries erase() removes.
    bool contains(const std::vector<std::uint8_t>& key) const;

    void insert(const std::vector<std::uint8_t>& key, RowLocation row);
    void erase(const std::vector<std::uint8_t>& key, RowLocation row);

    // How new keys count an expansion letter such as ß ("ss") in text: as
    // chosen, or else as an entry of the index shows (found through the table's
    // rows the first time a key depends on it), one position where none does.
    Expansions expansions() const;

private:
    // A page on the way from the root down, and which of its children was taken.
    struct Step {
        IndexNode* node;
        std::size_t child = 0;
    };
    // A page as last read or written, and its entries.
    struct Cached {
        std::vector<std::uint8_t> bytes;
        IndexNode node;
    };
    // The pages from the root to the leaf where `entry` belongs.
    std::vector<Step> pathTo(const std::vector<std::uint8_t>& entry) const;
    // Where the entry of `key` for `row` belongs: its bytes, the path down to
    // its leaf and its position among the leaf's entries.
    struct LeafPlace {
        std::vector<std::uint8_t> entry;
        std::vector<Step> path;
        std::size_t at;

        bool found() const;
    };
    LeafPlace placeOf(const std::vector<std::uint8_t>& key, RowLocation row) const;
    std::vector<std::uint8_t> keyWith(const std::vector<Value>& row, Expansions expansions) const;
    bool holdsKey(const std::vector<std::uint8_t>& key) const;
    // The other form of a key made by key(), when the count of expansion letters changes it.
    const std::vector<std::uint8_t>* otherForm(const std::vector<std::uint8_t>& key) const;
    Expansions expansionsShown() const;
    // Page `page`, parsed again only when its bytes in the store changed.
    IndexNode& node(std::uint32_t page) const;
    // A new page for the index, empty.
    IndexNode& fresh(bool leaf, std::uint8_t level);
    void write(IndexNode& node);
    void keepCacheSmall() const;
    // Runs one change; parsed pages are dropped when it fails half-way.
    template <typename Change>
    void change(Change&& body);
    // Splits the overfull node at `path[level]` and puts the new separator in its parent.
    void split(std::vector<Step>& path, std::size_t level, bool appended);
    void splitRoot(IndexNode& root, std::size_t at);
    // Unlinks two pages now under different parents (intermediate pages only).
    void separate(std::uint32_t last, std::uint32_t first);
    // The greatest entry under `page`.
    std::vector<std::uint8_t> greatestBelow(std::uint32_t page) const;
    void settleTail(IndexNode& node) const;
    // The greatest entry under `path[level]` is now `greatest` (`grown`: it
    // only rose): the entries above that hold it follow.
    void updateGreatest(std::vector<Step>& path, std::size_t level, const std::vector<std::uint8_t>& greatest,
                        bool grown);
    // Takes the emptied page at `path[level]` out of the tree.
    void remove(std::vector<Step>& path, std::size_t level);

    PageStore& store_;
    const TableDef& table_;
    const RealIndex& index_;
    std::vector<KeyColumn> columns_;
    mutable std::unordered_map<std::uint32_t, Cached> cache_;
    mutable std::optional<Expansions> expansions_;
    mutable std::map<std::vector<std::uint8_t>, std::vector<std::uint8_t>> otherForms_;
};

}  // namespace jet
