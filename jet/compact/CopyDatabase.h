#pragma once
// What compacting and repairing share: a new, empty database of the source's
// kind, each user table made in it as the table creator makes it (the same
// fields in the same order, every index but the foreign-key sides of
// relationships) and filled by the caller's row copier, then given the
// source's properties of the table and its fields (its LvProp, byte for
// byte: after the rows, so that no rule added since judges old rows), in
// stores of bounded size (jet/compact/BatchWriter.h); then the database's own
// properties (MSysDb's LvProp), the queries and links (copyQueriesAndLinks),
// the rest of the catalogue (copyCatalogue) and the relationships
// (copyRelationships: their rows and both sides' foreign-key indexes). The
// copy is checked (jet/check) before it is handed over, and removed after
// any error.
#include "jet/Database.h"
#include "jet/Error.h"
#include "jet/compact/BatchWriter.h"
#include "jet/compact/Compact.h"
#include "jet/create/CatalogRows.h"
#include "jet/create/SystemCatalog.h"
#include "jet/create/TableCreator.h"
#include "jet/write/TableWriter.h"

#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace jet {

// Writes the rows of `table` (read from the source as `def` says) through
// `writer`; returns how many it wrote.
using CopyRows = std::function<std::size_t(const std::string& table, const std::shared_ptr<const TableDef>& def,
                                           BatchWriter& writer)>;
// Told of what could not be read or made, which is left out as the copy goes
// on: a table (`part` empty), or a part of one ("properties"; `table` is
// MSysDb for the database's own, MSysObjects for "queries and links" and for
// "Access objects and permissions", MSysRelationships for "relationships").
// Without it such an error ends the copy.
using Lost = std::function<void(const std::string& table, const std::string& part, const Error& why)>;

// The database's own properties: the LvProp of its MSysDb catalogue row
// (empty when none).
std::vector<std::uint8_t> databaseProperties(const std::shared_ptr<const Database>& source);

// Every row of the source's catalogue table `table` (none when it is
// missing), its fields by name; and a row's integer field (-1 when not one).
std::vector<CatalogFields> rowsOf(const std::shared_ptr<const Database>& source, const std::string& table);
std::int64_t integerOf(const CatalogFields& row, std::string_view name);

// Copies the relationships between tables the copy holds (tables and links
// alike): each one's MSysRelationships rows, its catalogue row (as it was,
// under the next free object id in the Relationships container) and, when
// it is enforced, the foreign-key indexes of both tables
// (jet/create/ForeignKeyIndex.h) under the source's names. Returns how many.
std::size_t copyRelationships(const std::shared_ptr<const Database>& source, PageStore& dest);

// Copies the source's queries and its links to tables of other Access files
// into the store: each one's catalogue row (its dates, properties, connect
// string, linked file and foreign name as they were) under the next free
// object id, and a query's MSysQueries rows, their ObjectId made that id.
// Returns how many queries.
std::size_t copyQueriesAndLinks(const std::shared_ptr<const Database>& source, PageStore& dest);

// The table as the creator makes it: the same fields in the same order, and
// every index but the foreign-key sides of relationships. 3001 naming the
// table for a field the creator cannot make (calculated).
NewTable newTableLike(const std::string& name, const TableDef& def);

// Copies the rest of the source's catalogue into the store, after its
// tables, queries and Access links (CopyAccessObjects.cpp): every object the
// copy lacks under new ids (Access's containers, forms, reports, macros,
// modules, the database's documents), ODBC links and the definition they
// keep, the system tables Access keeps its objects and navigation pane in
// (made as system tables, their rows as they were but for the object ids
// they hold); then every copied object's catalogue row and permissions as
// the source has them (dates, flags, owner, properties; MSysACEs), each id
// remapped. Returns the names of the source's objects the copy does not
// hold (system tables with fields the creator cannot make, and what hangs from them).
std::vector<std::string> copyCatalogue(const std::shared_ptr<const Database>& source, PageStore& dest);

// How the copy of `source` masks account SIDs: as the source, when the
// creator's header for the source's creation date, security tag and sort
// order version, given the source's protection, is the source's; otherwise
// nothing, and the copy is made as a new database is.
std::optional<create::SidMasking> sidMaskingOf(const std::shared_ptr<const Database>& source);

// Errors as compactDatabase; `sourcePath` names the source in messages. A
// source protected by a database password, encoded or encrypted gives a copy
// protected alike, which the options' password (the source's, as it was
// opened) opens.
CompactResult copyDatabase(const std::shared_ptr<const Database>& source, const std::string& sourcePath,
                           const std::string& dest, const CopyRows& rows, const Lost& lost = {},
                           const CopyOptions& options = {});

}  // namespace jet
