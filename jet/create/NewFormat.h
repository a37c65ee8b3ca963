#pragma once
// What new files and new tables are written as: the one place that says
// which formats Ravelin creates and how a format's text columns sort.
#include "jet/page/FileFormat.h"

#include <cstdint>
#include <string>

namespace jet {

// The format of a new database at `path`, chosen by its extension: Jet 4 for
// .mdb; for .accdb ACE 16, what Access 2016 and later write for a new
// database (they mark a file ACE 17 only once it holds a Date/Time Extended
// column). InvalidArgument (3001) for any other extension.
Version newDatabaseVersion(const std::string& path);

// The General sort order version of a new database of version `v` (its
// header and text columns; tables made later follow the header): 0 (the
// original General) up to ACE 12, 1 (General 2010) after.
std::uint8_t newTextSortVersion(Version v);

}  // namespace jet
