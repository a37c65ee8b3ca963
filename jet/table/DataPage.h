#pragma once
// Data pages (and long-value pages, which share their layout): a header with
// the owning table's definition page, a row count and a table of row offsets.
// Rows run from their offset to the start of the row before them (or the end of
// the page); the top bits of an offset mark deleted rows and rows that were
// moved to another page (the slot then holds a pointer to the row's new place).
#include "jet/page/PageFormat.h"
#include "jet/page/Pager.h"

#include <cstdint>
#include <span>

namespace jet {

struct RowSlot {
    std::span<const std::uint8_t> bytes;
    bool deleted = false;
    bool moved = false;  // holds a pointer to the row's overflow location
};

class DataPageView {
public:
    // Checks the header; `jet3` selects the 2 KB page layout.
    DataPageView(const PageRef& page, const Pager& pager, bool jet3);

    std::uint32_t owner() const { return owner_; }  // table definition page (or "LVAL")
    std::uint16_t rowCount() const { return rowCount_; }
    // Row `n` (< rowCount); damaged() when its offsets make no sense and it is
    // not deleted.
    RowSlot row(std::uint16_t n) const;

private:
    std::uint16_t rawOffset(std::uint16_t n) const;

    PageRef page_;
    const Pager* pager_;
    std::size_t tableStart_;
    std::uint32_t owner_;
    std::uint16_t rowCount_;
};

bool isDataPage(const Page& page);

// The bytes of the row at `at`, whatever page type holds it (usage maps and
// long values are found this way); follows no overflow pointer. `keep` holds
// the page so that the bytes stay valid.
std::span<const std::uint8_t> rowAt(const Pager& pager, bool jet3, RowLocation at, PageRef& keep);

}  // namespace jet
