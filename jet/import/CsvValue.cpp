#include "jet/import/CsvValue.h"

#include "jet/Error.h"
#include "jet/table/ColumnType.h"
#include "jet/write/FieldValue.h"

#include <charconv>
#include <vector>

namespace jet {

Value csvValue(const ColumnDef& column, const CsvField& field) {
    if (!field.quoted && field.text.empty())
        return Value();
    const auto type = static_cast<ColumnType>(column.type);
    if (field.quoted || (type != ColumnType::Binary && type != ColumnType::Ole))
        return toColumnValue(column, Value::text(field.text));
    std::vector<std::uint8_t> bytes(field.text.size() / 2);
    const char* at = field.text.data();
    for (auto& b : bytes) {
        const auto r = std::from_chars(at, at + 2, b, 16);
        if (r.ptr != at + 2)
            break;
        at += 2;
    }
    if (at != field.text.data() + field.text.size())
        throw Error(ConversionError, "Data type conversion error: field '" + column.name +
                                         "' holds bytes, written as pairs of hex digits.");
    return Value::binary(bytes);
}

}  // namespace jet
