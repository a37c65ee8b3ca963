#include "jet/check/IndexCheck.h"

#include "jet/Error.h"
#include "jet/index/Index.h"
#include "jet/table/TableCursor.h"

#include <algorithm>
#include <optional>
#include <unordered_map>
#include <unordered_set>

namespace jet {
namespace {

constexpr int kMaxDepth = 24;

struct LeafEntry {
    IndexEntry entry;
    std::uint32_t page;
};

std::uint64_t locationKey(RowLocation at) { return std::uint64_t{at.page} << 16 | at.row; }

std::string where(RowLocation at) {
    return "page " + std::to_string(at.page) + " row " + std::to_string(at.row);
}

std::string hex(std::span<const std::uint8_t> bytes) {
    static constexpr char kDigits[] = "0123456789abcdef";
    std::string s;
    for (const std::uint8_t b : bytes) {
        s += kDigits[b >> 4];
        s += kDigits[b & 15];
    }
    return s;
}

// A key whose every column is Null: unique indexes allow any number of them.
bool allNull(std::span<const std::uint8_t> key, std::size_t columns) {
    return key.size() == columns && std::all_of(key.begin(), key.end(), [](std::uint8_t b) { return b == 0x00 || b == 0xFF; });
}

class IndexChecker {
public:
    IndexChecker(CheckRun& run, const std::string& table, const std::shared_ptr<const TableDef>& def,
                 const LogicalIndex& logical, const std::set<std::uint32_t>& dataPages, const std::set<std::uint32_t>& map)
        : run_(run), table_(table), def_(def), index_(run.db, def, logical.name),
          name_("index '" + logical.name + "'"), dataPages_(dataPages), map_(map) {}

    // The leaf entries are held a window of row places at a time (about
    // kWindow of them), each window checked against the table's rows, so
    // that memory stays bounded however large the table.
    void run() {
        checkNodes(index_.tree().firstPage, 0);
        for (std::uint64_t from = 0, to = 0; to != kNoEnd; from = to) {
            to = walkLeaves(from, from == 0);
            checkRows(from, to);
        }
    }

private:
    static constexpr std::size_t kWindow = std::size_t{1} << 17;
    static constexpr std::uint64_t kNoEnd = UINT64_MAX;

    IndexPage load(std::uint32_t number) const { return IndexPage(run_.db->pager(), run_.db->jet3(), number, def_->page); }

    void inMap(std::uint32_t number) {
        if (!map_.contains(number))
            run_.add(table_, number, name_ + ": the page is not in the index's usage map");
    }

    // Intermediate pages, depth first: each entry holds the last entry of
    // its child's whole subtree.
    void checkNodes(std::uint32_t number, int depth) {
        if (depth > kMaxDepth || !visitedNodes_.insert(number).second) {
            run_.add(table_, number, name_ + ": the tree leads back to this page or runs too deep");
            return;
        }
        inMap(number);
        const IndexPage page = load(number);
        if (page.leaf())
            return;
        if (page.size() == 0)
            run_.add(table_, number, name_ + ": an intermediate page without entries");
        for (std::size_t n = 0; n < page.size(); ++n) {
            const IndexEntry entry = page.entry(n);
            if (greatestUnder(entry.child) != entry.bytes)
                run_.add(table_, number, name_ + ": entry " + std::to_string(n) + " does not hold the last entry under child page " +
                                             std::to_string(entry.child));
            checkNodes(entry.child, depth + 1);
        }
        if (page.tail() != 0)
            checkNodes(page.tail(), depth + 1);
    }

    // The last leaf entry under page `number`, reached through the tail, or
    // else the last entry, of each intermediate page; none when a page on
    // the way is empty (reported where it is).
    std::optional<std::vector<std::uint8_t>> greatestUnder(std::uint32_t number) const {
        for (int depth = 0; depth <= kMaxDepth; ++depth) {
            const IndexPage page = load(number);
            if (page.size() == 0 && (page.leaf() || page.tail() == 0))
                return std::nullopt;
            if (page.leaf())
                return page.entry(page.size() - 1).bytes;
            number = page.tail() != 0 ? page.tail() : page.child(page.size() - 1);
        }
        return std::nullopt;
    }

