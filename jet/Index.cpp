#include "jet/Index.h"

#include "jet/Error.h"

#include <algorithm>
#include <unordered_set>

namespace jet {
namespace {

// Jet's trees stay a few levels deep; anything deeper is a damaged file.
constexpr int kMaxDepth = 24;

// <0, 0 or >0 as `entry` sorts below `prefix`, begins with it, or sorts above it.
int comparePrefix(std::span<const std::uint8_t> entry, std::span<const std::uint8_t> prefix) {
    const std::size_t n = std::min(entry.size(), prefix.size());
    for (std::size_t i = 0; i < n; ++i)
        if (entry[i] != prefix[i])
            return entry[i] < prefix[i] ? -1 : 1;
    return entry.size() < prefix.size() ? -1 : 0;
}

const LogicalIndex& named(const Database& db, const TableDef& table, std::string_view name) {
    for (const auto& index : table.indexes)
        if (equalsIgnoreCase(index.name, name))
            return index;
    throw Error(IndexNotFound, "'" + std::string(name) + "' is not an index of the table at page " +
                                   std::to_string(table.page) + " of '" + db.name() + "'.");
}

}  // namespace

Index::Index(std::shared_ptr<const Database> db, std::shared_ptr<const TableDef> table, const LogicalIndex& logical)
    : db_(std::move(db)),
      table_(std::move(table)),
      logical_(&logical),
      real_(&table_->realIndexes.at(logical.realIndex)),
      columns_(keyColumns(*table_, *real_, db_->pager())),
      encoder_(db_->jet3()) {}

Index::Index(std::shared_ptr<const Database> db, std::shared_ptr<const TableDef> table, std::string_view name)
    : Index(db, table, named(*db, *table, name)) {}

Index::Index(std::shared_ptr<const Database> db, std::shared_ptr<const TableDef> table, std::size_t position)
    : Index(db, table, table->indexes.at(position)) {}

Index Index::primaryKey(std::shared_ptr<const Database> db, std::shared_ptr<const TableDef> table) {
    for (const auto& index : table->indexes)
        if (index.primaryKey())
            return Index(db, table, index);
    throw Error(IndexNotFound, "The table at page " + std::to_string(table->page) + " of '" + db->name() +
                                   "' has no primary key.");
}

IndexPage Index::page(std::uint32_t number) const { return IndexPage(db_->pager(), db_->jet3(), number, table_->page); }

std::uint32_t Index::descend(std::span<const std::uint8_t> prefix) const {
    std::uint32_t number = real_->firstPage;
    std::vector<std::uint32_t> path;
    for (;;) {
        if (std::find(path.begin(), path.end(), number) != path.end())
            db_->pager().damaged("the index '" + logical_->name + "' leads back to page " + std::to_string(number));
        if (path.size() >= kMaxDepth)
            db_->pager().damaged("the index '" + logical_->name + "' is more than " + std::to_string(kMaxDepth) +
                                 " levels deep");
        path.push_back(number);
        const IndexPage p = page(number);
        if (p.leaf())
            return number;
        if (p.entries().empty())
            db_->pager().damaged("index page " + std::to_string(number) + " has no entries");
        // Each entry holds the last entry of its child; the tail page, when
        // there is one, holds what comes after the last child.
        const auto& entries = p.entries();
        const auto at = std::find_if(entries.begin(), entries.end(),
                                     [&](const IndexEntry& e) { return comparePrefix(e.bytes, prefix) >= 0; });
        number = at != entries.end() ? at->child : p.tail() != 0 ? p.tail() : entries.back().child;
    }
}

void Index::walkLeaves(std::uint32_t first, const std::function<bool(const IndexEntry&)>& visit) const {
    std::unordered_set<std::uint32_t> seen;
    std::uint32_t before = 0;
    for (std::uint32_t number = first; number != 0;) {
        if (!seen.insert(number).second)
            db_->pager().damaged("the leaves of the index '" + logical_->name + "' run in a circle at page " +
                                 std::to_string(number));
        const IndexPage p = page(number);
        if (!p.leaf())
            db_->pager().damaged("the leaves of the index '" + logical_->name + "' lead to page " +
                                 std::to_string(number) + ", which is no leaf");
        if (before != 0 && p.previous() != before)
            db_->pager().damaged("index page " + std::to_string(number) + " does not link back to page " +
                                 std::to_string(before));
        for (const auto& e : p.entries())
            if (!visit(e))
                return;
        before = number;
        number = p.next();
    }
}

void Index::forEachEntry(const std::function<bool(const IndexEntry&)>& visit) const {
    walkLeaves(descend({}), visit);
}

bool Index::tryKey(std::span<const Value> values, std::vector<std::uint8_t>& key, std::string& why) const {
    if (values.size() > columns_.size()) {
        why = "the index '" + logical_->name + "' has " + std::to_string(columns_.size()) + " columns, not " +
              std::to_string(values.size());
        return false;
    }
    key.clear();
    for (std::size_t n = 0; n < values.size(); ++n)
        if (!encoder_.append(key, columns_[n], values[n], why))
            return false;
    return true;
}

std::vector<std::uint8_t> Index::key(std::span<const Value> values) const {
    std::vector<std::uint8_t> k;
    std::string why;
    if (!tryKey(values, k, why))
        throw Error(InvalidArgument, "Cannot look up a key in the index '" + logical_->name + "' of '" + db_->name() +
                                         "': " + why + ".");
    return k;
}

std::vector<RowLocation> Index::findPrefix(std::span<const std::uint8_t> prefix) const {
    std::vector<RowLocation> rows;
    walkLeaves(descend(prefix), [&](const IndexEntry& e) {
        const int c = comparePrefix(e.bytes, prefix);
        if (c == 0)
            rows.push_back(e.row);
        return c <= 0;
    });
    return rows;
}

}  // namespace jet
