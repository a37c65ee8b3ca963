#pragma once
// Pages for new content during a store (new data pages of a table, pages of a
// split index, long values), recorded as used where Access records them, and
// pages given back when their content is gone.
//
// Jet 4 and ACE keep a global usage map in the first row of page 1: its set
// bits are free pages, and in a sound file every page past the end of the
// file that it can describe is free. A page is taken from inside the file
// when the map offers one, before the file grows; a page given back is
// marked free there and taken out of its owner's maps.

#include "jet/store/PageStore.h"

#include <cstdint>
#include <initializer_list>

namespace jet {

// A zero-filled page for new content, taken out of the global usage map: the
// lowest free page inside the file, else a new page at the end. A free page
// that its apparent owner's usage map still names is damage (3343).
std::uint32_t newPage(PageStore& store);

// A page for new content owned by the usage map at `usageMapPointer` (a
// table's used-pages map, or an index's map); the page comes back zero-filled.
std::uint32_t allocatePage(PageStore& store, std::uint32_t usageMapPointer);

// Gives `page` back: out of each of `ownerMaps` (row pointers; 0 for none),
// marked free in the global usage map.
void releasePage(PageStore& store, std::initializer_list<std::uint32_t> ownerMaps, std::uint32_t page);

// Whether the global usage map marks `page` free.
bool isFreePage(PageStore& store, std::uint32_t page);

// Error 3343 when the global usage map counts a page past the end of the
// file as used: the file has lost pages (a truncated copy), and any page the
// store added there would belong to two owners.
void requireWholeGlobalMap(PageStore& store);

}  // namespace jet
