#pragma once
// Writes a new, empty user name database: a Jet 4 (Access 2000-2003) file
// holding the system catalogue Jet needs and the table T_Main (ComputerName,
// Name, Contact, Email, all text, a unique index on ComputerName).
#include <string>

namespace jet {

// Creates the file at `path`. The file appears whole or not at all (it is
// written beside its final name and then moved there), and an existing file
// is never replaced. Throws Error: 3204 when `path` exists, DiskIo (3043)
// when the file cannot be written.
void createDatabase(const std::string& path);

}  // namespace jet
