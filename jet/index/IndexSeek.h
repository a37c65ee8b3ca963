#pragma once
// Finding the rows whose field equals a value through an index whose first
// column is that field, for the record source's FindFirst. The index gives
// candidates: a set of row locations that holds every row equal to the value
// the way jetEquals compares (text without regard to letter case, numbers by
// value). The caller still compares each candidate, so keys that stand for
// several texts do no harm; what matters is that no equal row is left out,
// and where that cannot be promised no candidates are given at all.
#include "jet/Database.h"
#include "jet/table/TableDef.h"
#include "jet/table/DataPage.h"
#include "jet/Value.h"

#include <memory>
#include <optional>
#include <vector>

namespace jet {

// The candidate rows for `sought` in column `column` (an index into the
// table's columns), in table order (page, then row); nullopt when no index
// of the table can answer exactly: none starts with the column, the value or
// the column type cannot be encoded, or the index is damaged.
std::optional<std::vector<RowLocation>> indexCandidates(const std::shared_ptr<const Database>& db,
                                                        const std::shared_ptr<const TableDef>& table,
                                                        std::size_t column, const Value& sought);

}  // namespace jet
