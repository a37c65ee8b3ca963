#include "jet/write/IndexUpdate.h"

#include "jet/Error.h"
#include "jet/table/TableCursor.h"
#include "jet/write/PageAllocator.h"
#include "jet/write/StoreSource.h"

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

IndexEntry makeEntry(std::vector<std::uint8_t> bytes, std::uint32_t child) {
    IndexEntry e;
    e.row = readIndexRow(&bytes[bytes.size() - 4]);
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
      index_(table.realIndexes.at(realIndex)) {
    for (const IndexColumn& ic : index_.columns) {
        const auto c = std::find_if(table.columns.begin(), table.columns.end(),
                                    [&](const ColumnDef& d) { return d.number == ic.columnNumber; });
        if (c == table.columns.end())
            throw databaseDamaged(store.name(), "an index of the table at page " + std::to_string(table.page) +
                                                    " names column " + std::to_string(ic.columnNumber) +
                                                    ", which it does not have");
        columns_.push_back({&*c, ic.ascending});
    }
}

std::vector<std::uint8_t> IndexUpdate::keyWith(const std::vector<Value>& row, Expansions expansions) const {
    const KeyEncoder encoder(store_.format().version, expansions);
    std::vector<std::uint8_t> k;
    for (const KeyColumn& kc : columns_) {
        const auto position = static_cast<std::size_t>(kc.column - table_.columns.data());
        if (position >= row.size())
            throw Error(InvalidArgument, "The row has no value for the column '" + kc.column->name + "'.");
        std::string why;
        if (!encoder.append(k, kc, row[position], why))
            throw Error(InvalidArgument, "The value cannot be stored in an index of '" + store_.name() +
                                             "': " + why + ".");
    }
    return k;
}

std::vector<std::uint8_t> IndexUpdate::key(const std::vector<Value>& row) const {
    std::vector<std::uint8_t> k = keyWith(row, Expansions::OnePosition);
    if (std::vector<std::uint8_t> perLetter = keyWith(row, Expansions::PerLetter); perLetter != k) {
        if (expansions() == Expansions::PerLetter)
            std::swap(k, perLetter);
        otherForms_[k] = std::move(perLetter);
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
    std::vector<Value> keyValues;
    for (const KeyColumn& kc : columns_) {
        const auto position = static_cast<std::size_t>(kc.column - table_.columns.data());
        keyValues.push_back(position < row.size() ? row[position] : Value());
    }
    return !leftOutOf(index_, keyValues);
}

const std::vector<std::uint8_t>* IndexUpdate::otherForm(const std::vector<std::uint8_t>& key) const {
    const auto it = otherForms_.find(key);
    return it == otherForms_.end() ? nullptr : &it->second;
}

Expansions IndexUpdate::expansions() const {
    if (!expansions_)
        expansions_ = expansionsShown();
    return *expansions_;
}

Expansions IndexUpdate::expansionsShown() const {
    // The first row whose key depends on the count tells, by the entry the index holds for it.
    TableCursor cursor(openStoreDatabase(store_), std::make_shared<const TableDef>(table_));
    for (bool more = cursor.moveFirst(); more; more = cursor.moveNext()) {
        const std::vector<Value>& row = cursor.values();
        if (!holds(row))
            continue;
        const std::vector<std::uint8_t> one = keyWith(row, Expansions::OnePosition);
        const std::vector<std::uint8_t> perLetter = keyWith(row, Expansions::PerLetter);
        if (one == perLetter)
            continue;
        if (placeOf(perLetter, cursor.location()).found())
            return Expansions::PerLetter;
        if (placeOf(one, cursor.location()).found())
            return Expansions::OnePosition;
    }
    return Expansions::OnePosition;
}

IndexNode& IndexUpdate::node(std::uint32_t page) const {
    std::vector<std::uint8_t> bytes = store_.read(page);
    if (auto it = cache_.find(page); it != cache_.end() && it->second.bytes == bytes)
        return it->second.node;
    IndexNode parsed = decodeIndexNode(store_, page, table_.page, bytes);
    Cached& slot = cache_[page];
    slot.bytes = std::move(bytes);
    slot.node = std::move(parsed);
    return slot.node;
}

IndexNode& IndexUpdate::fresh(bool leaf, std::uint8_t level) {
    const std::uint32_t page = allocatePage(store_, index_.usageMapPointer);
    Cached& slot = cache_[page];
    slot.bytes.clear();
    slot.node = IndexNode{};
    slot.node.page = page;
    slot.node.leaf = leaf;
    slot.node.level = level;
    return slot.node;
}

void IndexUpdate::write(IndexNode& n) {
    std::vector<std::uint8_t> bytes = encodeIndexNode(store_, n, table_.page);
    store_.write(n.page, bytes);
    cache_.at(n.page).bytes = std::move(bytes);
}

void IndexUpdate::keepCacheSmall() const {
    // Parsed pages stay for later changes; when there are many, half go.
    constexpr std::size_t kKeptPages = 1024;
    if (cache_.size() <= kKeptPages)
        return;
    for (auto it = cache_.begin(); it != cache_.end() && cache_.size() > kKeptPages / 2;)
        it = cache_.erase(it);
}

template <typename Change>
void IndexUpdate::change(Change&& body) {
    keepCacheSmall();
    if (store_.format().version == Version::Jet3)
        throw Error(InvalidArgument, "Ravelin does not write the indexes of Jet 3 databases ('" + store_.name() + "').");
    try {
        body();
    } catch (...) {
        cache_.clear();  // pages changed here but not written
        throw;
    }
}

std::vector<IndexUpdate::Step> IndexUpdate::pathTo(const std::vector<std::uint8_t>& entry) const {
    std::vector<Step> path;
    std::uint32_t page = index_.firstPage;
    for (;;) {
        for (const Step& s : path)
            if (s.node->page == page)
                throw databaseDamaged(store_.name(), "an index leads back to page " + std::to_string(page));
        if (path.size() >= kMaxDepth)
            throw databaseDamaged(store_.name(), "an index is too deep");
        IndexNode& n = node(page);
        if (n.leaf) {
            path.push_back({&n, 0});
            return path;
        }
        if (n.childCount() == 0)
            throw databaseDamaged(store_.name(), "index page " + std::to_string(page) + " has no children");
        // Each entry holds the last entry below its child; what sorts above
        // them all is under the tail.
        const std::size_t child = std::min(lowerBound(n.entries, entry), n.childCount() - 1);
        path.push_back({&n, child});
        page = n.childAt(child);
    }
}

bool IndexUpdate::contains(const std::vector<std::uint8_t>& key) const {
    keepCacheSmall();
    const auto* other = otherForm(key);
    return holdsKey(key) || (other && holdsKey(*other));
}

bool IndexUpdate::holdsKey(const std::vector<std::uint8_t>& key) const {
    const std::vector<Step> path = pathTo(key);
    const IndexNode* leaf = path.back().node;
    std::size_t n = lowerBound(leaf->entries, key);
    // Entries with this key follow one another from the first entry not
    // below it, maybe on later leaves (emptied leaves are passed by).
    for (std::size_t hops = 0;;) {
        for (; n < leaf->entries.size(); ++n) {
            const auto& bytes = leaf->entries[n].bytes;
            if (!startsWith(bytes, key))
                return false;
            if (bytes.size() == key.size() + 4)
                return true;
        }
        if (leaf->next == 0 || ++hops > store_.pageCount())
            return false;
        leaf = &node(leaf->next);
        n = 0;
    }
}

IndexUpdate::LeafPlace IndexUpdate::placeOf(const std::vector<std::uint8_t>& key, RowLocation row) const {
    std::vector<std::uint8_t> entry = key;
    appendIndexRow(entry, row);
    std::vector<Step> path = pathTo(entry);
    const std::size_t at = lowerBound(path.back().node->entries, entry);
    return {std::move(entry), std::move(path), at};
}

bool IndexUpdate::LeafPlace::found() const {
    const auto& entries = path.back().node->entries;
    return at < entries.size() && entries[at].bytes == entry;
}

void IndexUpdate::insert(const std::vector<std::uint8_t>& key, RowLocation row) {
    change([&] {
        auto [bytes, path, at] = placeOf(key, row);
        IndexNode& leaf = *path.back().node;
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
        // A new greatest entry of a last child is the greatest of its parent too.
        if (last)
            updateGreatest(path, path.size() - 1, leaf.entries.back().bytes, true);
    });
}

void IndexUpdate::erase(const std::vector<std::uint8_t>& key, RowLocation row) {
    change([&] {
        LeafPlace place = placeOf(key, row);
        if (const auto* other = otherForm(key); !place.found() && other)
            place = placeOf(*other, row);  // Access wrote it counting expansion letters the other way
        std::vector<Step>& path = place.path;
        const std::size_t at = place.at;
        IndexNode& leaf = *path.back().node;
        if (!place.found())
            throw databaseDamaged(store_.name(), "an index has no entry for row " + std::to_string(row.row) +
                                                     " of page " + std::to_string(row.page));
        leaf.entries.erase(leaf.entries.begin() + static_cast<std::ptrdiff_t>(at));
        if (leaf.entries.empty() && path.size() > 1) {
            remove(path, path.size() - 1);
            return;
        }
        write(leaf);
        if (at == leaf.entries.size() && !leaf.entries.empty())
            updateGreatest(path, path.size() - 1, leaf.entries.back().bytes, false);
    });
}

std::vector<std::uint8_t> IndexUpdate::greatestBelow(std::uint32_t page) const {
    for (std::size_t depth = 0; depth < kMaxDepth; ++depth) {
        const IndexNode& n = node(page);
        if (n.tail == 0 || n.leaf) {
            if (n.entries.empty())
                break;
            return n.entries.back().bytes;
        }
        page = n.tail;
    }
    throw databaseDamaged(store_.name(), "index page " + std::to_string(page) + " ends a branch without entries");
}

void IndexUpdate::settleTail(IndexNode& n) const {
    // Two children or more: the last one is the tail and has no entry. A
    // single child has an entry and there is no tail.
    if (n.tail == 0 && n.entries.size() >= 2) {
        n.tail = n.entries.back().child;
        n.entries.pop_back();
    } else if (n.tail != 0 && n.entries.empty()) {
        n.entries.push_back(makeEntry(greatestBelow(n.tail), n.tail));
        n.tail = 0;
    }
}

void IndexUpdate::updateGreatest(std::vector<Step>& path, std::size_t level, const std::vector<std::uint8_t>& greatest,
                                 bool grown) {
    for (std::size_t l = level; l-- > 0;) {
        IndexNode& parent = *path[l].node;
        const std::size_t c = path[l].child;
        const bool lastChild = c + 1 == parent.childCount();
        if (c < parent.entries.size()) {
            const auto& held = parent.entries[c].bytes;
            if (held == greatest || (grown && !lessBytes(held, greatest)))
                return;
            parent.entries[c] = makeEntry(greatest, parent.entries[c].child);
            if (!fitsIndexPage(store_.format(), parent)) {
                split(path, l, false);
                return;
            }
            write(parent);
        }
        if (!lastChild)
            return;
    }
}

void IndexUpdate::remove(std::vector<Step>& path, std::size_t level) {
    IndexNode& gone = *path[level].node;
    // Its neighbours on its level close the gap.
    if (gone.previous != 0) {
        IndexNode& before = node(gone.previous);
        before.next = gone.next;
        write(before);
    }
    if (gone.next != 0) {
        IndexNode& after = node(gone.next);
        after.previous = gone.previous;
        write(after);
    }
    // The page goes back to the file.
    const std::uint32_t emptied = gone.page;
    cache_.erase(emptied);
    releasePage(store_, {index_.usageMapPointer}, emptied);

    IndexNode& parent = *path[level - 1].node;
    const std::size_t c = path[level - 1].child;
    const bool lastChild = c + 1 == parent.childCount();
    if (c < parent.entries.size())
        parent.entries.erase(parent.entries.begin() + static_cast<std::ptrdiff_t>(c));
    else
        parent.tail = 0;
    if (parent.childCount() == 0) {
        if (level - 1 > 0) {
            remove(path, level - 1);
            return;
        }
        parent = IndexNode{parent.page, true, 0, 0, 0, 0, {}};  // the root, a leaf again
        write(parent);
        return;
    }
    settleTail(parent);
    write(parent);
    if (lastChild)
        updateGreatest(path, level - 1, parent.tail != 0 ? greatestBelow(parent.tail) : parent.entries.back().bytes,
                       false);
}

namespace {

// Whether the pages cut from `node` at `m` both fit: the left one holds
// entries [0, m), less the last on intermediate pages (it becomes the tail).
bool cutFits(const FileFormat& format, const IndexNode& node, std::size_t m) {
    const std::span<const IndexEntry> all(node.entries);
    const std::size_t leftEntries = node.leaf ? m : m - 1;
    return indexPageBytes(format, node.leaf, all.first(leftEntries)) <= format.pageSize &&
           indexPageBytes(format, node.leaf, all.subspan(m)) <= format.pageSize;
}

// Where an overfull node is cut: entries [0, m) go to the new left page.
// After an entry was added at the right end of its level, the old entries
// stay together and the new one starts the right page, so that rising keys
// fill their pages; otherwise the bytes are halved. Shared prefixes make the
// halves' sizes differ from their bytes, so the cut moves until both fit.
std::size_t cutPoint(const FileFormat& format, const IndexNode& node, bool appended, const std::string& file) {
    const std::size_t n = node.entries.size();
    // An intermediate left page keeps its last child as its tail, so it needs two entries.
    const std::size_t least = node.leaf ? 1 : 2;
    std::size_t m = n - 1;
    if (!appended) {
        std::size_t total = 0;
        for (const IndexEntry& e : node.entries)
            total += e.bytes.size();
        std::size_t left = 0;
        m = 0;
        while (m < n && 2 * (left + node.entries[m].bytes.size()) <= total)
            left += node.entries[m++].bytes.size();
    }
    m = std::clamp(m, least, n - 1);
    for (std::size_t step = 0; step < n; ++step) {
        for (const std::size_t at : {m + step, m - step})
            if (at >= least && at <= n - 1 && cutFits(format, node, at))
                return at;
    }
    throw Error(InvalidArgument, "An index page of '" + file + "' cannot be split so that both halves fit.");
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
    IndexNode& full = *path[level].node;
    const std::size_t m = cutPoint(store_.format(), full, appended, store_.name());
    if (level == 0) {
        splitRoot(full, m);
        return;
    }
    IndexNode& left = fresh(full.leaf, full.level);
    std::vector<std::uint8_t> separator = moveLeft(full, left, m);
    if (!full.leaf)
        separate(left.tail, full.childAt(0));
    // The new page goes before the old one on its level.
    left.previous = full.previous;
    left.next = full.page;
    if (full.previous != 0) {
        IndexNode& before = node(full.previous);
        before.next = left.page;
        write(before);
    }
    full.previous = left.page;
    write(left);
    write(full);

    IndexNode& parent = *path[level - 1].node;
    const std::size_t at = path[level - 1].child;
    parent.entries.insert(parent.entries.begin() + static_cast<std::ptrdiff_t>(at),
                          makeEntry(std::move(separator), left.page));
    path[level - 1].child = at + 1;  // where the split page is now
    settleTail(parent);
    if (fitsIndexPage(store_.format(), parent))
        write(parent);
    else
        split(path, level - 1, at + 1 == parent.entries.size() && parent.next == 0);
}

void IndexUpdate::separate(std::uint32_t last, std::uint32_t first) {
    // Leaves are linked from the first to the last; intermediate pages only
    // to those under the same parent.
    IndexNode& a = node(last);
    if (a.leaf)
        return;
    a.next = 0;
    write(a);
    IndexNode& b = node(first);
    b.previous = 0;
    write(b);
}

void IndexUpdate::splitRoot(IndexNode& root, std::size_t m) {
    // The root keeps its page: its entries move to two new pages below it.
    IndexNode& left = fresh(root.leaf, root.level);
    IndexNode& right = fresh(root.leaf, root.level);
    std::vector<std::uint8_t> separator = moveLeft(root, left, m);
    right.entries = std::move(root.entries);
    right.tail = root.tail;
    if (!root.leaf)
        separate(left.tail, right.childAt(0));
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
