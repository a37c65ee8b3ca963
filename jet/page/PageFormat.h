#pragma once
// Where Jet keeps things inside its pages: the page types, the layout of a
// data page and its row offset table, of an index page, the two kinds of usage map and the
// file's global usage map, and the General sort order. Readers, writers,
// the creator and the checker all take these facts from here; Coding.h says
// how the numbers themselves are laid out in bytes.
#include "jet/page/Coding.h"

#include <cstddef>
#include <cstdint>

namespace jet {

// The type of a page: its first byte.
inline constexpr std::uint8_t kDataPageType = 0x01;  // rows, and long values
inline constexpr std::uint8_t kTableDefPageType = 0x02;
inline constexpr std::uint8_t kIndexNodePageType = 0x03;
inline constexpr std::uint8_t kIndexLeafPageType = 0x04;
inline constexpr std::uint8_t kUsageMapPageType = 0x05;

// A data page (or long-value page): the type, free space at 2, the owner at
// 4 (a table's definition page, or kLongValueOwner), then the row count and
// the row offset table after it. Jet 3's header is 4 bytes shorter.
inline constexpr std::size_t kDataFreeSpaceAt = 2;
inline constexpr std::size_t kDataOwnerAt = 4;
inline constexpr std::size_t dataRowCountAt(bool jet3) { return jet3 ? 8 : 12; }
inline constexpr std::size_t dataRowOffsetsAt(bool jet3) { return dataRowCountAt(jet3) + 2; }
// The owner of pages that hold only long values: "LVAL".
inline constexpr std::uint32_t kLongValueOwner = 0x4C41564Cu;

// A row offset: the row's start in its page under kRowOffsetMask, flags above.
// Rows run from their offset to the start of the row before them (or the
// page's end), so offsets fall from the page's end towards the table.
inline constexpr std::uint16_t kRowDeleted = 0x8000;
inline constexpr std::uint16_t kRowMoved = 0x4000;  // the row holds a pointer to its overflow place
inline constexpr std::uint16_t kRowOffsetMask = 0x1FFF;
// The most rows a page may hold: a row pointer keeps the row number in one byte.
inline constexpr std::size_t kMaxRowsPerPage = 255;

// An index page (node or leaf): the type, free space at 2, the owning
// table's definition page at 4, then, at offsets that differ between Jet 3
// and Jet 4, the previous, next and tail pages, the length of the prefix its
// entries share, the page's level (Jet 4; 0: no such field), a bitmap
// marking where each entry ends, and the entries.
struct IndexPageLayout {
    std::size_t previous, next, tail, prefixLength, level, bitmap, firstEntry;
};
inline constexpr IndexPageLayout kJet3IndexPage{8, 12, 16, 20, 0, 0x16, 0xF8};
inline constexpr IndexPageLayout kJet4IndexPage{12, 16, 20, 24, 0x1A, 0x1B, 0x1E0};
inline constexpr const IndexPageLayout& indexPageLayout(bool jet3) { return jet3 ? kJet3IndexPage : kJet4IndexPage; }

// A usage map is a row whose first byte is its kind. An inline map holds
// the first page it describes at 1 and one bit per page from 5; a reference
// map holds 4-byte numbers of map pages from 1, each map page one bit per
// page from its byte 4 for a range of pagesPerMapPage() pages.
inline constexpr std::uint8_t kInlineUsageMap = 0x00;
inline constexpr std::uint8_t kReferenceUsageMap = 0x01;
inline constexpr std::size_t kInlineMapStartAt = 1;
inline constexpr std::size_t kInlineMapBitsAt = 5;
inline constexpr std::size_t kMapPageBitsAt = 4;
inline constexpr std::uint32_t pagesPerMapPage(std::size_t pageSize) {
    return static_cast<std::uint32_t>((pageSize - kMapPageBitsAt) * 8);
}

// Jet 4 and later keep a global usage map in row 0 of page 1: its set bits
// are the pages free for reuse. The header page and page 1 are never free.
inline constexpr RowLocation kGlobalUsageMap{1, 0};
inline constexpr std::uint32_t kFirstFreeablePage = 2;

// The General sort order of text (locale 1033), in the header page and in
// every text column.
inline constexpr std::uint16_t kGeneralSortOrder = 0x0409;

}  // namespace jet
