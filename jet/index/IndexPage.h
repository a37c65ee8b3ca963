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
#include "jet/table/DataPage.h"
#include "jet/page/Pager.h"

#include <cstdint>
#include <span>
#include <vector>

namespace jet {

struct IndexEntry {
    std::vector<std::uint8_t> bytes;  // key and row location: the bytes the tree is ordered by
    RowLocation row;
    std::uint32_t child = 0;          // intermediate pages only

    std::span<const std::uint8_t> key() const { return {bytes.data(), bytes.size() - 4}; }
};

// The entries are located when the page is read and their bytes are looked at
// in place, so that a lookup costs no copying of the entries it passes over.
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

    std::size_t size() const { return ends_.size(); }
    // <0, 0 or >0 as entry `n` (key and row location) sorts below `prefix`,
    // begins with it, or sorts above it.
    int compare(std::size_t n, std::span<const std::uint8_t> prefix) const;
    // The first entry that does not sort below `prefix` (size() when none);
    // entries are in ascending order on a sound page.
    std::size_t lowerBound(std::span<const std::uint8_t> prefix) const;
    std::size_t keySize(std::size_t n) const;  // the key bytes of entry `n`, without its row location
    RowLocation row(std::size_t n) const;
    std::uint32_t child(std::size_t n) const;  // intermediate pages only
    IndexEntry entry(std::size_t n) const;

private:
    // Byte `i` of entry `n` with its shared prefix restored.
    std::uint8_t at(std::size_t n, std::size_t i) const;
    std::size_t begin(std::size_t n) const { return n == 0 ? 0 : ends_[n - 1]; }
    std::size_t length(std::size_t n) const;  // key and row location, prefix included

    PageRef page_;
    std::uint32_t number_;
    bool leaf_ = true;
    std::uint32_t previous_ = 0;
    std::uint32_t next_ = 0;
    std::uint32_t tail_ = 0;
    std::size_t firstEntry_ = 0;
    std::size_t prefixLength_ = 0;
    std::vector<std::uint16_t> ends_;  // end of each stored entry, from the first entry's start
};

}  // namespace jet
