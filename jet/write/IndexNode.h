#pragma once
// One page of an index B-tree held as a list of whole entries, for changing
// it: read from a store, entries added or removed, written back with the
// shared prefix, entry bitmap and free space recomputed. The page layout is
// the one IndexPage reads; only Jet 4 / ACE pages are written.
#include "jet/index/IndexPage.h"
#include "jet/store/PageStore.h"

#include <cstdint>
#include <span>
#include <vector>

namespace jet {

struct IndexNode {
    std::uint32_t page = 0;
    bool leaf = true;
    std::uint8_t level = 0;  // byte 0x1A: 0 on leaves, one more on each level above
    std::uint32_t previous = 0;
    std::uint32_t next = 0;
    std::uint32_t tail = 0;  // intermediate pages: the last child, which has no entry
    std::vector<IndexEntry> entries;  // ascending; bytes are key and row location

    // The children in key order (intermediate pages): each entry's, then the tail.
    std::size_t childCount() const { return entries.size() + (tail != 0 ? 1 : 0); }
    std::uint32_t childAt(std::size_t n) const { return n < entries.size() ? entries[n].child : tail; }
};

// Reads page `number` of the index of the table defined at `tablePage`;
// Error 3343 naming the store's file when it is no index page of that table
// or its entries do not fit.
IndexNode readIndexNode(const PageStore& store, std::uint32_t number, std::uint32_t tablePage);
// The same for the page's bytes, already read.
IndexNode decodeIndexNode(const PageStore& store, std::uint32_t number, std::uint32_t tablePage,
                          std::span<const std::uint8_t> page);

// Bytes the page would take with `entries` (header and bitmap included).
std::size_t indexPageBytes(const FileFormat& format, bool leaf, std::span<const IndexEntry> entries);
// Whether the node fits its page.
bool fitsIndexPage(const FileFormat& format, const IndexNode& node);

// The page holding the node, which must fit. Jet 3 pages are not written.
std::vector<std::uint8_t> encodeIndexNode(const PageStore& store, const IndexNode& node, std::uint32_t tablePage);

}  // namespace jet
