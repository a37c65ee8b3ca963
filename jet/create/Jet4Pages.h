#pragma once
// Builds the pages of a Jet 4 file from a description: table definitions,
// data rows, data pages, usage-map rows and index leaf pages, laid out as
// Jet 4 lays them out. Used to write a new database from scratch.
#include "jet/page/Coding.h"

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace jet::create {

using Bytes = std::vector<std::uint8_t>;

inline constexpr std::size_t kPageSize = 4096;

struct ColumnSpec {
    std::string name;
    std::uint8_t type = 0;         // ColumnType value
    std::uint16_t number = 0;      // bit in the null mask, order of the row's values
    std::uint16_t varIndex = 0;    // variable columns: entry in the offset table
    std::uint16_t fixedOffset = 0; // fixed columns: offset in the fixed area
    std::uint16_t length = 0;      // bytes of a fixed value, maximum bytes of a text
    bool compressedText = false;   // text may be stored as compressed Unicode
    bool holdsSids = false;        // the catalogue's account SID columns carry a flag of their own
    bool autoNumber = false;       // a Long the writer numbers
    std::uint8_t precision = 0;    // Decimal: digits in all and after the point
    std::uint8_t scale = 0;
    bool calculated = false;       // values Access computes, variable-length whatever the type
    std::uint8_t resultType = 0;   // a calculated column's: the type of its values
    bool fixedWidth = false;       // a type Ravelin does not know, kept in the fixed-width part
    std::uint32_t complexId = 0;   // a complex field's ComplexID
    // Flags kept from a copied definition (NewColumn::copiedFlags); the
    // fixed-width and compressed-text bits still follow this layout.
    std::optional<std::uint8_t> flags = {}, flagsExt = {};
};

// Memo and OLE columns, and calculated ones with such results: their values
// are long values, with a pair of usage maps of their own.
bool holdsLongValues(const ColumnSpec& c);

struct IndexSpec {
    std::string name;
    std::vector<std::uint16_t> columns;  // column numbers
    std::uint8_t flags = 0;              // 0x01 unique, 0x02 ignore nulls, 0x08 required
    bool primaryKey = false;
    std::uint32_t logicalNumber = 0;     // the logical index's number
    std::uint32_t realIndex = 0;         // the real index it uses
    std::uint32_t usageMap = 0;          // row pointer of the index's usage map
    std::uint32_t firstPage = 0;         // its leaf page
    std::vector<bool> descending = {};   // per column; empty: all ascending
    // A side of a relationship (a foreign-key index): 1 where this table is
    // the one referred to, 2 where it refers; 0 for an index of no relationship.
    std::uint8_t relatedTableKind = 0;
    std::uint32_t relatedIndex = 0xFFFFFFFF;  // the other side's logical index number
    std::uint32_t relatedTablePage = 0;       // the other table's definition page
    bool cascadeUpdates = false;
    bool cascadeDeletes = false;
};

struct TableSpec {
    bool system = false;
    std::uint32_t rowCount = 0;
    std::uint8_t textSortVersion = 0;    // text columns' General sort order: 0 the original, 1 the 2010 one
    std::vector<ColumnSpec> columns;     // in the order the definition lists them
    std::vector<IndexSpec> realIndexes;  // real index n at position n
    std::vector<IndexSpec> indexes;      // logical indexes, in listed order
    std::uint32_t usedPages = 0;         // row pointers of the table's usage maps
    std::uint32_t freePages = 0;
    // Memo and OLE columns: their own pair of usage maps, in column number order.
    std::vector<std::uint32_t> longValueMaps;
};

// The table definition page for `table`; it must fit one page.
Bytes tableDefinitionPage(const TableSpec& table);
// The definition of `table` on as many pages as it takes: the first page,
// then continuation pages, each numbered by a call of `nextPage` (made only
// when the definition needs that page).
std::vector<Bytes> tableDefinitionPages(const TableSpec& table, const std::function<std::uint32_t()>& nextPage);

// The entries a definition holds for a real index (after its columns'
// names) and for a logical one (after the real indexes).
Bytes realIndexEntry(const IndexSpec& index);
Bytes logicalIndexEntry(const IndexSpec& index);
// A name as a definition holds it (a column's, an index's).
Bytes definitionName(const std::string& name);
// A definition's bytes (the first page's header included) split into pages,
// numbered as tableDefinitionPages numbers them.
std::vector<Bytes> definitionPages(const Bytes& definition, const std::function<std::uint32_t()>& nextPage);

// A row's values by column number; nothing for Null. Booleans are one byte.
using RowValues = std::vector<std::optional<Bytes>>;
Bytes encodeRow(const TableSpec& table, const RowValues& values);

// A data page owned by the definition at `owner` holding `rows` in order.
Bytes dataPage(std::uint32_t owner, const std::vector<Bytes>& rows);

// An inline usage-map row (start page 0, one bit for each of the first 512
// pages) with the bits of `pages` set.
Bytes usageMapRow(const std::vector<std::uint32_t>& pages);
// The same with the bits of every page from `first` on set.
Bytes usageMapRowFrom(std::uint32_t first);

// One leaf entry: the key bytes and the row they point at.
struct LeafEntry {
    Bytes key;
    std::uint32_t page = 0;
    std::uint8_t row = 0;
};
// The single leaf page of an index of the table at `owner`; entries are sorted here.
Bytes leafPage(std::uint32_t owner, std::vector<LeafEntry> entries);

}  // namespace jet::create
