#include "jet/write/PageAllocator.h"

namespace jet {

// First version: a new page at the end of the file; the owner's usage map is
// not yet told.
std::uint32_t allocatePage(PageStore& store, std::uint32_t /*usageMapPointer*/) {
    return store.append();
}

}  // namespace jet
