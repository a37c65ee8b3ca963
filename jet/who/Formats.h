#pragma once
// The listings ravelin-who prints: an aligned table for people, CSV and JSON
// for programs. The CSV and JSON field names are part of the tool's interface.
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

// `text` fit for a terminal or a log line: control characters (which a lock
// file may hold, written by any client) shown as '?'.
std::string printable(const std::string& text);

// `text` as a JSON string literal, quotes included.
std::string jsonString(const std::string& text);

}  // namespace jet::who
