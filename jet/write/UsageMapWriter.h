#pragma once
// Records a page in a usage map (a table's used or free-space pages, an
// index's pages). An inline map whose range does not reach the page is moved
// to a range that covers all its pages, or, when none can, turned into a map
// that refers to usage map pages, as Access does with a growing table. The
// map's row keeps its size.
#include "jet/write/PageStore.h"

#include <cstdint>

namespace jet {

// Adds `page` to the map whose row the 4-byte row pointer `pointer` names.
void addToUsageMap(PageStore& store, std::uint32_t pointer, std::uint32_t page);

// Takes `page` out of the map at `pointer`, where the map can name it.
void removeFromUsageMap(PageStore& store, std::uint32_t pointer, std::uint32_t page);

}  // namespace jet
