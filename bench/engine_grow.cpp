// Jet 4 layout used here (4 KB pages, little-endian):
//   table definition page: type 0x02; rows in the table at 16; at 55 a pointer
//     (page << 8 | row) to the row holding the table's usage map
//   data page: type 0x01; its table's definition page at 4; row count at 12
//     and a 2-byte offset per row from 14 (low 13 bits); rows lie from the end
//     of the page down, each ending where the one before it starts
//   inline usage map row: type byte 0, first page covered (4 bytes), then a
//     bitmap, bit n (low bit first) standing for page first + n
#include "bench/engine_grow.h"

#include <cstring>
#include <stdexcept>

namespace bench {
namespace {

constexpr std::size_t kPageSize = 4096;

std::uint16_t u16(const std::vector<std::uint8_t>& b, std::size_t at) {
    return static_cast<std::uint16_t>(b.at(at) | b.at(at + 1) << 8);
}

std::uint32_t u32(const std::vector<std::uint8_t>& b, std::size_t at) {
    return static_cast<std::uint32_t>(u16(b, at)) | static_cast<std::uint32_t>(u16(b, at + 2)) << 16;
}

void put32(std::vector<std::uint8_t>& b, std::size_t at, std::uint32_t v) {
    for (int i = 0; i < 4; ++i)
        b.at(at + i) = static_cast<std::uint8_t>(v >> (8 * i));
}

[[noreturn]] void unexpected(const std::string& what) {
    throw std::runtime_error("cannot grow the table: " + what);
}

}  // namespace

GrownTable growTable(const std::vector<std::uint8_t>& file, std::uint32_t tdefPage, std::uint32_t copies) {
    if (file.size() < kPageSize || file[0x14] == 0)
        unexpected("not a Jet 4 or ACE file");
    GrownTable out{file, 0, 0};
    auto& b = out.bytes;
    const std::size_t tdef = tdefPage * kPageSize;
    if (tdef + kPageSize > b.size() || b[tdef] != 0x02)
        unexpected("no table definition on page " + std::to_string(tdefPage));
    const std::uint32_t rows = u32(b, tdef + 16);
    const std::uint32_t mapPointer = u32(b, tdef + 55);

    // The usage map row.
    const std::size_t mapPage = (mapPointer >> 8) * kPageSize;
    const std::uint32_t mapRow = mapPointer & 0xFF;
    if (mapPage + kPageSize > b.size() || b[mapPage] != 0x01 || mapRow >= u16(b, mapPage + 12))
        unexpected("the usage map pointer leads nowhere");
    const std::size_t rowStart = u16(b, mapPage + 14 + 2 * mapRow) & 0x1FFF;
    const std::size_t rowEnd = mapRow == 0 ? kPageSize : u16(b, mapPage + 14 + 2 * (mapRow - 1)) & 0x1FFF;
    if (rowEnd <= rowStart + 5 || rowEnd > kPageSize)
        unexpected("the usage map row is malformed");
    const std::size_t map = mapPage + rowStart;
    if (b[map] != 0)
        unexpected("the usage map is not an inline map");
    const std::uint32_t first = u32(b, map + 1);
    const std::size_t bitmap = map + 5;
    const std::uint32_t reach = first + static_cast<std::uint32_t>(8 * (rowEnd - rowStart - 5));

    std::vector<std::uint32_t> dataPages;
    for (std::uint32_t p = first; p < reach; ++p) {
        if (!(b[bitmap + (p - first) / 8] & (1u << ((p - first) % 8))))
            continue;
        const std::size_t at = p * kPageSize;
        if (at + kPageSize > b.size() || b[at] != 0x01 || u32(b, at + 4) != tdefPage)
            unexpected("page " + std::to_string(p) + " in the usage map is not a data page of the table");
        dataPages.push_back(p);
    }
    if (dataPages.empty())
        unexpected("the table has no data pages");

    const auto pageCount = static_cast<std::uint32_t>(b.size() / kPageSize);
    const std::uint32_t room = reach > pageCount ? (reach - pageCount) / static_cast<std::uint32_t>(dataPages.size()) : 0;
    if (copies > room)
        copies = room;
    b.resize(pageCount * kPageSize);  // drop a partial last page, if any
    for (std::uint32_t c = 0; c < copies; ++c) {
        for (const std::uint32_t p : dataPages) {
            const auto added = static_cast<std::uint32_t>(b.size() / kPageSize);
            b.insert(b.end(), file.begin() + static_cast<std::ptrdiff_t>(p * kPageSize),
                     file.begin() + static_cast<std::ptrdiff_t>((p + 1) * kPageSize));
            b[bitmap + (added - first) / 8] |= static_cast<std::uint8_t>(1u << ((added - first) % 8));
        }
    }
    out.dataPages = static_cast<std::uint32_t>(dataPages.size()) * (copies + 1);
    out.rows = rows * (copies + 1);
    put32(b, tdef + 16, out.rows);
    return out;
}

}  // namespace bench
