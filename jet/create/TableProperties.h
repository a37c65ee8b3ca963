#pragma once
// Sets the properties Access keeps for a table and its fields (DefaultValue,
// ValidationRule, ValidationText, AllowZeroLength, ...) in the LvProp of the
// table's catalogue row, in Jet 4's "MR2" form: a block of property names,
// then a block for the table itself and one per field named. The properties
// given replace all the table had. Catalogue code: it writes MSysObjects.
#include "jet/store/PageStore.h"

#include <cstdint>
#include <string>
#include <vector>

namespace jet {

struct TableProperty {
    std::string object;  // the table's own name, or a field's
    std::string name;
    std::string text;    // a Text property's value
    int flag = -1;       // a Yes/No property's value (0 or 1) instead of text
};

std::vector<std::uint8_t> encodeTableProperties(const std::string& table, const std::vector<TableProperty>& properties);
void setTableProperties(PageStore& store, const std::string& table, const std::vector<TableProperty>& properties);
// Sets the LvProp of the catalogue row named `object` (a table, or MSysDb for
// the database's own properties) to `blob` as it is; 3078 when no row has
// that name.
void setPropertyBlob(PageStore& store, const std::string& object, const std::vector<std::uint8_t>& blob);

}  // namespace jet
