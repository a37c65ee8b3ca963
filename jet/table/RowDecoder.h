#pragma once
// Turns the bytes of one data row into field values. A row holds a column
// count, the fixed-length values, the variable-length values, a table of
// their offsets (stored backwards, with a jump table in Jet 3 for rows longer
// than 256 bytes) and a null mask (one bit per column, 1 = not Null; booleans
// are the bit itself).
#include "jet/page/Pager.h"
#include "jet/table/TableDef.h"
#include "jet/text/Text.h"
#include "jet/Value.h"

#include <span>
#include <string>
#include <vector>

namespace jet {

class RowDecoder {
public:
    RowDecoder(const Pager& pager, bool jet3, const TableDef& table, const CodePageDecoder& text);

    // Fills `values` (resized to the table's columns, in column order).
    void decode(std::span<const std::uint8_t> row, std::vector<Value>& values);
    // Decodes just the column at `index`.
    void decodeColumn(std::span<const std::uint8_t> row, std::size_t index, Value& value);

private:
    struct Layout;
    Layout crack(std::span<const std::uint8_t> row) const;
    void decodeField(const Layout& layout, const ColumnDef& column, Value& value);
    void decodeText(std::span<const std::uint8_t> bytes, Value& value);
    [[noreturn]] void damaged(const std::string& what) const;

    const Pager& pager_;
    bool jet3_;
    const TableDef& table_;
    const CodePageDecoder& text_;
    std::string scratch_;
};

}  // namespace jet
