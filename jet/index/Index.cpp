#include "jet/index/Index.h"

#include "jet/Error.h"

#include <algorithm>
#include <unordered_set>

namespace jet {
namespace {

// Jet's trees stay a few levels deep; anything deeper is a damaged file.
constexpr int kMaxDepth = 24;

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
      columns_(keyColumns(*table_, *real_, db_->pager())) {}

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

std::shared_ptr<const IndexPage> Index::page(std::uint32_t number) const {
    constexpr std::size_t kKept = 4;
    for (auto it = recent_.begin(); it != recent_.end(); ++it)
        if ((*it)->number() == number) {
            auto found = *it;
            recent_.erase(it);
            recent_.push_back(found);
            return found;
        }
    auto parsed = std::make_shared<const IndexPage>(db_->pager(), db_->jet3(), number, table_->page);
    if (recent_.size() == kKept)
        recent_.erase(recent_.begin());
    recent_.push_back(parsed);
    return parsed;
}

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
        const auto kept = page(number);
        const IndexPage& p = *kept;
        if (p.leaf())
            return number;
        if (p.size() == 0)
            db_->pager().damaged("index page " + std::to_string(number) + " has no entries");
        // Each entry holds the last entry of its child; the tail page, when
        // there is one, holds what comes after the last child.
        const std::size_t n = p.lowerBound(prefix);
        number = n < p.size() ? p.child(n) : p.tail() != 0 ? p.tail() : p.child(p.size() - 1);
    }
}

void Index::walkLeaves(std::uint32_t first, std::span<const std::uint8_t> from,
                       const std::function<bool(const IndexPage&, std::size_t)>& visit) const {
    std::unordered_set<std::uint32_t> seen;
    std::uint32_t before = 0;
    for (std::uint32_t number = first; number != 0;) {
        if (!seen.insert(number).second)
            db_->pager().damaged("the leaves of the index '" + logical_->name + "' run in a circle at page " +
                                 std::to_string(number));
        const auto kept = page(number);
        const IndexPage& p = *kept;
        if (!p.leaf())
            db_->pager().damaged("the leaves of the index '" + logical_->name + "' lead to page " +
                                 std::to_string(number) + ", which is no leaf");
        if (before != 0 && p.previous() != before)
            db_->pager().damaged("index page " + std::to_string(number) + " does not link back to page " +
                                 std::to_string(before));
        // On the first leaf, entries below `from` are passed over by halving.
        for (std::size_t n = before == 0 && !from.empty() ? p.lowerBound(from) : 0; n < p.size(); ++n)
            if (!visit(p, n))
                return;
        before = number;
        number = p.next();
    }
}

void Index::forEachEntry(const std::function<bool(const IndexEntry&)>& visit) const {
    walkLeaves(descend({}), {}, [&](const IndexPage& p, std::size_t n) { return visit(p.entry(n)); });
}

bool Index::tryKey(std::span<const Value> values, std::vector<std::uint8_t>& key, std::string& why,
                   Expansions expansions) const {
    if (values.size() > columns_.size()) {
        why = "the index '" + logical_->name + "' has " + std::to_string(columns_.size()) + " columns, not " +
              std::to_string(values.size());
        return false;
    }
    key.clear();
    const KeyEncoder encoder(db_->header().format.version, expansions);
    for (std::size_t n = 0; n < values.size(); ++n)
        if (!encoder.append(key, columns_[n], values[n], why))
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

std::vector<RowLocation> Index::findPrefix(std::span<const std::uint8_t> prefix, bool whole) const {
    std::vector<RowLocation> rows;
    walkLeaves(descend(prefix), prefix, [&](const IndexPage& p, std::size_t n) {
        const int c = p.compare(n, prefix);
        if (c == 0 && (!whole || p.keySize(n) == prefix.size()))
            rows.push_back(p.row(n));
        return c <= 0;
    });
    return rows;
}

}  // namespace jet
