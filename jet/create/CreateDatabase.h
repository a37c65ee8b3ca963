#pragma once
// Writes new databases: an empty one (the system catalogue Jet creates with
// every database, no user table), and the empty user name database, which
// adds the table T_Main (ComputerName, Name, Contact, Email, all text, a
// unique index on ComputerName).
#include "jet/create/SystemCatalog.h"
#include "jet/create/TableCreator.h"
#include "jet/page/FileFormat.h"
#include "jet/page/PageCipher.h"

#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace jet {

// Creates an empty database at `path` in the format its name asks for
// (NewFormat.h: Jet 4 for .mdb). The file appears whole or not at all (it is
// written beside its final name and then moved there), and an existing file
// is never replaced. Throws Error: 3204 when `path` exists, DiskIo (3043)
// when the file cannot be written, and the refusals of newDatabaseVersion.
void createEmptyDatabase(const std::string& path);
// What a copy keeps of its source's protection (a database password, Jet's
// encoding, Office encryption): the source's header page, and the cipher of
// its pages after it (nullptr when they are plain).
struct KeptProtection {
    std::vector<std::uint8_t> header;
    std::shared_ptr<const PageCipher> cipher;
};

// The same in `version` (Jet 4 to ACE 17, of the kind the name says), as a
// copy keeps its source's version; 3001 for another. With `like`, the new
// header masks account SIDs as the database `like` describes does. With
// `protection`, the new database is protected as its source: the same
// password opens it, and its pages are enciphered alike.
void createEmptyDatabase(const std::string& path, Version version, const std::optional<create::SidMasking>& like = {},
                         const std::optional<KeptProtection>& protection = {});

// T_Main as the program expects it: ComputerName, Name, Contact, Email, all
// text, ComputerName unique and Null allowed (more than once).
NewTable userNameTable();

// The same with T_Main added: a new user name database, always Jet 4
// whatever the name (the program's own database keeps its format).
void createDatabase(const std::string& path);

}  // namespace jet
