#pragma once
// Reads a usage map as stored, without the reader's limits: every page it
// names, those past the end of the file included, so that such entries can
// be reported rather than passed over.
#include "jet/check/Finding.h"

#include <cstdint>
#include <vector>

namespace jet {

// The pages the map at row pointer `pointer` names, in ascending order.
// Map pages that are missing or of another type are reported as findings of
// `table` (and their bits skipped).
std::vector<std::uint32_t> mapPages(CheckRun& run, const std::string& table, std::uint32_t pointer);

}  // namespace jet
