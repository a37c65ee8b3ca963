#pragma once
// Walks a database file and reports every inconsistency it finds: usage maps
// against the pages they name (pages past the end of the file, of the wrong
// type or owner, claimed twice), data pages' free space against their row
// offsets, and every index against its pages and the rows. What Access itself
// leaves in sound files (stored row counts behind the rows, old data pages
// outside a table's map, rows an index that ignores Nulls leaves out) is not
// reported.
#include "jet/check/Finding.h"

#include <string>
#include <vector>

namespace jet {

// Whether user tables' stored row counts must equal their live rows: Access
// leaves a count behind at times (Compact and Repair sets it right), Ravelin's
// own stores keep it exact.
enum class RowCounts { AsAccessLeavesThem, Exact };

// The findings for the file at `path` (an encrypted one read with
// `password`), empty for a sound file. Throws Error when the file cannot be
// opened as a database at all.
std::vector<Finding> checkDatabase(const std::string& path, RowCounts rowCounts = RowCounts::AsAccessLeavesThem,
                                   const std::string& password = {});

}  // namespace jet
