#pragma once
// The pages of a new, empty Jet 4 or ACE database, in file order: the header page,
// the global usage map, and the four system tables Jet 4 creates with every
// database (MSysObjects, MSysACEs, MSysQueries, MSysRelationships) with
// their rows and indexes, laid out as Jet 4 lays out a database it creates.
// ACE creates the same catalogue; its text sorts by the General order of the
// version (NewFormat.h).
#include "jet/create/Jet4Pages.h"
#include "jet/page/FileFormat.h"

#include <vector>

namespace jet::create {

// `now` is the creation time as an OLE date (days since 1899-12-30, local time).
// `version`: Jet 4 or a version of ACE.
std::vector<Bytes> emptyDatabasePages(double now, Version version);

}  // namespace jet::create
