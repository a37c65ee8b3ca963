#include "jet/create/Jet4Pages.h"

#include "jet/Error.h"
#include "jet/page/PageFormat.h"
#include "jet/text/Text.h"
#include "jet/write/DataPageWriter.h"
#include "jet/table/ColumnType.h"

#include <algorithm>

namespace jet::create {
namespace {

// Jet 4 writes these values into fields whose meaning is not documented (a
// tag in every column and logical index entry and in the definition header,
// another in every real index entry); readers ignore them, Jet writes them.
constexpr std::uint32_t kDefinitionTag = 0x0659;
constexpr std::uint32_t kRealIndexTag = 0x0783;

constexpr std::uint8_t kUserTable = 0x4E;
constexpr std::uint8_t kSystemTable = 0x53;

// Column flags: fixed width, may be updated (set on every column Access
// writes), an AutoNumber, and a system table's column.
constexpr std::uint8_t kFixedColumn = 0x01;
constexpr std::uint8_t kUpdatableColumn = 0x02;
constexpr std::uint8_t kAutoNumberColumn = 0x04;
constexpr std::uint8_t kSystemColumn = 0x10;
constexpr std::uint8_t kSidColumn = 0x20;
constexpr std::uint8_t kCompressedUnicode = 0x01;
constexpr std::uint8_t kCalculatedColumn = 0xC0;
constexpr std::uint8_t kExtendedDatePrecision = 9;
constexpr std::uint8_t kExtendedDateScale = 7;

// Every Jet 4 index carries this flag beside unique, ignore-nulls and required.
constexpr std::uint8_t kIndexFlagAlways = 0x80;
// A logical index that is no relationship's: its two cascade bytes as Jet writes them.
constexpr std::uint8_t kNoCascade = 0x04;
constexpr std::uint8_t kPrimaryKeyKind = 0x01;
constexpr std::uint8_t kForeignKeyKind = 0x02;

constexpr std::size_t kMaxKeyColumns = 10;
constexpr std::uint8_t kAscendingColumn = 0x01;  // the order of a key column
constexpr std::uint8_t kDescendingColumn = 0x02;

constexpr std::size_t kLeafBitmap = kJet4IndexPage.bitmap;
constexpr std::size_t kLeafEntries = kJet4IndexPage.firstEntry;
constexpr std::size_t kMapBits = 64;          // an inline map's bitmap: 512 pages

class Writer {
public:
    explicit Writer(Bytes& out) : out_(out) {}
    void u8(std::uint8_t v) { out_.push_back(v); }
    void u16(std::uint16_t v) { appendU16(out_, v); }
    void u32(std::uint32_t v) { appendU32(out_, v); }
    void zeros(std::size_t n) { out_.insert(out_.end(), n, 0); }
    // A name: its length in bytes, then UCS-2 (names here are plain ASCII).
    void name(const std::string& utf8) {  // UCS-2, as every name in a definition
        std::u16string units;
        appendUtf16(utf8, units);
        u16(static_cast<std::uint16_t>(2 * units.size()));
        for (const char16_t u : units)
            u16(u);
    }

private:
    Bytes& out_;
};

bool isBoolean(const ColumnSpec& c) { return c.type == static_cast<std::uint8_t>(ColumnType::Boolean); }
// Booleans count as fixed columns though their value is the null-mask bit.
bool fixed(const ColumnSpec& c) {
    return c.fixedWidth || (!c.calculated && (fixedSize(c.type) != 0 || isBoolean(c) ||
                                              c.type == static_cast<std::uint8_t>(ColumnType::AccessObjectData)));
}

void writeColumn(Writer& w, const TableSpec& table, const ColumnSpec& c, std::uint16_t position) {
    w.u8(c.type);
    w.u32(kDefinitionTag);
    w.u16(c.number);
    // A fixed column holds here how many variable columns come before it.
    const auto variableBefore = static_cast<std::uint16_t>(std::count_if(
        table.columns.begin(), table.columns.end(), [&](const ColumnSpec& o) { return !fixed(o) && o.number < c.number; }));
    w.u16(fixed(c) ? variableBefore : c.varIndex);
    w.u16(table.system ? 0 : position);  // user tables number their columns here
    if (c.type == static_cast<std::uint8_t>(ColumnType::DateTimeExtended)) {
        // Precision and scale: Access keeps seven digits of the second.
        w.u8(kExtendedDatePrecision);
        w.u8(kExtendedDateScale);
        w.u16(0);
    } else if (c.type == static_cast<std::uint8_t>(ColumnType::Numeric)) {
        w.u8(c.precision);
        w.u8(c.scale);
        w.u16(0);
    } else if (c.type == static_cast<std::uint8_t>(ColumnType::Complex)) {
        w.u32(c.complexId);
    } else {
        w.u16(kGeneralSortOrder);
        w.u8(0);
        w.u8(table.textSortVersion);
    }
    const auto layoutFlags = static_cast<std::uint8_t>(fixed(c) ? kFixedColumn : 0);
    const auto layoutFlagsExt = static_cast<std::uint8_t>(c.compressedText ? kCompressedUnicode : 0);
    if (c.flags)
        w.u8(static_cast<std::uint8_t>((*c.flags & ~kFixedColumn) | layoutFlags));
    else
        w.u8(static_cast<std::uint8_t>(layoutFlags | kUpdatableColumn | (table.system ? kSystemColumn : 0) |
                                       (c.holdsSids ? kSidColumn : 0) | (c.autoNumber ? kAutoNumberColumn : 0)));
    if (c.flagsExt)
        w.u8(static_cast<std::uint8_t>((*c.flagsExt & ~kCompressedUnicode) | layoutFlagsExt));
    else
        w.u8(static_cast<std::uint8_t>(layoutFlagsExt | (c.calculated ? kCalculatedColumn : 0)));
    w.u32(0);
    w.u16(fixed(c) ? c.fixedOffset : 0);
    w.u16(c.length);
}

void writeRealIndex(Writer& w, const IndexSpec& index) {
    w.u32(kRealIndexTag);
    for (std::size_t n = 0; n < kMaxKeyColumns; ++n) {
        if (n < index.columns.size()) {
            w.u16(index.columns[n]);
            w.u8(n < index.descending.size() && index.descending[n] ? kDescendingColumn : kAscendingColumn);
        } else {
            w.u16(0xFFFF);
            w.u8(0);
        }
    }
    w.u32(index.usageMap);
    w.u32(index.firstPage);
    w.u32(0);
    w.u8(static_cast<std::uint8_t>(index.flags | kIndexFlagAlways));
    w.zeros(5);
}

void writeLogicalIndex(Writer& w, const IndexSpec& index) {
    const bool foreignKey = index.relatedTableKind != 0;
    w.u32(kDefinitionTag);
    w.u32(index.logicalNumber);
    w.u32(index.realIndex);
    w.u8(index.relatedTableKind);
    w.u32(foreignKey ? index.relatedIndex : 0xFFFFFFFF);
    w.u32(foreignKey ? index.relatedTablePage : 0);
    w.u8(foreignKey ? static_cast<std::uint8_t>(index.cascadeUpdates) : kNoCascade);
    w.u8(foreignKey ? static_cast<std::uint8_t>(index.cascadeDeletes) : kNoCascade);
    w.u8(foreignKey ? kForeignKeyKind : index.primaryKey ? kPrimaryKeyKind : 0);
    w.u32(0);
}

// The definition as one run of bytes: the first page's header and the
// definition, not yet split into pages.
Bytes tableDefinition(const TableSpec& table) {
    Bytes b;
    Writer w(b);
    w.u8(kTableDefPageType);
    w.u8(0x01);
    w.u16(0);  // free space, set per page
    w.u32(0);  // next definition page, set per page
    w.u32(0);  // length of the definition, set below
    w.u32(kDefinitionTag);
    w.u32(table.rowCount);
    w.u32(0);     // next AutoNumber value: the table has none
    w.u8(0x01);   // AutoNumber flag, set in every definition Jet writes
    w.zeros(11);
    w.u32(table.system ? 0 : 0xFFFFFFFF);  // all ones in user tables, zero in system ones
    w.u8(table.system ? kSystemTable : kUserTable);
    const auto columns = static_cast<std::uint16_t>(table.columns.size());
    const auto variable = static_cast<std::uint16_t>(
        std::count_if(table.columns.begin(), table.columns.end(), [](const ColumnSpec& c) { return !fixed(c); }));
    w.u16(columns);  // most columns a row holds
    w.u16(variable);
    w.u16(columns);
    w.u32(static_cast<std::uint32_t>(table.indexes.size()));
    w.u32(static_cast<std::uint32_t>(table.realIndexes.size()));
    w.u32(table.usedPages);
    w.u32(table.freePages);
    for (std::size_t n = 0; n < table.realIndexes.size(); ++n) {
        w.u32(0);
        w.u32(table.rowCount);  // entries in the index: one per row
        w.u32(0);
    }
    for (std::size_t n = 0; n < table.columns.size(); ++n)
        writeColumn(w, table, table.columns[n], static_cast<std::uint16_t>(n));
    for (const auto& c : table.columns)
        w.name(c.name);
    for (const auto& index : table.realIndexes)
        writeRealIndex(w, index);
    for (const auto& index : table.indexes)
        writeLogicalIndex(w, index);
    for (const auto& index : table.indexes)
        w.name(index.name);
    for (const auto& c : table.columns) {
        if (!holdsLongValues(c))
            continue;
        const auto rank = static_cast<std::size_t>(std::count_if(
            table.columns.begin(), table.columns.end(),
            [&](const ColumnSpec& o) { return holdsLongValues(o) && o.number < c.number; }));
        w.u16(c.number);
        w.u32(table.longValueMaps.at(2 * rank));
        w.u32(table.longValueMaps.at(2 * rank + 1));
    }
    w.u16(0xFFFF);
    // The length counts the first page's header, not those of continuation pages.
    writeU32(&b[8], static_cast<std::uint32_t>(b.size()));
    return b;
}

// A definition page's free space as Jet 4 counts it (8 bytes less than the
// room left), and none on a full page.
std::uint16_t definitionFreeSpace(std::size_t used) {
    return static_cast<std::uint16_t>(used + 8 < kPageSize ? kPageSize - used - 8 : 0);
}

}  // namespace

bool holdsLongValues(const ColumnSpec& c) { return isLongValue(c.calculated ? c.resultType : c.type); }

Bytes tableDefinitionPage(const TableSpec& table) {
    Bytes b = tableDefinition(table);
    if (b.size() > kPageSize)
        throw internalFault("a table definition does not fit one page");
    writeU16(&b[2], definitionFreeSpace(b.size()));
    b.resize(kPageSize);
    return b;
}

std::vector<Bytes> tableDefinitionPages(const TableSpec& table, const std::function<std::uint32_t()>& nextPage) {
    return definitionPages(tableDefinition(table), nextPage);
}

Bytes realIndexEntry(const IndexSpec& index) {
    Bytes b;
    Writer w(b);
    writeRealIndex(w, index);
    return b;
}

Bytes logicalIndexEntry(const IndexSpec& index) {
    Bytes b;
    Writer w(b);
    writeLogicalIndex(w, index);
    return b;
}

Bytes definitionName(const std::string& name) {
    Bytes b;
    Writer(b).name(name);
    return b;
}

std::vector<Bytes> definitionPages(const Bytes& all, const std::function<std::uint32_t()>& nextPage) {
    constexpr std::size_t kHeader = 8;  // type, 0x01, free space, next page
    std::vector<Bytes> pages;
    std::size_t at = 0;
    while (at < all.size()) {
        Bytes page(kPageSize, 0);
        const std::size_t start = pages.empty() ? 0 : kHeader;
        const std::size_t n = std::min(kPageSize - start, all.size() - at);
        std::copy_n(all.begin() + static_cast<std::ptrdiff_t>(at), n, page.begin() + static_cast<std::ptrdiff_t>(start));
        page[0] = kTableDefPageType;
        page[1] = 0x01;
        writeU16(&page[2], definitionFreeSpace(start + n));
        if (!pages.empty())
            writeU32(&pages.back()[4], nextPage());
        pages.push_back(std::move(page));
        at += n;
    }
    return pages;
}

Bytes encodeRow(const TableSpec& table, const RowValues& values) {
    std::vector<const ColumnSpec*> byNumber(table.columns.size());
    for (const auto& c : table.columns)
        byNumber.at(c.number) = &c;
    std::size_t fixedEnd = 0;
    std::vector<const ColumnSpec*> variable;
    for (const ColumnSpec* c : byNumber) {
        if (fixed(*c)) {
            if (!isBoolean(*c))
                fixedEnd = std::max<std::size_t>(fixedEnd, c->fixedOffset + c->length);
        } else {
            variable.push_back(c);
        }
    }
    std::sort(variable.begin(), variable.end(),
              [](const ColumnSpec* x, const ColumnSpec* y) { return x->varIndex < y->varIndex; });

    Bytes row(2 + fixedEnd, 0);
    writeU16(&row[0], static_cast<std::uint16_t>(byNumber.size()));
    Bytes nullMask((byNumber.size() + 7) / 8, 0);
    const auto present = [&](const ColumnSpec& c) {
        const auto& v = values.at(c.number);
        if (!v)
            return false;
        if (isBoolean(c))
            return !v->empty() && (*v)[0] != 0;  // a boolean is its null-mask bit
        return true;
    };
    for (const ColumnSpec* c : byNumber) {
        if (present(*c))
            nullMask[c->number / 8] |= static_cast<std::uint8_t>(1u << (c->number % 8));
        if (fixed(*c) && !isBoolean(*c) && values.at(c->number))
            std::copy_n(values[c->number]->begin(), c->length, row.begin() + 2 + c->fixedOffset);
    }
    std::vector<std::uint16_t> offsets;
    for (const ColumnSpec* c : variable) {
        offsets.push_back(static_cast<std::uint16_t>(row.size()));
        if (values.at(c->number))
            row.insert(row.end(), values[c->number]->begin(), values[c->number]->end());
    }
    offsets.push_back(static_cast<std::uint16_t>(row.size()));
    // The offset table runs backwards: the end of the last value first.
    Writer w(row);
    for (auto it = offsets.rbegin(); it != offsets.rend(); ++it)
        w.u16(*it);
    w.u16(static_cast<std::uint16_t>(variable.size()));
    row.insert(row.end(), nullMask.begin(), nullMask.end());
    return row;
}

Bytes dataPage(std::uint32_t owner, const std::vector<Bytes>& rows) {
    DataPageWriter page(kPageSize, owner);
    for (const Bytes& row : rows) {
        if (!page.canAdd(row.size()))
            throw internalFault("rows do not fit one data page");
        page.add(row);
    }
    return page.bytes();
}

Bytes usageMapRow(const std::vector<std::uint32_t>& pages) {
    Bytes row(kInlineMapBitsAt + kMapBits, 0);  // inline, from page 0
    row[0] = kInlineUsageMap;
    for (const std::uint32_t p : pages)
        row.at(kInlineMapBitsAt + p / 8) |= static_cast<std::uint8_t>(1u << (p % 8));
    return row;
}

Bytes usageMapRowFrom(std::uint32_t first) {
    std::vector<std::uint32_t> pages;
    for (std::uint32_t p = first; p < kMapBits * 8; ++p)
        pages.push_back(p);
    return usageMapRow(pages);
}

Bytes leafPage(std::uint32_t owner, std::vector<LeafEntry> entries) {
    Bytes stored;
    for (auto& e : entries) {
        appendIndexRow(e.key, {e.page, e.row});
    }
    std::sort(entries.begin(), entries.end(), [](const LeafEntry& x, const LeafEntry& y) { return x.key < y.key; });
    Bytes b(kPageSize, 0);
    b[0] = kIndexLeafPageType;
    b[1] = 0x01;
    writeU32(&b[4], owner);
    // No previous, next or tail page, and no shared prefix: entries are stored whole.
    std::size_t at = 0;
    for (const auto& e : entries) {
        if (kLeafEntries + at + e.key.size() > kPageSize)
            throw internalFault("index entries do not fit one leaf page");
        std::copy(e.key.begin(), e.key.end(), b.begin() + static_cast<std::ptrdiff_t>(kLeafEntries + at));
        at += e.key.size();
        b[kLeafBitmap + at / 8] |= static_cast<std::uint8_t>(1u << (at % 8));
    }
    writeU16(&b[2], static_cast<std::uint16_t>(kPageSize - kLeafEntries - at));
    return b;
}

}  // namespace jet::create
