#pragma once
// Walks a database file and reports every inconsistency it finds: usage maps
// against the pages they name (pages past the end of the file, of the wrong
// type or owner, claimed twice), data pages' free space against their row
// offsets, user tables' stored row counts against their live rows, and every
// index against its pages and the rows. What Access itself leaves in sound
// files (system tables' row counts, old data pages outside a table's map) is
// not reported.
#include "jet/check/Finding.h"

#include <string>
#include <vector>

namespace jet {

// The findings for the file at `path`, empty for a sound file. Throws Error
// when the file cannot be opened as a database at all.
std::vector<Finding> checkDatabase(const std::string& path);

}  // namespace jet
