#include "jet/write/IndexUpdate.h"

#include "jet/Error.h"
#include "jet/write/PageAllocator.h"

#include <algorithm>
#include <string>

namespace jet {
namespace {

// Trees deeper than this are damaged files (a loop through the pages).
constexpr std::size_t kMaxDepth = 24;

bool lessBytes(const std::vector<std::uint8_t>& a, const std::vector<std::uint8_t>& b) {
    return std::lexicographical_compare(a.begin(), a.end(), b.begin(), b.end());
}

// The first entry whose bytes do not sort below `bytes`.
std::size_t lowerBound(const std::vector<IndexEntry>& entries, const std::vector<std::uint8_t>& bytes) {
    return static_cast<std::size_t>(
        std::lower_bound(entries.begin(), entries.end(), bytes,
                         [](const IndexEntry& e, const std::vector<std::uint8_t>& b) { return lessBytes(e.bytes, b); }) -
        entries.begin());
}

bool startsWith(const std::vector<std::uint8_t>& bytes, const std::vector<std::uint8_t>& prefix) {
    return bytes.size() >= prefix.size() && std::equal(prefix.begin(), prefix.end(), bytes.begin());
}

}  // namespace

IndexUpdate::IndexUpdate(PageStore& store, const TableDef& table, std::size_t realIndex)
    : store_(store),
      table_(table),
      index_(table.realIndexes.at(realIndex)),
      encoder_(store.format().version == Version::Jet3) {
    for (const IndexColumn& ic : index_.columns) {
        const auto c = std::find_if(table.columns.begin(), table.columns.end(),
                                    [&](const ColumnDef& d) { return d.number == ic.columnNumber; });
        if (c == table.columns.end())
            throw Error(NotADatabase, "The database '" + store.name() + "' is damaged (an index of the table at page " +
                                          std::to_string(table.page) + " names column " +
                                          std::to_string(ic.columnNumber) + ", which it does not have).");
        columns_.push_back({&*c, ic.ascending});
    }
}

std::vector<std::uint8_t> IndexUpdate::key(const std::vector<Value>& row) const {
    std::vector<std::uint8_t> k;
    for (const KeyColumn& kc : columns_) {
        const auto position = static_cast<std::size_t>(kc.column - table_.columns.data());
        if (position >= row.size())
            throw Error(InvalidArgument, "The row has no value for the column '" + kc.column->name + "'.");
        std::string why;
        if (!encoder_.append(k, kc, row[position], why))
            throw Error(InvalidArgument, "The value cannot be stored in an index of '" + store_.name() +
                                             "': " + why + ".");
    }
    // An entry must leave room for at least two others on its page.
    const std::size_t most = (store_.pageSize() - 0x1E0) / 3 - 8;
    if (k.size() > most)
        throw Error(InvalidArgument, "The key of an index of '" + store_.name() + "' would take " +
                                         std::to_string(k.size()) + " bytes, more than the " + std::to_string(most) +
                                         " an index entry may hold.");
    return k;
}

bool IndexUpdate::holds(const std::vector<Value>& row) const {
    if (!index_.ignoreNulls())
        return true;
    return std::any_of(columns_.begin(), columns_.end(), [&](const KeyColumn& kc) {
        const auto position = static_cast<std::size_t>(kc.column - table_.columns.data());
        return position < row.size() && !row[position].isNull();
    });
}

IndexNode IndexUpdate::read(std::uint32_t page) const { return readIndexNode(store_, page, table_.page); }

void IndexUpdate::write(const IndexNode& node) { writeIndexNode(store_, node, table_.page); }

std::vector<IndexUpdate::Step> IndexUpdate::pathTo(const std::vector<std::uint8_t>& entry) const {
    std::vector<Step> path;
    std::uint32_t page = index_.firstPage;
    for (;;) {
        for (const Step& s : path)
            if (s.node.page == page)
                throw Error(NotADatabase, "The database '" + store_.name() + "' is damaged (an index leads back to page " +
                                              std::to_string(page) + ").");
        if (path.size() >= kMaxDepth)
            throw Error(NotADatabase, "The database '" + store_.name() + "' is damaged (an index is too deep).");
        Step step{read(page), 0};
        if (step.node.leaf) {
            path.push_back(std::move(step));
            return path;
        }
        if (step.node.childCount() == 0)
            throw Error(NotADatabase, "The database '" + store_.name() + "' is damaged (index page " +
                                          std::to_string(page) + " has no children).");
        // Each entry holds the last entry below its child; what sorts above
        // them all is under the tail.
        step.child = std::min(lowerBound(step.node.entries, entry), step.node.childCount() - 1);
        page = step.node.childAt(step.child);
        path.push_back(std::move(step));
    }
}

bool IndexUpdate::contains(const std::vector<std::uint8_t>& key) const {
    const std::vector<Step> path = pathTo(key);
    const IndexNode* leaf = &path.back().node;
    std::size_t n = lowerBound(leaf->entries, key);
    // The first entry not below the key may be on a later leaf (emptied leaves pass by).
    IndexNode later;
    for (std::size_t hops = 0; n == leaf->entries.size(); ++hops) {
        if (leaf->next == 0 || hops > store_.pageCount())
            return false;
        later = read(leaf->next);
        leaf = &later;
        n = 0;
    }
    return startsWith(leaf->entries[n].bytes, key);
}

void IndexUpdate::insert(const std::vector<std::uint8_t>&, RowLocation) {
    throw Error(InvalidArgument, "Ravelin cannot yet add entries to the indexes of a table.");
}

void IndexUpdate::erase(const std::vector<std::uint8_t>&, RowLocation) {
    throw Error(InvalidArgument, "Ravelin cannot yet remove entries from the indexes of a table.");
}

}  // namespace jet
