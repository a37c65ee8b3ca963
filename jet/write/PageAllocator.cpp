#include "jet/write/PageAllocator.h"

#include "jet/write/UsageMapWriter.h"

namespace jet {

// New pages go at the end of the file. Jet 4's global map on page 1 records
// free pages only, and a page past the old end was never free, so only the
// owner's map learns of it.
std::uint32_t allocatePage(PageStore& store, std::uint32_t usageMapPointer) {
    const std::uint32_t page = store.append();
    if (usageMapPointer != 0)
        addToUsageMap(store, usageMapPointer, page);
    return page;
}

}  // namespace jet
