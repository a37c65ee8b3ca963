#pragma once
// The properties Access keeps for a table and its columns outside the table
// definition: the LvProp field of the table's catalogue row, a block of
// property names followed by a block per object (the table, each column),
// each listing (property name, type, value) entries. Only what the engine
// needs is taken from it: a column's Required property, which it enforces,
// and a calculated column's ResultType, the type its values are stored in.
#include "jet/table/TableDef.h"

#include <cstdint>
#include <span>

namespace jet {

// Applies Required and ResultType from the property blob `blob` (Jet 4 "MR2"
// form) to the columns of `table`. Blobs in another form, or cut short,
// change nothing: Access itself then has no Required column to enforce.
void applyColumnProperties(TableDef& table, std::span<const std::uint8_t> blob);

}  // namespace jet
