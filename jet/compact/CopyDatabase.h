#pragma once
// What compacting and repairing share: a new, empty database of the source's
// kind, each user table made in it as the table creator makes it (the same
// fields in the same order, every index but the foreign-key sides of
// relationships) and filled by the caller's row copier, one store a table;
// then the copy is checked (jet/check) before it is handed over, and removed
// after any error.
#include "jet/Database.h"
#include "jet/Error.h"
#include "jet/compact/Compact.h"
#include "jet/write/TableWriter.h"

#include <functional>
#include <memory>
#include <string>

namespace jet {

// Writes the rows of `table` (read from the source as `def` says) through
// `writer`; returns how many it wrote.
using CopyRows = std::function<std::size_t(const std::string& table, const std::shared_ptr<const TableDef>& def,
                                           TableWriter& writer)>;
// Told of a table that could not be read or made: it is left out and the copy
// goes on. Without it such an error ends the copy.
using TableLost = std::function<void(const std::string& table, const Error& why)>;

// Errors as compactDatabase; `sourcePath` names the source in messages.
CompactResult copyDatabase(const std::shared_ptr<const Database>& source, const std::string& sourcePath,
                           const std::string& dest, const CopyRows& rows, const TableLost& lost = {});

}  // namespace jet
