#pragma once
// What compacting and repairing share: a new, empty database of the source's
// kind, each user table made in it as the table creator makes it (the same
// fields in the same order, every index but the foreign-key sides of
// relationships) and filled by the caller's row copier, then given the
// source's properties of the table and its fields (its LvProp, byte for
// byte: after the rows, so that no rule added since judges old rows), in
// stores of bounded size (jet/compact/BatchWriter.h); then the database's own properties (MSysDb's LvProp) and
// the queries and links (copyQueriesAndLinks). The
// copy is checked (jet/check) before it is handed over, and removed after
// any error.
#include "jet/Database.h"
#include "jet/Error.h"
#include "jet/compact/Compact.h"
#include "jet/compact/BatchWriter.h"

#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace jet {

// Writes the rows of `table` (read from the source as `def` says) through
// `writer`; returns how many it wrote.
using CopyRows = std::function<std::size_t(const std::string& table, const std::shared_ptr<const TableDef>& def,
                                           BatchWriter& writer)>;
// Told of what could not be read or made, which is left out as the copy goes
// on: a table (`part` empty), or a part of one ("properties"; `table` is
// MSysDb for the database's own, MSysObjects for "queries and links"). Without it such an error ends the copy.
using Lost = std::function<void(const std::string& table, const std::string& part, const Error& why)>;

// The database's own properties: the LvProp of its MSysDb catalogue row
// (empty when none).
std::vector<std::uint8_t> databaseProperties(const std::shared_ptr<const Database>& source);

// Copies the source's queries and its links to tables of other Access files
// into the store: each one's catalogue row (its dates, properties, connect
// string, linked file and foreign name as they were) under the next free
// object id, and a query's MSysQueries rows, their ObjectId made that id.
// Returns how many queries.
std::size_t copyQueriesAndLinks(const std::shared_ptr<const Database>& source, PageStore& dest);

// Errors as compactDatabase; `sourcePath` names the source in messages.
CompactResult copyDatabase(const std::shared_ptr<const Database>& source, const std::string& sourcePath,
                           const std::string& dest, const CopyRows& rows, const Lost& lost = {});

}  // namespace jet
