#include "jet/import/ColumnGuess.h"

#include "jet/Error.h"
#include "jet/import/CsvValue.h"
#include "jet/table/CsvExport.h"
#include "jet/write/FieldValue.h"

#include <algorithm>

namespace jet {
namespace {

constexpr std::size_t kMaxTextLength = 255;

// Whether every non-Null field of the column reads as `type` and comes out of
// the export exactly as it was.
bool holdsExactly(ColumnType type, const std::vector<CsvRecord>& rows, std::size_t column) {
    ColumnDef def;
    def.type = static_cast<std::uint8_t>(type);
    def.length = type == ColumnType::Binary ? kMaxTextLength : static_cast<std::uint16_t>(fixedSize(def.type));
    std::string written;
    for (const CsvRecord& r : rows) {
        const CsvField& f = r.fields[column];
        try {
            const Value v = csvValue(def, f);
            if (v.isNull())
                continue;
            if (type == ColumnType::Binary && v.bytes().size() > kMaxTextLength)
                return false;
            written.clear();
            appendCsvField(written, v, def);
        } catch (const Error&) {
            return false;
        }
        if (written != f.text)
            return false;
    }
    return true;
}

}  // namespace

NewColumn guessColumn(const std::string& name, const std::vector<CsvRecord>& rows, std::size_t column) {
    const bool quoted = std::any_of(rows.begin(), rows.end(), [&](const CsvRecord& r) { return r.fields[column].quoted; });
    const bool any = std::any_of(rows.begin(), rows.end(), [&](const CsvRecord& r) { return !r.fields[column].text.empty(); });
    if (!quoted && any)
        for (const ColumnType type : {ColumnType::Long, ColumnType::Double, ColumnType::Currency, ColumnType::DateTime,
                                      ColumnType::Guid, ColumnType::Binary})
            if (holdsExactly(type, rows, column))
                return {name, type, type == ColumnType::Binary ? static_cast<std::uint16_t>(kMaxTextLength) : std::uint16_t{0}};
    const bool longer = std::any_of(rows.begin(), rows.end(), [&](const CsvRecord& r) {
        return r.fields[column].text.size() > kMaxTextLength && textLength(r.fields[column].text) > kMaxTextLength;
    });
    return longer ? NewColumn{name, ColumnType::Memo, 0} : NewColumn{name, ColumnType::Text, kMaxTextLength};
}

}  // namespace jet
