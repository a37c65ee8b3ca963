#pragma once
// One page of an index B-tree: an intermediate page (type 0x03), whose entries
// each name a child page and hold the last entry of that child, or a leaf page
// (type 0x04), whose entries are the keys and row locations themselves. Leaves
// at one level are chained by next/previous links; an intermediate page may
// name a tail page that follows its last child and has no entry of its own.
//
// Entries are found through a bitmap: bit n set means an entry ends (and the
// next begins) n bytes after the first entry, which starts at a fixed offset.
// Every entry after the first omits the first prefixLength bytes it shares
// with the first entry. An entry is its key bytes, the row location (3-byte
// page number big-endian, 1-byte row number) and, on intermediate pages, the
// child page number (4 bytes big-endian).
#include "jet/DataPage.h"
#include "jet/Pager.h"

#include <cstdint>
#include <span>
#include <vector>

namespace jet {

inline constexpr std::uint8_t kIndexNodePageType = 0x03;
inline constexpr std::uint8_t kIndexLeafPageType = 0x04;

struct IndexEntry {
    std::vector<std::uint8_t> bytes;  // key and row location: the bytes the tree is ordered by
    RowLocation row;
    std::uint32_t child = 0;          // intermediate pages only

    std::span<const std::uint8_t> key() const { return {bytes.data(), bytes.size() - 4}; }
};

class IndexPage {
public:
    // Reads page `number` as a page of the index of the table whose
    // definition is at `tablePage`; damaged() when it is not one or its
    // entries do not fit.
    IndexPage(const Pager& pager, bool jet3, std::uint32_t number, std::uint32_t tablePage);

    std::uint32_t number() const { return number_; }
    bool leaf() const { return leaf_; }
    std::uint32_t previous() const { return previous_; }
    std::uint32_t next() const { return next_; }
    std::uint32_t tail() const { return tail_; }
    const std::vector<IndexEntry>& entries() const { return entries_; }

private:
    std::uint32_t number_;
    bool leaf_ = true;
    std::uint32_t previous_ = 0;
    std::uint32_t next_ = 0;
    std::uint32_t tail_ = 0;
    std::vector<IndexEntry> entries_;
};

}  // namespace jet
