#pragma once
// The pages of a new, empty Jet 4 or ACE database, in file order: the header page,
// the global usage map, and the four system tables Jet 4 creates with every
// database (MSysObjects, MSysACEs, MSysQueries, MSysRelationships) with
// their rows and indexes, laid out as Jet 4 lays out a database it creates.
// ACE creates the same catalogue; its text sorts by the General order of the
// version (NewFormat.h).
#include "jet/create/Jet4Pages.h"
#include "jet/page/FileFormat.h"

#include <array>
#include <optional>
#include <vector>

namespace jet::create {

// Jet 4 and ACE store account SIDs (MSysObjects.Owner, MSysACEs.SID) masked
// with a byte stream that differs from database to database and follows the
// header (setting a database password changes it): Access files whose
// headers hold the same creation date, security tag and sort order version
// and no password mask every SID alike, whole. How the stream derives from
// them is not known; `start` is its first two bytes, which mask the two-byte
// SIDs of the built-in accounts.
struct SidMasking {
    double creationDate = 0;
    std::uint32_t securityTag = 0;
    std::uint8_t sortVersion = 0;
    std::array<std::uint8_t, 2> start{};
};

// `now` is the creation time as an OLE date (days since 1899-12-30, local time).
// `version`: Jet 4 or a version of ACE. With `like`, the header takes its
// fields and the catalogue's SIDs are masked as it says, so that SIDs copied
// from that database keep their accounts; without, the creation date,
// security tag and stream of a Jet 4 database created through ADOX, and the
// format's sort order version (NewFormat.h).
std::vector<Bytes> emptyDatabasePages(double now, Version version, const std::optional<SidMasking>& like = {});

}  // namespace jet::create
