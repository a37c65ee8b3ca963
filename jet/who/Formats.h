#pragma once
// The listings ravelin-who prints: an aligned table for people, CSV and JSON
// for programs. The CSV and JSON field names are part of the tool's interface.
// Every name and path in them is shown as jet/who/Text.h says.
#include "jet/who/Listing.h"

#include <ostream>
#include <vector>

namespace jet::who {

// `samba` adds the SMB session's account, machine and address.
void writeTable(std::ostream& out, const std::vector<DatabaseUsers>& databases, bool samba);
// RFC 4180 as ravelin-jet exports tables: CR LF, a header line, text quoted,
// numbers and flags (1/0) bare, empty fields for what is unknown.
void writeCsv(std::ostream& out, const std::vector<DatabaseUsers>& databases, bool samba);
// An array with one object per database; see the README for the fields.
void writeJson(std::ostream& out, const std::vector<DatabaseUsers>& databases, bool samba);

}  // namespace jet::who
