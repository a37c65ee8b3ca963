#include "jet/write/IndexUpdate.h"

#include "jet/Error.h"
#include "jet/write/PageAllocator.h"

#include <algorithm>
#include <string>

namespace jet {
namespace {

// Trees deeper than this are damaged files (a loop through the pages).
constexpr std::size_t kMaxDepth = 24;

// A row location as the index stores it: page big-endian in 3 bytes, then the row.
void appendRow(std::vector<std::uint8_t>& bytes, RowLocation row) {
    bytes.push_back(static_cast<std::uint8_t>(row.page >> 16));
    bytes.push_back(static_cast<std::uint8_t>(row.page >> 8));
    bytes.push_back(static_cast<std::uint8_t>(row.page));
    bytes.push_back(static_cast<std::uint8_t>(row.row));
}

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

IndexEntry makeEntry(std::vector<std::uint8_t> bytes, std::uint32_t child) {
    const std::uint8_t* r = &bytes[bytes.size() - 4];
    IndexEntry e;
    e.row = {static_cast<std::uint32_t>(r[0] << 16 | r[1] << 8 | r[2]), r[3]};
    e.bytes = std::move(bytes);
    e.child = child;
    return e;
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

void IndexUpdate::insert(const std::vector<std::uint8_t>& key, RowLocation row) {
    std::vector<std::uint8_t> bytes = key;
    appendRow(bytes, row);
    std::vector<Step> path = pathTo(bytes);
    IndexNode& leaf = path.back().node;
    const std::size_t at = lowerBound(leaf.entries, bytes);
    if (at < leaf.entries.size() && leaf.entries[at].bytes == bytes)
        throw Error(InvalidArgument, "An index of '" + store_.name() + "' already holds this entry for row " +
                                         std::to_string(row.row) + " of page " + std::to_string(row.page) + ".");
    leaf.entries.insert(leaf.entries.begin() + static_cast<std::ptrdiff_t>(at), makeEntry(std::move(bytes), 0));
    const bool last = at + 1 == leaf.entries.size();
    if (!fitsIndexPage(store_.format(), leaf)) {
        split(path, path.size() - 1, last && leaf.next == 0);
        return;
    }
    write(leaf);
    // A leaf emptied earlier kept its old separator above; it now gets its new last entry.
    if (last)
        updateSeparators(path);
}

void IndexUpdate::erase(const std::vector<std::uint8_t>& key, RowLocation row) {
    std::vector<std::uint8_t> bytes = key;
    appendRow(bytes, row);
    std::vector<Step> path = pathTo(bytes);
    IndexNode& leaf = path.back().node;
    const std::size_t at = lowerBound(leaf.entries, bytes);
    if (at == leaf.entries.size() || leaf.entries[at].bytes != bytes)
        throw Error(NotADatabase, "The database '" + store_.name() + "' is damaged (an index has no entry for row " +
                                      std::to_string(row.row) + " of page " + std::to_string(row.page) + ").");
    leaf.entries.erase(leaf.entries.begin() + static_cast<std::ptrdiff_t>(at));
    write(leaf);
    // An emptied leaf keeps the separator above it: still a bound between its neighbours.
    if (at == leaf.entries.size() && !leaf.entries.empty())
        updateSeparators(path);
}

void IndexUpdate::updateSeparators(std::vector<Step>& path) {
    const std::vector<std::uint8_t> last = path.back().node.entries.back().bytes;
    for (std::size_t level = path.size() - 1; level-- > 0;) {
        IndexNode& parent = path[level].node;
        const std::size_t c = path[level].child;
        if (c == parent.entries.size())
            continue;  // the tail: the parent's own last entry changed with it
        if (parent.entries[c].bytes == last)
            return;
        parent.entries[c] = makeEntry(last, parent.entries[c].child);
        if (fitsIndexPage(store_.format(), parent))
            write(parent);
        else
            split(path, level, false);
        return;
    }
}

namespace {

// Where an overfull node is cut: entries [0, m) go to the new left page.
// After an entry was added at the right end of its level, the old entries
// stay together and the new one starts the right page, so that rising keys
// fill their pages; otherwise the bytes are halved.
std::size_t cutPoint(const IndexNode& node, bool appended) {
    const std::size_t n = node.entries.size();
    // An intermediate left page keeps its last child as its tail, so it needs two entries.
    const std::size_t least = node.leaf ? 1 : 2;
    if (appended)
        return std::max(least, n - 1);
    std::size_t total = 0;
    for (const IndexEntry& e : node.entries)
        total += e.bytes.size();
    std::size_t left = 0, m = 0;
    while (m < n && 2 * (left + node.entries[m].bytes.size()) <= total)
        left += node.entries[m++].bytes.size();
    return std::clamp(m, least, n - 1);
}

// Moves entries [0, m) of `from` to `to` (which is empty); on intermediate
// pages the child of the last moved entry becomes the tail of `to`. Returns
// the separator for `to`: the last entry below it.
std::vector<std::uint8_t> moveLeft(IndexNode& from, IndexNode& to, std::size_t m) {
    const auto cut = from.entries.begin() + static_cast<std::ptrdiff_t>(m);
    to.entries.assign(std::make_move_iterator(from.entries.begin()), std::make_move_iterator(cut));
    from.entries.erase(from.entries.begin(), cut);
    std::vector<std::uint8_t> separator = to.entries.back().bytes;
    if (!to.leaf) {
        to.tail = to.entries.back().child;
        to.entries.pop_back();
    }
    return separator;
}

}  // namespace

void IndexUpdate::split(std::vector<Step>& path, std::size_t level, bool appended) {
    IndexNode& node = path[level].node;
    const std::size_t m = cutPoint(node, appended);
    if (level == 0) {
        splitRoot(node, m);
        return;
    }
    IndexNode left;
    left.page = allocatePage(store_, index_.usageMapPointer);
    left.leaf = node.leaf;
    left.level = node.level;
    std::vector<std::uint8_t> separator = moveLeft(node, left, m);
    // The new page goes before the old one on its level.
    left.previous = node.previous;
    left.next = node.page;
    if (node.previous != 0) {
        IndexNode before = read(node.previous);
        before.next = left.page;
        write(before);
    }
    node.previous = left.page;
    write(left);
    write(node);

    IndexNode& parent = path[level - 1].node;
    const std::size_t at = path[level - 1].child;
    parent.entries.insert(parent.entries.begin() + static_cast<std::ptrdiff_t>(at),
                          makeEntry(std::move(separator), left.page));
    if (fitsIndexPage(store_.format(), parent))
        write(parent);
    else
        split(path, level - 1, at + 1 == parent.entries.size() && parent.next == 0);
}

void IndexUpdate::splitRoot(IndexNode& root, std::size_t m) {
    // The root keeps its page: its entries move to two new pages below it.
    IndexNode left, right;
    left.page = allocatePage(store_, index_.usageMapPointer);
    right.page = allocatePage(store_, index_.usageMapPointer);
    left.leaf = right.leaf = root.leaf;
    left.level = right.level = root.level;
    std::vector<std::uint8_t> separator = moveLeft(root, left, m);
    right.entries = std::move(root.entries);
    right.tail = root.tail;
    left.next = right.page;
    right.previous = left.page;
    write(left);
    write(right);
    root.leaf = false;
    root.level = static_cast<std::uint8_t>(root.level + 1);
    root.previous = root.next = 0;
    root.entries.clear();
    root.entries.push_back(makeEntry(std::move(separator), left.page));
    root.tail = right.page;
    write(root);
}

}  // namespace jet
