#include "jet/write/PageAllocator.h"

#include "jet/Error.h"
#include "jet/index/IndexPage.h"
#include "jet/page/PageFormat.h"
#include "jet/table/DataPage.h"
#include "jet/table/TableDef.h"
#include "jet/write/DataPageWriter.h"
#include "jet/write/StoreSource.h"
#include "jet/write/UsageMapWriter.h"

#include <optional>
#include <string>

namespace jet {
namespace {

constexpr std::uint32_t kGlobalMap = rowPointer(kGlobalUsageMap);

[[noreturn]] void damaged(const PageStore& store, const std::string& what) {
    throw databaseDamaged(store.name(), what);
}

bool hasGlobalMap(PageStore& store) {
    if (store.pageCount() <= kGlobalUsageMap.page)
        return false;
    const auto page = DataPageWriter::parse(store.read(kGlobalUsageMap.page));
    if (!page || page->rowCount() <= kGlobalUsageMap.row)
        return false;
    const auto& map = page->row(kGlobalUsageMap.row).bytes;
    return !map.empty() && (map[0] == kInlineUsageMap || map[0] == kReferenceUsageMap);
}

bool named(PageStore& store, std::uint32_t pointer, std::uint32_t page) {
    bool found = false;
    forEachStretch(store, pointer, [&](std::uint64_t first, std::uint64_t count, const std::uint8_t* bits) {
        if (page >= first && page - first < count)
            found = found || ((bits[(page - first) / 8] >> ((page - first) % 8)) & 1);
    });
    return found;
}

// Whether the table or index that page `page` names as its owner still
// counts it among its pages (long-value pages belong to no map and pass).
bool stillOwned(PageStore& store, std::uint32_t page) {
    const auto bytes = store.read(page);
    const std::uint8_t type = bytes[0];
    if (type != kDataPageType && type != kIndexNodePageType && type != kIndexLeafPageType)
        return false;
    const std::uint32_t owner = readU32(&bytes[kDataOwnerAt]);
    if (owner == 0 || owner >= store.pageCount() || store.read(owner)[0] != kTableDefPageType)
        return false;
    const auto db = openStoreDatabase(store);
    const TableDef def = readTableDef(db->pager(), false, owner, db->textDecoder());
    if (type == kDataPageType)
        return named(store, def.usedPagesPointer, page);
    for (const RealIndex& index : def.realIndexes)
        if (named(store, index.usageMapPointer, page))
            return true;
    return false;
}

std::optional<std::uint32_t> lowestFreeInside(PageStore& store) {
    std::optional<std::uint32_t> found;
    const std::uint64_t end = store.pageCount();
    forEachStretch(store, kGlobalMap, [&](std::uint64_t first, std::uint64_t count, const std::uint8_t* bits) {
        for (std::uint64_t n = first < kFirstFreeablePage ? kFirstFreeablePage - first : 0; n < count && first + n < end; ++n)
            if ((bits[n / 8] >> (n % 8)) & 1) {
                if (!found || first + n < *found)
                    found = static_cast<std::uint32_t>(first + n);
                return;
            }
    });
    return found;
}

}  // namespace

std::uint32_t newPage(PageStore& store) {
    if (!hasGlobalMap(store))
        return store.append();
    if (const auto free = lowestFreeInside(store)) {
        if (stillOwned(store, *free))
            damaged(store, "the global usage map marks page " + std::to_string(*free) + " free, but it is in use");
        removeFromUsageMap(store, kGlobalMap, *free);
        store.write(*free, std::vector<std::uint8_t>(store.pageSize(), 0));
        return *free;
    }
    const std::uint32_t page = store.append();
    removeFromUsageMap(store, kGlobalMap, page);
    return page;
}

std::uint32_t allocatePage(PageStore& store, std::uint32_t usageMapPointer) {
    const std::uint32_t page = newPage(store);
    if (usageMapPointer != 0)
        addToUsageMap(store, usageMapPointer, page);
    return page;
}

bool isFreePage(PageStore& store, std::uint32_t page) { return hasGlobalMap(store) && named(store, kGlobalMap, page); }

void releasePage(PageStore& store, std::initializer_list<std::uint32_t> ownerMaps, std::uint32_t page) {
    for (const std::uint32_t map : ownerMaps)
        if (map != 0)
            removeFromUsageMap(store, map, page);
    // A page the global map cannot name stays out of use until Access compacts the file.
    if (hasGlobalMap(store))
        addToUsageMapInPlace(store, kGlobalMap, page);
}

void requireWholeGlobalMap(PageStore& store) {
    if (!hasGlobalMap(store))
        return;
    const std::uint64_t end = store.pageCount();
    forEachStretch(store, kGlobalMap, [&](std::uint64_t first, std::uint64_t count, const std::uint8_t* bits) {
        for (std::uint64_t n = first < end ? end - first : 0; n < count; ++n)
            if (!((bits[n / 8] >> (n % 8)) & 1))
                damaged(store, "the global usage map counts page " + std::to_string(first + n) +
                                   ", past the end of the file, as used");
    });
}

}  // namespace jet
