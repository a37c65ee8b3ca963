#include "jet/write/UsageMapWriter.h"

#include "jet/Error.h"
#include "jet/page/PageFormat.h"
#include "jet/table/DataPage.h"
#include "jet/table/UsageMap.h"
#include "jet/write/DataPageWriter.h"
#include "jet/write/PageAllocator.h"

#include <algorithm>
#include <string>

namespace jet {
namespace {

[[noreturn]] void damaged(const PageStore& store, std::uint32_t pointer, const std::string& what) {
    throw databaseDamaged(store.name(), "the usage map at page " + std::to_string(rowPointer(pointer).page) + " " + what);
}

// The map's row and the page holding it, taken apart.
struct MapRow {
    std::uint32_t pointer;
    RowLocation at;
    DataPageWriter page;
    std::vector<std::uint8_t> bytes;
};

MapRow loadMapRow(PageStore& store, std::uint32_t pointer) {
    const RowLocation at = rowPointer(pointer);
    if (at.page >= store.pageCount())
        damaged(store, pointer, "lies beyond the end of the file");
    auto page = DataPageWriter::parse(store.read(at.page));
    if (!page || at.row >= page->rowCount() || page->row(at.row).bytes.empty())
        damaged(store, pointer, "cannot be found");
    std::vector<std::uint8_t> bytes = page->row(at.row).bytes;
    return {pointer, at, std::move(*page), std::move(bytes)};
}

void saveMapRow(PageStore& store, MapRow& map) {
    const std::uint16_t flags = map.page.row(map.at.row).flags;
    map.page.replace(map.at.row, map.bytes, flags);
    store.write(map.at.page, map.page.bytes());
}

bool bit(const std::uint8_t* bits, std::uint32_t n) { return (bits[n / 8] >> (n % 8)) & 1; }
void setBit(std::uint8_t* bits, std::uint32_t n) { bits[n / 8] = static_cast<std::uint8_t>(bits[n / 8] | (1u << (n % 8))); }
void clearBit(std::uint8_t* bits, std::uint32_t n) {
    bits[n / 8] = static_cast<std::uint8_t>(bits[n / 8] & ~(1u << (n % 8)));
}

void addToReferenceMap(PageStore& store, MapRow& map, std::uint32_t page) {
    const std::uint32_t per = pagesPerMapPage(store.pageSize());
    const std::size_t slot = page / per;
    const std::size_t at = 1 + 4 * slot;
    if (at + 4 > map.bytes.size())
        throw Error(InvalidArgument, "The database '" + store.name() + "' cannot grow past page " +
                                         std::to_string(page) + " in its usage map.");
    std::uint32_t mapPage = mapPageAt(&map.bytes[at]);
    std::vector<std::uint8_t> bits;
    if (mapPage == 0) {
        mapPage = newPage(store);
        bits.assign(store.pageSize(), 0);
        bits[0] = kUsageMapPageType;
        bits[1] = 0x01;
        writeU32(&map.bytes[at], mapPage);
        saveMapRow(store, map);
    } else {
        if (mapPage >= store.pageCount())
            damaged(store, map.pointer, "names page " + std::to_string(mapPage) + " beyond the file");
        bits = store.read(mapPage);
        if (bits[0] != kUsageMapPageType)
            damaged(store, map.pointer, "names page " + std::to_string(mapPage) + ", which is no map page");
    }
    setBit(bits.data() + kMapPageBitsAt, page - static_cast<std::uint32_t>(slot) * per);
    store.write(mapPage, bits);
}

// Turns an inline map into one referring to map pages, keeping its pages.
void promote(PageStore& store, MapRow& map, const std::vector<std::uint32_t>& pages) {
    std::fill(map.bytes.begin(), map.bytes.end(), 0);
    map.bytes[0] = kReferenceUsageMap;
    saveMapRow(store, map);
    for (const std::uint32_t p : pages)
        addToReferenceMap(store, map, p);
}

void addToInlineMap(PageStore& store, MapRow& map, std::uint32_t page) {
    if (map.bytes.size() <= kInlineMapBitsAt)
        damaged(store, map.pointer, "is cut short");
    const std::uint32_t start = readU32(&map.bytes[kInlineMapStartAt]);
    const auto capacity = static_cast<std::uint32_t>((map.bytes.size() - kInlineMapBitsAt) * 8);
    std::uint8_t* bits = map.bytes.data() + kInlineMapBitsAt;
    if (page >= start && page - start < capacity) {
        setBit(bits, page - start);
        saveMapRow(store, map);
        return;
    }
    std::vector<std::uint32_t> pages{page};
    for (std::uint32_t n = 0; n < capacity; ++n)
        if (bit(bits, n))
            pages.push_back(start + n);
    const auto [low, high] = std::minmax_element(pages.begin(), pages.end());
    std::uint32_t newStart = *low - *low % 8;
    if (*high - newStart >= capacity)
        newStart = *low;
    if (*high - newStart >= capacity) {
        promote(store, map, pages);
        return;
    }
    std::fill(map.bytes.begin() + kInlineMapBitsAt, map.bytes.end(), 0);
    writeU32(&map.bytes[kInlineMapStartAt], newStart);
    for (const std::uint32_t p : pages)
        setBit(bits, p - newStart);
    saveMapRow(store, map);
}

}  // namespace

void addToUsageMap(PageStore& store, std::uint32_t pointer, std::uint32_t page) {
    MapRow map = loadMapRow(store, pointer);
    switch (map.bytes[0]) {
    case kInlineUsageMap: addToInlineMap(store, map, page); return;
    case kReferenceUsageMap: addToReferenceMap(store, map, page); return;
    default: damaged(store, pointer, "is of unknown kind " + std::to_string(map.bytes[0]));
    }
}

void removeFromUsageMap(PageStore& store, std::uint32_t pointer, std::uint32_t page) {
    MapRow map = loadMapRow(store, pointer);
    if (map.bytes[0] == kInlineUsageMap) {
        if (map.bytes.size() <= kInlineMapBitsAt)
            return;
        const std::uint32_t start = readU32(&map.bytes[kInlineMapStartAt]);
        const auto capacity = static_cast<std::uint32_t>((map.bytes.size() - kInlineMapBitsAt) * 8);
        if (page < start || page - start >= capacity || !bit(map.bytes.data() + kInlineMapBitsAt, page - start))
            return;
        clearBit(map.bytes.data() + kInlineMapBitsAt, page - start);
        saveMapRow(store, map);
        return;
    }
    if (map.bytes[0] != kReferenceUsageMap)
        return;
    const std::uint32_t per = pagesPerMapPage(store.pageSize());
    const std::size_t at = 1 + 4 * (page / per);
    if (at + 4 > map.bytes.size())
        return;
    const std::uint32_t mapPage = mapPageAt(&map.bytes[at]);
    if (mapPage == 0 || mapPage >= store.pageCount())
        return;
    auto bits = store.read(mapPage);
    const std::uint32_t n = page % per;
    if (bits[0] != kUsageMapPageType || !bit(bits.data() + kMapPageBitsAt, n))
        return;
    clearBit(bits.data() + kMapPageBitsAt, n);
    store.write(mapPage, bits);
}

void forEachStretch(PageStore& store, std::uint32_t pointer, const MapStretch& visit) {
    const MapRow map = loadMapRow(store, pointer);
    if (map.bytes[0] == kInlineUsageMap) {
        if (map.bytes.size() <= kInlineMapBitsAt)
            damaged(store, pointer, "is cut short");
        visit(readU32(&map.bytes[kInlineMapStartAt]), (map.bytes.size() - kInlineMapBitsAt) * 8, map.bytes.data() + kInlineMapBitsAt);
        return;
    }
    if (map.bytes[0] != kReferenceUsageMap)
        damaged(store, pointer, "is of unknown kind " + std::to_string(map.bytes[0]));
    const std::uint32_t per = pagesPerMapPage(store.pageSize());
    for (std::size_t at = 1, slot = 0; at + 4 <= map.bytes.size(); at += 4, ++slot) {
        const std::uint32_t mapPage = mapPageAt(&map.bytes[at]);
        if (mapPage == 0)
            continue;
        if (mapPage >= store.pageCount())
            damaged(store, pointer, "names page " + std::to_string(mapPage) + " beyond the file");
        const auto bits = store.read(mapPage);
        if (bits[0] != kUsageMapPageType)
            damaged(store, pointer, "names page " + std::to_string(mapPage) + ", which is no map page");
        visit(std::uint64_t{slot} * per, per, bits.data() + kMapPageBitsAt);
    }
}

bool addToUsageMapInPlace(PageStore& store, std::uint32_t pointer, std::uint32_t page) {
    MapRow map = loadMapRow(store, pointer);
    if (map.bytes[0] == kInlineUsageMap) {
        if (map.bytes.size() <= kInlineMapBitsAt)
            return false;
        const std::uint32_t start = readU32(&map.bytes[kInlineMapStartAt]);
        if (page < start || page - start >= (map.bytes.size() - kInlineMapBitsAt) * 8)
            return false;
        setBit(map.bytes.data() + kInlineMapBitsAt, page - start);
        saveMapRow(store, map);
        return true;
    }
    const std::uint32_t per = pagesPerMapPage(store.pageSize());
    const std::size_t at = 1 + 4 * (page / per);
    if (map.bytes[0] != kReferenceUsageMap || at + 4 > map.bytes.size())
        return false;
    const std::uint32_t mapPage = mapPageAt(&map.bytes[at]);
    if (mapPage == 0 || mapPage >= store.pageCount())
        return false;
    auto bits = store.read(mapPage);
    if (bits[0] != kUsageMapPageType)
        return false;
    setBit(bits.data() + kMapPageBitsAt, page % per);
    store.write(mapPage, bits);
    return true;
}

std::optional<std::uint64_t> lastNamedPage(PageStore& store, std::uint32_t pointer) {
    std::optional<std::uint64_t> last;
    forEachStretch(store, pointer, [&](std::uint64_t first, std::uint64_t count, const std::uint8_t* bits) {
        for (std::uint64_t n = count; n-- > 0;)
            if (bits[n / 8] != 0 && bit(bits, static_cast<std::uint32_t>(n))) {
                last = std::max(last.value_or(0), first + n);
                return;
            }
    });
    return last;
}

}  // namespace jet
