#pragma once
// The bytes an index holds for a key. Each column of the key is a flag byte
// (0x7F, or 0x00 for Null; 0x80 and 0xFF in a descending column) followed by
// the value in a form whose byte order is the value order: integers big-endian
// with the sign bit turned over, floating point numbers with the sign bit
// turned over (negative ones with every bit turned over), text through the
// sort order's character codes. A descending column holds every value byte
// turned over. Entries compare as plain bytes, so the tree's order is the
// byte order of these keys.
//
// Text is encoded for the "General" sort order of Jet 4 and ACE 12 (locale
// 1033, version 0, later named "General Legacy") and for Jet 3's General
// order, which works on Windows-1252 bytes. In Jet 4 a text key is the
// characters' codes, an end mark, the accent codes (when any character has
// an accent), and a run for the characters the order sets aside (control
// characters, the apostrophe, hyphens and dashes). Jet 4 codes are known for
// every character of Latin-1 but NUL, for Latin Extended-A (U+0100-U+017F)
// and for the rest of Windows-1252; Jet 3 codes for Windows-1252 characters
// without accents. For any other character the encoder says that it cannot,
// and callers use another way or refuse the value.
#include "jet/table/TableDef.h"
#include "jet/Value.h"

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace jet {

// What the index stores of one key column.
struct KeyColumn {
    const ColumnDef* column = nullptr;
    bool ascending = true;
};

// The columns of a real index, in key order; a key column naming no column
// of the table is reported as damage through `pager`.
std::vector<KeyColumn> keyColumns(const TableDef& table, const RealIndex& index, const Pager& pager);

class KeyEncoder {
public:
    // `jet3` selects Jet 3's text codes (and Windows-1252 text).
    explicit KeyEncoder(bool jet3) : jet3_(jet3) {}

    // Appends the key bytes of `value`, which must be of the kind the column
    // stores (as rows decode). Returns false, leaving `key` as it was and the
    // reason in `why`, when this value or this column type cannot be encoded.
    bool append(std::vector<std::uint8_t>& key, const KeyColumn& column, const Value& value, std::string& why) const;

    // Whether text of this column can be encoded at all (its sort order).
    bool textSortOrderKnown(const ColumnDef& column) const;

    // Whether the character `c` has a code here that every character equal to
    // it with letter case ignored shares, so that an index lookup finds every
    // text a case-insensitive comparison would.
    bool caseClosed(char32_t c) const;

private:
    bool appendText(std::vector<std::uint8_t>& out, std::string_view utf8, std::string& why) const;

    bool jet3_;
};

}  // namespace jet
