#pragma once
// The properties Access keeps for a table and its columns outside the table
// definition: the LvProp field of the table's catalogue row, a block of
// property names followed by a block per object (the table, each column),
// each listing (property name, type, value) entries. Only what the engine
// needs is taken from it: a column's Required property, which it enforces,
// and a calculated column's ResultType, the type its values are stored in.
#include "jet/table/TableDef.h"

#include <cstdint>
#include <functional>
#include <span>
#include <string>

namespace jet {

// Applies Required and ResultType from the property blob `blob` (Jet 4 "MR2"
// form) to the columns of `table`. Blobs in another form, or cut short,
// change nothing: Access itself then has no Required column to enforce.
void applyColumnProperties(TableDef& table, std::span<const std::uint8_t> blob);

// Every property of the blob, object by object (object 0 is the table
// itself, the later ones its columns, each named): its name, Jet's type code
// (0x01 Yes/No, 0x02 Byte, 0x0A Text, 0x0C Memo, ...) and its value's bytes
// (at least one). A blob in another form, or cut short, gives what it holds
// up to the damage.
inline constexpr std::uint8_t kTextProperty = 0x0A;
inline constexpr std::uint8_t kMemoProperty = 0x0C;
using PropertyVisitor = std::function<void(std::size_t object, const std::string& objectName, const std::string& name,
                                           std::uint8_t type, std::span<const std::uint8_t> value)>;
void forEachProperty(std::span<const std::uint8_t> blob, const PropertyVisitor& visit);
// A Text or Memo property's value (UCS-2) as UTF-8.
std::string propertyText(std::span<const std::uint8_t> value);

}  // namespace jet
