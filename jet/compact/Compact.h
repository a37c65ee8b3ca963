#pragma once
// Compacting a database: a new file of the same kind (Jet 4 .mdb, ACE
// .accdb) that holds every user table of the source with its fields, its
// indexes (primary keys included) and its rows in table order, laid out
// table by table by the table creator and the table writer. AutoNumber
// fields stay AutoNumbers and go on from the highest number copied. The
// properties of each table and its fields (DefaultValue, ValidationRule,
// ValidationText, Format, Caption, Description, Required, ... : the table's
// LvProp) and of the database (MSysDb's LvProp) are copied byte for byte;
// they name objects by name, so nothing in them needs remapping. Queries
// (their MSysObjects rows and MSysQueries rows) and links to tables of other
// Access files (MSysObjects rows of type 6, with their file, foreign name and
// properties) are copied under new object ids, numbered as Jet numbers them,
// each MSysQueries row's ObjectId remapped to its query's new id. The copy keeps the source's format
// version and is checked (jet/check) before it is handed over.
//
// The rest of the catalogue follows (copyCatalogue, CopyDatabase.h): Access's
// containers and objects (forms, reports, macros, modules) and the system
// tables that hold them (MSysAccessObjects in Jet 4, MSysAccessStorage in
// ACE, byte for byte) and the navigation pane,
// ODBC links with their connection strings and kept definitions, and every
// copied object's catalogue row (dates, flags, owner, LvProp) and permissions
// (MSysACEs) as the source has them, each object id remapped. Account SIDs
// are copied as stored when the copy's header masks them as the source's
// (sidMaskingOf), else re-masked as far as their mask is known (the first
// two bytes). System tables with fields the creator cannot make, and the
// objects such a table holds, are left out and named in the result.
//
// Relationships (MSysRelationships rows, their catalogue rows and both
// tables' foreign-key indexes) follow the tables they join. Complex fields
// (attachments, multi-valued and version history fields) are made with
// their ComplexID, and the hidden tables of their values copied like user
// tables, keys as read. A table with a field that cannot be copied (one of
// a type Ravelin does not know whose values may lie outside their rows) is
// refused, naming it; an index over a field of an unknown type takes the
// source's keys. Calculated fields keep their
// stored results; fields of unknown types kept in the row keep their bytes;
// every field keeps the flags that say what it is.
// A database protected by a database password, encoded or encrypted gives a
// copy protected alike: the same password opens it, its header keeps the
// source's database key and Office EncryptionInfo, and its pages are
// enciphered as the source's are.
// Jet 3 databases are read-only to Ravelin and are refused.
#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace jet {

// How a compaction or repair runs.
struct CopyOptions {
    std::string password;  // an encrypted source's
    // Told how far the copy is: the rows copied so far, of the rows the
    // source's tables say they hold; every few thousand rows and after each
    // table. Called on the copying thread.
    std::function<void(std::uint64_t done, std::uint64_t total)> progress;
};

struct CompactResult {
    std::size_t tables = 0;
    std::size_t rows = 0;
    std::size_t queries = 0;
    // Catalogue objects of the source the copy does not hold: system
    // tables with fields the creator cannot make and what hangs from them.
    std::vector<std::string> leftOut;
};

// Compacts the database at `source` into a new file at `dest`, whose name
// says its format as for createEmptyDatabase. The source is only read, an
// encrypted one with the options' password. Throws Error: the errors of opening
// `source` (3031 for an encrypted one without its password); 3027 for a Jet
// 3 source; 3204 when `dest` exists; 3001 when `dest` names the other kind of file or
// a table cannot be made; 3343 when the copy does not check clean. After any
// error but 3204 nothing is left at `dest`.
CompactResult compactDatabase(const std::string& source, const std::string& dest, const CopyOptions& options = {});

// Compacts the database at `path` in place: into NAME.compacting.EXT beside
// it, which replaces it in one rename once it checks clean. Refused with 3356,
// naming them, while the lock file shows a connected user (looked at before
// and after the copy); a failure or a crash before the rename leaves the
// database as it was. Errors as for compactDatabase.
CompactResult compactInPlace(const std::string& path, const CopyOptions& options = {});

// What compactInPlace does around its copy: `makeCopy` writes the new
// database at the path it is given (NAME.compacting.EXT beside `path`, where
// a copy a run cut short left is removed first), which then replaces `path`
// as above. Refused with 3356 before and after.
void replaceInPlace(const std::string& path, const std::function<void(const std::string& copy)>& makeCopy);

}  // namespace jet
