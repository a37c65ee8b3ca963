#include "jet/import/ColumnGuess.h"

#include "jet/Error.h"
#include "jet/import/CsvValue.h"
#include "jet/table/CsvExport.h"
#include "jet/write/FieldValue.h"

#include <algorithm>
#include <functional>

namespace jet {
namespace {

constexpr std::size_t kMaxTextLength = 255;
// The most bytes a row may take on a 4 KB page (as the table writer allows),
// and the most a memo value takes in its row: the long-value header and up
// to 64 bytes kept inline.
constexpr std::size_t kMaxRowBytes = 4096 - 14 - 2 - 20;
constexpr std::size_t kMemoInRow = 12 + 64;

// Whether every non-Null field of the column reads as `type` and comes out of
// the export exactly as it was.
bool holdsExactly(ColumnType type, const std::vector<CsvRecord>& rows, std::size_t column) {
    ColumnDef def;
    def.type = static_cast<std::uint8_t>(type);
    def.length = static_cast<std::uint16_t>(fixedSize(def.type));
    std::string written;
    for (const CsvRecord& r : rows) {
        const CsvField& f = r.fields[column];
        try {
            const Value v = csvValue(def, f);
            if (v.isNull())
                continue;
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

// A code rather than a number: digits only, with a leading zero ("0012") or
// more of them than a Long holds (an article or account number). Such a
// column stays Text, as the digits are the value.
bool digitCode(const CsvField& f) {
    const std::string& t = f.text;
    if (t.empty() || t.find_first_not_of("0123456789") != std::string::npos)
        return false;
    return (t.size() > 1 && t[0] == '0') || t.size() > 10 || (t.size() == 10 && t > "2147483647");
}

// Text for codes; Binary is never guessed: hex-looking text ("0012", "CAFE") is text.
NewColumn guessColumn(const std::string& name, const std::vector<CsvRecord>& rows, std::size_t column) {
    const auto anyField = [&](const std::function<bool(const CsvField&)>& test) {
        return std::any_of(rows.begin(), rows.end(), [&](const CsvRecord& r) { return test(r.fields[column]); });
    };
    if (!anyField([](const CsvField& f) { return f.quoted; }) && anyField([](const CsvField& f) { return !f.text.empty(); }) &&
        !anyField(digitCode))
        for (const ColumnType type : {ColumnType::Long, ColumnType::Double, ColumnType::Currency, ColumnType::DateTime,
                                      ColumnType::Guid})
            if (holdsExactly(type, rows, column))
                return {name, type, 0};
    const bool longer = anyField([](const CsvField& f) {
        return f.text.size() > kMaxTextLength && textLength(f.text) > kMaxTextLength;
    });
    return longer ? NewColumn{name, ColumnType::Memo, 0} : NewColumn{name, ColumnType::Text, kMaxTextLength};
}

// At least the bytes the value of `field` takes in a row of `column`: text
// is stored in at most one byte more per UTF-8 byte, plus its two-byte mark.
std::size_t rowBytes(const NewColumn& column, const CsvField& field) {
    if (field.text.empty() && !field.quoted)
        return 0;
    switch (column.type) {
    case ColumnType::Text: return field.text.size() + 2;
    case ColumnType::Memo: return kMemoInRow;
    case ColumnType::Binary: return field.text.size() / 2;
    default: return 0;  // fixed width: counted for every row alike
    }
}

// Makes Memo of the Text column with the longest value in the widest row,
// as long as some row is too wide for a page.
void fitRowsOnPages(NewTable& table, const std::vector<CsvRecord>& rows) {
    std::size_t fixed = 2 + 2 + (table.columns.size() + 7) / 8;  // column count, entry count, null mask
    for (const NewColumn& c : table.columns)
        fixed += fixedSize(static_cast<std::uint8_t>(c.type)) + 2;  // an offset entry at most
    std::vector<std::size_t> bytes(rows.size(), fixed);
    for (std::size_t r = 0; r < rows.size(); ++r)
        for (std::size_t n = 0; n < table.columns.size(); ++n)
            bytes[r] += rowBytes(table.columns[n], rows[r].fields[n]);
    for (;;) {
        const auto widest = std::max_element(bytes.begin(), bytes.end());
        if (widest == bytes.end() || *widest <= kMaxRowBytes)
            return;
        const auto& fields = rows[static_cast<std::size_t>(widest - bytes.begin())].fields;
        std::size_t longest = table.columns.size();
        for (std::size_t n = 0; n < table.columns.size(); ++n)
            if (table.columns[n].type == ColumnType::Text &&
                (longest == table.columns.size() || fields[n].text.size() > fields[longest].text.size()))
                longest = n;
        if (longest == table.columns.size())
            return;  // no text left to move out: the writer refuses the row, naming its line
        const NewColumn memo{table.columns[longest].name, ColumnType::Memo, 0};
        for (std::size_t r = 0; r < rows.size(); ++r)
            bytes[r] = bytes[r] - rowBytes(table.columns[longest], rows[r].fields[longest]) +
                       rowBytes(memo, rows[r].fields[longest]);
        table.columns[longest] = memo;
    }
}

}  // namespace

NewTable guessTable(const std::string& name, const std::vector<std::string>& columns, const std::vector<CsvRecord>& rows) {
    NewTable t{name, {}, {}};
    for (std::size_t n = 0; n < columns.size(); ++n)
        t.columns.push_back(guessColumn(columns[n], rows, n));
    fitRowsOnPages(t, rows);
    return t;
}

}  // namespace jet
