#pragma once
// Pages for new content during a store (new data pages of a table, pages of a
// split index): recorded as used where Access records them.

#include "jet/write/PageStore.h"

#include <cstdint>

namespace jet {

// A new zero-filled page at the end of the file, taken out of the global
// usage map (which marks free pages, those past the end of the file too).
std::uint32_t appendPage(PageStore& store);

// A page for new content owned by the usage map at `usageMapPointer` (a
// table's used-pages map, or an index's map); the page comes back zero-filled.
std::uint32_t allocatePage(PageStore& store, std::uint32_t usageMapPointer);

}  // namespace jet