    // The leaves from the leftmost one along their next links: keeps in
    // entries_ those naming row places from `from` on, as many of the first
    // of them as a window holds, and returns where the window ends. The
    // leaves' links and order are judged on the first walk (`judge`).
    std::uint64_t walkLeaves(std::uint64_t from, bool judge) {
        entries_.clear();
        std::uint64_t to = kNoEnd;
        std::uint32_t number = index_.tree().firstPage;
        for (int depth = 0;; ++depth) {
            const IndexPage page = load(number);
            if (page.leaf())
                break;
            if (page.size() == 0 || depth > kMaxDepth)
                return kNoEnd;  // reported by checkNodes
            number = page.child(0);
        }
        std::unordered_set<std::uint32_t> seen;
        IndexEntry previous;  // the last entry met, its buffer reused
        bool first = true;
        std::uint32_t before = 0;
        while (number != 0) {
            if (!seen.insert(number).second) {
                if (judge)
                    run_.add(table_, number, name_ + ": the leaves run in a circle");
                return to;
            }
            if (judge)
                inMap(number);
            const IndexPage page = load(number);
            if (!page.leaf()) {
                if (judge)
                    run_.add(table_, number, name_ + ": a leaf links to this page, which is no leaf");
                return to;
            }
            if (judge && page.previous() != before)
                run_.add(table_, number, name_ + ": the leaf links back to page " + std::to_string(page.previous()) +
                                             ", not to page " + std::to_string(before));
            for (std::size_t n = 0; n < page.size(); ++n) {
                IndexEntry entry = page.entry(n);
                if (judge) {
                    if (!first)
                        checkOrder(previous, entry, number);
                    previous.bytes.assign(entry.bytes.begin(), entry.bytes.end());
                    previous.row = entry.row;
                    first = false;
                }
                if (const std::uint64_t at = locationKey(entry.row); at >= from && at < to) {
                    entries_.push_back({std::move(entry), number});
                    if (entries_.size() >= 2 * kWindow && to > from + 1)
                        to = narrow(from);
                }
            }
            before = number;
            number = page.next();
        }
        return to;
    }

    // Keeps the entries of the first kWindow row places from `from` on;
    // returns the row place the window now ends before.
    std::uint64_t narrow(std::uint64_t from) {
        std::vector<std::uint64_t> places;
        places.reserve(entries_.size());
        for (const LeafEntry& e : entries_)
            places.push_back(locationKey(e.entry.row));
        std::nth_element(places.begin(), places.begin() + kWindow, places.end());
        const std::uint64_t to = std::max(places[kWindow], from + 1);  // one place at least, however many name it
        std::erase_if(entries_, [&](const LeafEntry& e) { return locationKey(e.entry.row) >= to; });
        return to;
    }

    void checkOrder(const IndexEntry& a, const IndexEntry& b, std::uint32_t page) {
        if (!(a.bytes < b.bytes))
            run_.add(table_, page, name_ + ": the entry for " + where(b.row) + " is out of key order");
        else if (index_.tree().unique() && std::ranges::equal(a.key(), b.key()) &&
                 !allNull(b.key(), index_.columns().size()))
            run_.add(table_, page, name_ + ": the unique index holds the key " + hex(b.key()) + " twice (" +
                                       where(a.row) + ", " + where(b.row) + ")");
    }

