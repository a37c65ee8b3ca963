#pragma once
// Records a page in a usage map (a table's used or free-space pages, an
// index's pages). An inline map whose range does not reach the page is moved
// to a range that covers all its pages, or, when none can, turned into a map
// that refers to usage map pages, as Access does with a growing table. The
// map's row keeps its size.
#include "jet/store/PageStore.h"

#include <cstdint>
#include <functional>
#include <optional>

namespace jet {

// Adds `page` to the map whose row the 4-byte row pointer `pointer` names.
void addToUsageMap(PageStore& store, std::uint32_t pointer, std::uint32_t page);

// Adds `page` to the map at `pointer` where the map, as laid out now, can
// name it (no range moved, no map page added); whether it could.
bool addToUsageMapInPlace(PageStore& store, std::uint32_t pointer, std::uint32_t page);

// Takes `page` out of the map at `pointer`, where the map can name it.
void removeFromUsageMap(PageStore& store, std::uint32_t pointer, std::uint32_t page);

// The pages the map at `pointer` can describe, a stretch at a time: `count`
// pages from `first`, one bit each in `bits` (set: the map names the page).
// An inline map is one stretch; a map referring to map pages has one per map
// page present (ranges without a map page are passed by). Error 3343 for a
// map that cannot be read, or refers to pages past the end or of another kind.
using MapStretch = std::function<void(std::uint64_t first, std::uint64_t count, const std::uint8_t* bits)>;
void forEachStretch(PageStore& store, std::uint32_t pointer, const MapStretch& visit);

// The highest page the map names, nothing when it names none.
std::optional<std::uint64_t> lastNamedPage(PageStore& store, std::uint32_t pointer);

}  // namespace jet
