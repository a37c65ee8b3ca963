#pragma once
// The bytes an index holds for a key. Each column of the key is a flag byte
// (0x7F, or 0x00 for Null; 0x80 and 0xFF in a descending column) followed by
// the value in a form whose byte order is the value order: integers big-endian
// with the sign bit turned over, floating point numbers with the sign bit
// turned over (negative ones with every bit turned over), decimals as a sign
// byte and their 128-bit magnitude at the column's scale, text through the
// sort order's character codes. A descending column holds every value byte
// turned over, but for a Jet 4 decimal's sign byte. Entries compare as plain
// bytes, so the tree's order is the byte order of these keys.
//
// Text goes through the sort order its column records (index/TextKey.h):
// General 97 in Jet 3 files, General legacy or General 2010 in later ones.
#include "jet/Value.h"
#include "jet/index/TextKey.h"
#include "jet/page/FileFormat.h"
#include "jet/table/TableDef.h"

#include <cstdint>
#include <optional>
#include <span>
#include <string>
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

// Whether `index` leaves out a row whose key columns hold `keyValues`: one
// that ignores Nulls has no entry for a row whose key is Null throughout.
bool leftOutOf(const RealIndex& index, std::span<const Value> keyValues);

class KeyEncoder {
public:
    // For a file of `version`, whose default text sort order applies to
    // columns that record none; text keys count expansion letters such as ß
    // as `expansions` says.
    explicit KeyEncoder(Version version, Expansions expansions = Expansions::OnePosition)
        : version_(version), expansions_(expansions) {}

    // Appends the key bytes of `value`, which must be of the kind the column
    // stores (as rows decode). Returns false, leaving `key` as it was and the
    // reason in `why`, when this value or this column type cannot be encoded.
    bool append(std::vector<std::uint8_t>& key, const KeyColumn& column, const Value& value, std::string& why) const;

    // The sort order of the text keys of `column`; nothing when it records
    // one other than the three General orders, whose keys cannot be made here.
    std::optional<SortOrder> textSortOrder(const ColumnDef& column) const;

    // Whether the character `c` has a code in `order` that every character
    // equal to it with letter case ignored shares, so that an index lookup
    // finds every text a case-insensitive comparison would.
    static bool caseClosed(SortOrder order, char32_t c);

private:
    Version version_;
    Expansions expansions_;
};

}  // namespace jet
