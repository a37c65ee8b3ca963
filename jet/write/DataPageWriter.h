#pragma once
// A data page (or long-value page) taken apart into its rows so that rows can
// be added, replaced and marked deleted, then laid out again as Access lays
// them: row 0 at the end of the page, each later row below the one before,
// the row offset table after the 14-byte header, the free space in the header.
// Row numbers never change, so row pointers (index entries, overflow
// pointers) stay valid; the bytes of a deleted row are dropped, as Access
// drops them.
#include "jet/page/PageFormat.h"

#include <cstdint>
#include <optional>
#include <span>
#include <vector>

namespace jet {

// The largest row the writer puts on a page of `pageSize` bytes: the page
// less its header, the row's offset entry and 20 bytes kept in reserve.
inline constexpr std::size_t maxRowSize(std::size_t pageSize) { return pageSize - dataRowOffsetsAt(false) - 2 - 20; }

struct RowImage {
    std::uint16_t flags = 0;  // kRowDeleted, kRowMoved
    std::vector<std::uint8_t> bytes;
};

class DataPageWriter {
public:
    // A new, empty page owned by `owner` (a table definition page, or the
    // long-value mark "LVAL").
    DataPageWriter(std::size_t pageSize, std::uint32_t owner);
    // The rows of an existing Jet 4 data page; nothing when the page's offsets
    // make no sense (the caller reports the damage).
    static std::optional<DataPageWriter> parse(std::span<const std::uint8_t> page);

    std::uint32_t owner() const;
    std::size_t rowCount() const { return rows_.size(); }
    const RowImage& row(std::size_t n) const { return rows_.at(n); }

    // Bytes left for row data and offset entries.
    std::size_t freeSpace() const;
    // Whether a new row of `size` bytes fits.
    bool canAdd(std::size_t size) const;
    // Adds a row and returns its number; canAdd() must hold.
    std::uint16_t add(std::vector<std::uint8_t> bytes, std::uint16_t flags = 0);
    // Whether row `n` may be replaced by `size` bytes.
    bool canReplace(std::size_t n, std::size_t size) const;
    void replace(std::size_t n, std::vector<std::uint8_t> bytes, std::uint16_t flags);
    // Marks row `n` deleted (both flags, as Access marks them) and drops its bytes.
    void markDeleted(std::size_t n);
    // Whether every row is deleted and gone: nothing on the page is needed
    // (a moved row's bytes, flagged deleted, still are).
    bool holdsNothing() const;

    // The page laid out.
    std::vector<std::uint8_t> bytes() const;

private:
    std::size_t used() const;

    std::vector<std::uint8_t> header_;  // the first 12 bytes as found
    std::size_t pageSize_;
    std::vector<RowImage> rows_;
};

}  // namespace jet
