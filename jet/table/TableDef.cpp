#include "jet/table/TableDef.h"

#include "jet/page/PageFormat.h"
#include "jet/table/ColumnType.h"
#include "jet/table/DataPage.h"

#include <algorithm>
#include <string>
#include <unordered_set>

namespace jet {
namespace {

// Bits of a Jet 4 column's second flag byte that mark a calculated column.
constexpr std::uint8_t kCalculatedFlags = 0xC0;

// The definition may continue on further pages, each with an 8-byte header.
std::vector<std::uint8_t> gatherPages(const Pager& pager, std::uint32_t first) {
    std::vector<std::uint8_t> bytes;
    std::unordered_set<std::uint32_t> seen;
    std::uint32_t number = first;
    while (number != 0) {
        if (!seen.insert(number).second)
            pager.damaged("the definition of the table at page " + std::to_string(first) + " runs in a circle");
        const PageRef page = pager.page(number);
        if (page->bytes[0] != kTableDefPageType)
            pager.damaged("page " + std::to_string(number) + " should hold a table definition but does not");
        bytes.insert(bytes.end(), page->bytes.begin() + (bytes.empty() ? 0 : 8), page->bytes.end());
        number = readU32(&page->bytes[4]);
    }
    return bytes;
}

class NameReader {
public:
    NameReader(const CheckedBytes& b, bool jet3, const CodePageDecoder& decoder)
        : b_(b), jet3_(jet3), decoder_(decoder) {}

    std::string read(std::size_t& at) const {
        const std::size_t length = jet3_ ? b_.u8(at) : b_.u16(at);
        at += jet3_ ? 1 : 2;
        const auto bytes = b_.slice(at, length);
        at += length;
        std::string name;
        if (jet3_)
            decoder_.append(bytes, name);
        else
            appendUcs2Text(bytes, name);
        return name;
    }

private:
    const CheckedBytes& b_;
    bool jet3_;
    const CodePageDecoder& decoder_;
};

void requireRoom(const CheckedBytes& b, std::size_t at, std::uint64_t count, std::size_t size, const char* what) {
    if (at > b.size() || count * size > b.size() - at)
        b.fail(std::to_string(count) + " " + what + " do not fit in the definition");
}

}  // namespace

const ColumnDef* TableDef::findColumn(std::string_view name) const {
    for (const auto& c : columns)
        if (equalsIgnoreCase(c.name, name))
            return &c;
    return nullptr;
}

TableDef readTableDef(const Pager& pager, bool jet3, std::uint32_t page, const CodePageDecoder& names) {
    const std::vector<std::uint8_t> buffer = gatherPages(pager, page);
    const CheckedBytes b(buffer, pager, "the table definition", page);
    const TableDefLayout& L = jet3 ? kJet3TableDef : kJet4TableDef;
    const NameReader nameReader(b, jet3, names);

    TableDef t;
    t.page = page;
    t.storedRowCount = b.u32(L.rowCount);
    t.nextAutoNumber = b.u32(L.autoNumber);
    if (L.complexKey != 0)
        t.lastComplexKey = b.u32(L.complexKey);
    t.tableType = b.u8(L.tableType);
    t.maxColumns = b.u16(L.maxColumns);
    t.varColumnCount = b.u16(L.varColumns);
    const std::uint16_t columnCount = b.u16(L.columnCount);
    const std::uint32_t indexCount = b.u32(L.indexCount);
    const std::uint32_t realIndexCount = b.u32(L.realIndexCount);
    t.usedPagesPointer = b.u32(L.usedPages);
    t.freePagesPointer = b.u32(L.freePages);

    std::size_t at = L.realIndexEntries;
    requireRoom(b, at, realIndexCount, L.realIndexEntrySize, "index entries");
    t.realIndexes.resize(realIndexCount);
    for (auto& real : t.realIndexes) {
        real.entryCount = b.u32(at + 4);
        at += L.realIndexEntrySize;
    }

    requireRoom(b, at, columnCount, L.columnSize, "columns");
    t.columns.resize(columnCount);
    for (auto& c : t.columns) {
        c.type = b.u8(at);
        if (jet3) {
            c.number = b.u16(at + 1);
            c.varIndex = b.u16(at + 3);
            c.sortOrder = b.u16(at + 9);
            c.codePage = b.u16(at + 11);
            c.precision = b.u8(at + 9);
            c.scale = b.u8(at + 10);
            c.flags = b.u8(at + 13);
            c.fixedOffset = b.u16(at + 14);
            c.length = b.u16(at + 16);
        } else {
            c.number = b.u16(at + 5);
            c.varIndex = b.u16(at + 7);
            c.precision = b.u8(at + 11);
            c.scale = b.u8(at + 12);
            c.sortOrder = b.u16(at + 11);
            c.sortOrderVersion = b.u8(at + 14);
            c.complexId = b.u32(at + 11);
            c.flags = b.u8(at + 15);
            c.flagsExt = b.u8(at + 16);
            c.compressedUnicode = b.u8(at + 16) & 0x01;
            c.calculated = (b.u8(at + 16) & kCalculatedFlags) == kCalculatedFlags;
            c.fixedOffset = b.u16(at + 21);
            c.length = b.u16(at + 23);
        }
        at += L.columnSize;
    }
    for (auto& c : t.columns)
        c.name = nameReader.read(at);
    // Definitions list columns in their own order; rows and users see them by number.
    std::stable_sort(t.columns.begin(), t.columns.end(),
                     [](const ColumnDef& x, const ColumnDef& y) { return x.number < y.number; });

    requireRoom(b, at, realIndexCount, L.realIndexSize, "indexes");
    for (auto& real : t.realIndexes) {
        const std::size_t base = at + (jet3 ? 0 : 4);
        for (int n = 0; n < 10; ++n) {
            const std::uint16_t column = b.u16(base + 3 * n);
            if (column != 0xFFFF)
                real.columns.push_back({column, b.u8(base + 3 * n + 2) == 0x01});
        }
        real.usageMapPointer = b.u32(base + 30);
        real.firstPage = b.u32(base + 34);
        real.flags = b.u8(base + (jet3 ? 38 : 42));
        at += L.realIndexSize;
    }

    requireRoom(b, at, indexCount, L.logicalIndexSize, "logical indexes");
    t.indexes.resize(indexCount);
    for (auto& index : t.indexes) {
        const std::size_t base = at + L.logicalIndexStart;
        index.number = b.u32(base);
        index.realIndex = b.u32(base + 4);
        index.relatedTableKind = b.u8(base + 8);
        index.relatedIndex = b.u32(base + 9);
        index.relatedTablePage = b.u32(base + 13);
        index.cascadeUpdates = b.u8(base + 17) != 0;
        index.cascadeDeletes = b.u8(base + 18) != 0;
        index.kind = b.u8(base + 19);
        if (index.realIndex >= realIndexCount)
            b.fail("a logical index refers to real index " + std::to_string(index.realIndex) + " of " +
                   std::to_string(realIndexCount));
        at += L.logicalIndexSize;
    }
    for (auto& index : t.indexes)
        index.name = nameReader.read(at);
    return t;
}

}  // namespace jet
