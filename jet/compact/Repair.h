#pragma once
// Repairing a database: from a damaged or suspect source, a new file (as
// compactDatabase makes one) holding every row that can still be read, with
// its indexes rebuilt, and an account of exactly what could not be.
//
// A table's rows are looked for on the pages its usage map names and on the
// data pages that name the table as their owner (those the file's global
// usage map lists as free excepted), in page order. What cannot be read is
// left out and recorded, and the rest goes on: a table whose definition is
// unreadable (or that the creator cannot make), a page that is not this
// table's data page or is cut off, a row whose place or layout is broken or
// that the copy refuses (a Null in a required field, a duplicate key), a
// single value (a broken long-value chain), which becomes Null in its row, and
// a part of the catalogue (the properties of a table or of the database, the
// queries and links, the Access objects and permissions).
// The source is only read, through a pending journal if it has one, never
// rolled back or otherwise written. A sound source repairs to the same
// content as compactDatabase gives.
#include "jet/compact/Compact.h"

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace jet {

struct RepairLoss {
    enum class Kind { Table, Page, Row, Value, Catalogue };
    Kind kind = Kind::Table;
    std::string table;
    std::uint32_t page = 0;  // Page, Row, Value
    std::uint16_t row = 0;   // Row, Value
    std::string field;       // Value; for Catalogue, the part ("properties", "queries and links")
    std::string why;
};
// "Table1: page 12, row 3 not recovered: ...", one line a loss.
std::string describe(const RepairLoss& loss);

struct RepairResult {
    CompactResult copied;
    std::vector<RepairLoss> losses;
    std::size_t count(RepairLoss::Kind kind) const;
};

// Repairs `source` into `dest`. Throws Error as compactDatabase, but not for
// damage that leaves the catalogue readable: that is recorded in the result.
RepairResult repairDatabase(const std::string& source, const std::string& dest, const CopyOptions& options = {});

// Repairs the database at `path` in place, keeping it as it was at `backup`:
// the file is copied to `backup` (refused with 3204 when that exists), the
// copy repaired into a new file, and the new file put in the place of `path`
// as compactInPlace does (refused with 3356 while anyone is connected). After
// a failure `path` is as it was and nothing is left at `backup`.
RepairResult repairInPlace(const std::string& path, const std::string& backup, const CopyOptions& options = {});

}  // namespace jet
