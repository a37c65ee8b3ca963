#pragma once
// Lays out one Jet 4 data row from field values, the inverse of RowDecoder: a
// column count, the fixed-length values at their offsets, the variable-length
// values in the order of their entries, the end-of-data offset and the offset
// table (stored backwards), the count of entries, and the null mask (1 = not
// Null; booleans are the bit itself). Values must already be of their
// column's kind (toColumnValue); long values come as their row field (the
// 12-byte header and any inline bytes) from the caller.
#include "jet/Value.h"
#include "jet/table/TableDef.h"

#include <cstdint>
#include <functional>
#include <vector>

namespace jet {

using LongFieldWriter = std::function<std::vector<std::uint8_t>(std::size_t column, const Value& value)>;

std::vector<std::uint8_t> encodeRow(const TableDef& table, const std::vector<Value>& values,
                                    const LongFieldWriter& longField);

}  // namespace jet
