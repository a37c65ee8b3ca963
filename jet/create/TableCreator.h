#pragma once
// Creates a new, empty table inside a store, laid out as Access lays out a
// table it creates: the table definition (on as many pages as it takes), a
// page of usage maps right after it (the table's used and free-space pages,
// one map per index, two per memo or OLE column), an empty leaf page per
// index, the table's catalogue row and the permissions it inherits (see
// CatalogRows.h). Rows are then added with the table writer in the same or
// a later store.
#include "jet/table/ColumnType.h"
#include "jet/store/PageStore.h"

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace jet {

struct NewColumn {
    std::string name;
    ColumnType type = ColumnType::Text;
    // Text: the most characters (1 to 255); Binary: the most bytes (1 to 510);
    // AccessObjectData: its bytes (as the source's column has them);
    // other types have their fixed size.
    std::uint16_t size = 255;
    bool autoNumber = false;  // Long only: the writer numbers rows that leave it Null
    // Decimal: digits in all (1 to 28) and after the point (at most precision).
    std::uint8_t precision = 18;
    std::uint8_t scale = 0;
    // Calculated (ACE 14 and later): Access computes its values from the
    // Expression in the table's properties and stores them, as values of
    // `resultType` (a ColumnType value; Memo and OLE results are long
    // values), in a variable-length field of at most `size` bytes.
    bool calculated = false;
    std::uint8_t resultType = 0;
    // A type Ravelin does not know (a column copied from another database):
    // its values, `size` bytes in the fixed-width part of a row or at most
    // `size` bytes in the variable-width part, are kept as the bytes given.
    bool fixedWidth = false;
    bool compressedUnicode = false;  // the definition's flag, kept as it was
    // Complex (ACE): the field's entry in MSysComplexColumns (ComplexID),
    // which names the hidden table holding its values.
    std::uint32_t complexId = 0;
    // A field copied from another definition keeps the flags that say what it
    // is (hyperlink, replication ID, the parts of a complex field, a system
    // table's); those of the layout (fixed width, compressed text) follow the new one.
    std::optional<std::uint8_t> copiedFlags = {}, copiedFlagsExt = {};
};

struct NewIndex {
    std::string name;
    std::vector<std::string> columns;  // in this order
    bool unique = false;
    bool ignoreNulls = false;
    bool required = false;    // no Null in any of its fields
    bool primaryKey = false;
    std::vector<bool> descending = {};  // per column, true where it sorts descending (empty: none)
    // Its keys come with the rows (TableWriter's insert with keys given), as
    // a copy's of fields of types Ravelin does not know must.
    bool keysGiven = false;
};

struct NewTable {
    std::string name;
    std::vector<NewColumn> columns;
    std::vector<NewIndex> indexes;
};

// How a column is described to the user: "Text(255)", "Memo", "Long".
std::string describe(const NewColumn& column);

// Creates `table` in the database the store writes. Errors, raised before
// anything is written: 3027 for a format Ravelin does not write (see
// requireWritable); 3010 when a table of that name exists (letter case
// ignored); 3125 for a table, field or index name Access does not allow;
// 3191 for a field named twice; 3190 for more than 255 fields; 3001 for a
// table without fields, a size, precision or scale out of range, a type
// Ravelin does not create (complex types but in ACE files with a complexId;
// Large Number and Date/Time Extended before ACE 17; calculated fields
// before ACE 14) or an index on a field the
// table lacks, or an index on a field of a type Ravelin does not know but
// for one whose keys are given.
void createTable(PageStore& store, const NewTable& table);

}  // namespace jet
