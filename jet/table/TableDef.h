#pragma once
// A table definition as stored on its definition page(s): columns, the real
// (physical) indexes and the logical indexes built on them, and the pointers
// to the table's usage maps.
#include "jet/page/Pager.h"
#include "jet/text/Text.h"

#include <cstdint>
#include <string>
#include <vector>

namespace jet {

struct ColumnDef {
    std::string name;
    std::uint8_t type = 0;          // ColumnType value
    std::uint16_t number = 0;       // bit in a row's null mask (deleted columns count)
    std::uint16_t varIndex = 0;     // entry in a row's variable-length offset table
    std::uint16_t fixedOffset = 0;  // offset in a row's fixed-length area
    std::uint16_t length = 0;       // bytes of a fixed-length value, maximum of a text
    std::uint8_t flags = 0;
    std::uint8_t flagsExt = 0;      // Jet 4/ACE: the second flag byte (compressed text, calculated, complex parts)
    std::uint8_t precision = 0;     // Decimal
    std::uint8_t scale = 0;         // Decimal
    std::uint16_t sortOrder = 0;    // text: locale of the collating order (1033 General)
    std::uint8_t sortOrderVersion = 0;  // Jet 4/ACE text: 0 the original General, 1 the 2010 one
    std::uint16_t codePage = 0;     // Jet 3 text
    bool compressedUnicode = false; // Jet 4 text may be stored compressed
    std::uint32_t complexId = 0;    // .accdb complex columns
    bool required = false;          // the Required property (kept in the table's properties)
    bool calculated = false;        // ACE 14 and later: a value Access computes from an expression
    std::uint8_t resultType = 0;    // a calculated column's ResultType property: the type of its values

    bool fixedLength() const { return flags & 0x01; }
    bool autoNumber() const { return flags & 0x04; }
    bool autoGuid() const { return flags & 0x40; }
    bool hyperlink() const { return flags & 0x80; }
    // The type its values are stored in: a calculated column's result type, else its own.
    std::uint8_t valueType() const { return calculated && resultType != 0 ? resultType : type; }
};

struct IndexColumn {
    std::uint16_t columnNumber = 0;  // ColumnDef::number
    bool ascending = true;
};

// A physical index: the B-tree of keys.
struct RealIndex {
    std::vector<IndexColumn> columns;
    std::uint32_t usageMapPointer = 0;
    std::uint32_t firstPage = 0;  // root page of the B-tree
    std::uint8_t flags = 0;
    std::uint32_t entryCount = 0;

    bool unique() const { return flags & 0x01; }
    bool ignoreNulls() const { return flags & 0x02; }
    bool required() const { return flags & 0x08; }
};

// A named index as the user sees it; several may share one real index.
struct LogicalIndex {
    std::string name;
    std::uint32_t number = 0;
    std::uint32_t realIndex = 0;  // into TableDef::realIndexes
    std::uint8_t kind = 0;        // 1 primary key, 2 foreign key
    std::uint8_t relatedTableKind = 0;
    std::uint32_t relatedIndex = 0xFFFFFFFF;
    std::uint32_t relatedTablePage = 0;
    bool cascadeUpdates = false;
    bool cascadeDeletes = false;

    bool primaryKey() const { return kind == 1; }
    bool foreignKey() const { return kind == 2; }  // a side of a relationship
};

// Offsets inside a table definition, counted from the start of its first page
// (later pages each add an 8-byte header), and the sizes of its repeated
// parts; they differ between Jet 3 and Jet 4 (ACE shares Jet 4's).
struct TableDefLayout {
    std::size_t rowCount, autoNumber, tableType, maxColumns, varColumns, columnCount, indexCount, realIndexCount,
        usedPages, freePages, realIndexEntries;
    std::size_t realIndexEntrySize, columnSize, realIndexSize, logicalIndexSize, logicalIndexStart;
    std::size_t nameLengthSize;
    // The last key given to a row's complex fields (ACE); 0: the format has none.
    std::size_t complexKey;
};
inline constexpr TableDefLayout kJet3TableDef{12, 16, 20, 21, 23, 25, 27, 31, 35, 39, 43, 8, 18, 39, 20, 0, 1, 0};
inline constexpr TableDefLayout kJet4TableDef{16, 20, 40, 41, 43, 45, 47, 51, 55, 59, 63, 12, 25, 52, 28, 4, 2, 28};

struct TableDef {
    std::uint32_t page = 0;  // first definition page
    std::uint32_t storedRowCount = 0;
    std::uint32_t nextAutoNumber = 0;
    std::uint32_t lastComplexKey = 0;  // see TableDefLayout::complexKey
    std::uint8_t tableType = 0;  // 0x4E user, 0x53 system
    std::uint16_t maxColumns = 0;
    std::uint16_t varColumnCount = 0;
    std::uint32_t usedPagesPointer = 0;
    std::uint32_t freePagesPointer = 0;
    std::vector<ColumnDef> columns;  // in column order
    std::vector<RealIndex> realIndexes;
    std::vector<LogicalIndex> indexes;

    // The column with this name, letter case ignored; nullptr when none.
    const ColumnDef* findColumn(std::string_view name) const;
};

// Reads the definition starting at `page`. `names` converts Jet 3 names.
TableDef readTableDef(const Pager& pager, bool jet3, std::uint32_t page, const CodePageDecoder& names);

}  // namespace jet
