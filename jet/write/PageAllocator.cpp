#include "jet/write/PageAllocator.h"

#include "jet/write/DataPageWriter.h"
#include "jet/write/UsageMapWriter.h"

namespace jet {

namespace {

// Jet 4's global usage map: the first row of page 1. It marks the free pages,
// and every page past the end of the file counts as free.
constexpr std::uint32_t kGlobalMap = 1u << 8;

bool hasGlobalMap(PageStore& store) {
    if (store.pageCount() < 2)
        return false;
    const auto page = DataPageWriter::parse(store.read(1));
    return page && page->rowCount() > 0 && !page->row(0).bytes.empty() &&
           page->row(0).bytes[0] <= 0x01;
}

}  // namespace

std::uint32_t appendPage(PageStore& store) {
    const std::uint32_t page = store.append();
    if (hasGlobalMap(store))
        removeFromUsageMap(store, kGlobalMap, page);
    return page;
}

// New pages go at the end of the file (free pages inside it are left for
// Access's compaction), recorded in their owner's map.
std::uint32_t allocatePage(PageStore& store, std::uint32_t usageMapPointer) {
    const std::uint32_t page = appendPage(store);
    if (usageMapPointer != 0)
        addToUsageMap(store, usageMapPointer, page);
    return page;
}

}  // namespace jet