    // The rows whose places lie in [from, to) against the entries held.
    void checkRows(std::uint64_t from, std::uint64_t to) {
        std::unordered_map<std::uint64_t, std::vector<std::size_t>> byRow;
        for (std::size_t n = 0; n < entries_.size(); ++n)
            byRow[locationKey(entries_[n].entry.row)].push_back(n);
        std::vector<std::size_t> positions;
        for (const auto& k : index_.columns())
            positions.push_back(static_cast<std::size_t>(k.column - def_->columns.data()));

        TableCursor cursor(run_.db, def_);
        std::vector<Value> keyValues;
        std::vector<std::uint8_t> key, other;
        std::string why;
        for (bool more = cursor.moveFirst(); more; more = cursor.moveNext()) {
            const RowLocation at = cursor.location();
            if (locationKey(at) < from || locationKey(at) >= to)
                continue;
            keyValues.clear();
            for (const std::size_t p : positions)
                keyValues.push_back(cursor.values().at(p));
            const auto found = byRow.find(locationKey(at));
            if (found == byRow.end()) {
                if (!leftOutOf(index_.tree(), keyValues))
                    run_.add(table_, at.page, name_ + ": the row at " + where(at) + " has no entry");
                continue;
            }
            const auto matches = found->second;
            byRow.erase(found);
            if (matches.size() > 1)
                run_.add(table_, at.page, name_ + ": the row at " + where(at) + " has " + std::to_string(matches.size()) +
                                              " entries");
            // A key we cannot make (a column type without keys here) is left
            // unchecked rather than guessed. Access builds count an expansion
            // letter such as ß in text either way.
            const auto& entry = entries_[matches.front()];
            if (!index_.tryKey(keyValues, key, why))
                continue;
            if (!std::ranges::equal(entry.entry.key(), key) &&
                (!index_.tryKey(keyValues, other, why, Expansions::PerLetter) || !std::ranges::equal(entry.entry.key(), other)))
                run_.add(table_, entry.page, name_ + ": the entry for the row at " + where(at) + " holds the key " +
                                                 hex(entry.entry.key()) + ", its values make " + hex(key));
        }
        std::set<std::uint32_t> unmapped;
        for (const auto& [location, indexes] : byRow)
            for (const std::size_t n : indexes) {
                const RowLocation at = entries_[n].entry.row;
                if (ownedButUnmapped(at.page))
                    unmapped.insert(at.page);
                else
                    run_.add(table_, entries_[n].page, name_ + ": an entry names " + where(at) +
                                                           ", which holds no row of the table");
            }
        for (const std::uint32_t page : unmapped)
            run_.add(table_, page, name_ + ": names rows on this data page of the table, which its usage map leaves out");
    }

    // A data page that names this table as its owner but is not in its map:
    // Access leaves such pages behind when they fall empty, but one whose rows
    // an index names has gone missing from the map.
    bool ownedButUnmapped(std::uint32_t number) const {
        if (dataPages_.contains(number) || number >= run_.db->pager().pageCount())
            return false;
        const PageRef page = run_.db->pager().page(number);
        return isDataPage(*page) && DataPageView(page, run_.db->pager(), run_.db->jet3()).owner() == def_->page;
    }

    CheckRun& run_;
    const std::string& table_;
    std::shared_ptr<const TableDef> def_;
    Index index_;
    std::string name_;
    const std::set<std::uint32_t>& dataPages_;
    const std::set<std::uint32_t>& map_;
    std::unordered_set<std::uint32_t> visitedNodes_;
    std::vector<LeafEntry> entries_;
};

}  // namespace

void checkIndexes(CheckRun& run, const std::string& table, const std::shared_ptr<const TableDef>& def,
                  const std::set<std::uint32_t>& dataPages, const std::vector<std::set<std::uint32_t>>& indexMaps) {
    for (std::size_t real = 0; real < def->realIndexes.size(); ++real) {
        const auto logical = std::find_if(def->indexes.begin(), def->indexes.end(),
                                          [&](const LogicalIndex& l) { return l.realIndex == real; });
        if (logical == def->indexes.end())
            continue;
        try {
            IndexChecker(run, table, def, *logical, dataPages, indexMaps.at(real)).run();
        } catch (const Error& e) {
            run.add(table, def->realIndexes[real].firstPage, "index '" + logical->name + "': " + e.description());
        }
    }
}

}  // namespace jet
