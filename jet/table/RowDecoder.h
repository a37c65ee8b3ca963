#pragma once
// Turns the bytes of one data row into field values. A row holds a column
// count, the fixed-length values, the variable-length values, a table of
// their offsets (stored backwards, with a jump table in Jet 3 for rows longer
// than 256 bytes) and a null mask (one bit per column, 1 = not Null; booleans
// are the bit itself).
#include "jet/page/Pager.h"
#include "jet/table/ColumnType.h"
#include "jet/table/TableDef.h"
#include "jet/text/Text.h"
#include "jet/Value.h"

#include <optional>
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

    // Takes `row` apart once for field() and storedText(), which read from it
    // until the next select (the bytes must stay valid that long).
    void select(std::span<const std::uint8_t> row);
    void field(std::size_t index, Value& value);
    // The stored bytes of the text column `index` (UCS-2, or its compressed
    // form; Jet 4 and ACE only), or nothing when the value is Null.
    std::optional<std::span<const std::uint8_t>> storedText(std::size_t index) const;

private:
    struct Layout {
        std::span<const std::uint8_t> row;
        std::size_t columnCount = 0;  // columns stored in this row
        std::size_t fixedStart = 0;
        std::size_t nullMask = 0;     // offset of the null mask
        std::size_t varCount = 0;     // entries in the offset table
        std::size_t varTable = 0;     // Jet 4: offset of entry 0; Jet 3: of entry 0's low byte
        std::size_t jumpTable = 0;    // Jet 3
        std::size_t jumpCount = 0;    // Jet 3
        std::size_t dataEnd = 0;      // first byte after the values

        bool present(std::size_t bit) const {
            return bit < columnCount && ((row[nullMask + bit / 8] >> (bit % 8)) & 1);
        }
    };
    Layout crack(std::span<const std::uint8_t> row) const;
    std::optional<std::span<const std::uint8_t>> storedBytes(const Layout& layout, const ColumnDef& column) const;
    void decodeField(const Layout& layout, const ColumnDef& column, Value& value);
    void decodeCalculated(std::span<const std::uint8_t> bytes, const ColumnDef& column, Value& value);
    void decodeAs(ColumnType type, std::span<const std::uint8_t> bytes, const ColumnDef& column, Value& value);
    void decodeText(std::span<const std::uint8_t> bytes, Value& value);
    [[noreturn]] void damaged(const std::string& what) const;

    const Pager& pager_;
    bool jet3_;
    const TableDef& table_;
    const CodePageDecoder& text_;
    std::string scratch_;
    Layout selected_;
};

}  // namespace jet
