#pragma once
// What changed between two listings of the same databases, as the lines
// `ravelin-who --watch` logs: a user arrived, left, or turned suspect, or a
// database could no longer (or again) be read.
#include "jet/who/Listing.h"

#include <string>
#include <vector>

namespace jet::who {

// One line per change (without the time stamp): per database, arrivals and
// users turned suspect in slot order, then those that left.
std::vector<std::string> watchChanges(const std::vector<DatabaseUsers>& before,
                                      const std::vector<DatabaseUsers>& after);

}  // namespace jet::who
