#include "jet/create/ForeignKeyIndex.h"

#include "jet/Error.h"
#include "jet/create/Jet4Pages.h"
#include "jet/table/TableCursor.h"
#include "jet/table/TableDef.h"
#include "jet/text/Text.h"
#include "jet/write/DataPageWriter.h"
#include "jet/write/FieldValue.h"
#include "jet/write/IndexUpdate.h"
#include "jet/write/PageAllocator.h"
#include "jet/write/StoreSource.h"
#include "jet/write/TableWriter.h"

#include <algorithm>

namespace jet {
namespace {

using Bytes = std::vector<std::uint8_t>;
constexpr const TableDefLayout& L = kJet4TableDef;
constexpr std::size_t kPageHeader = 8;  // a continuation page's type, 0x01, free space, next page
constexpr std::size_t kDefinitionLength = 8;
constexpr std::size_t kMaxNameLength = 64;
constexpr std::size_t kMaxKeyColumns = 10;

// A table definition as one run of bytes (the first page's header included)
// and the pages it was read from.
struct Definition {
    Bytes bytes;
    std::vector<std::uint32_t> pages;
};

Definition readDefinition(const PageStore& store, std::uint32_t first) {
    Definition d;
    for (std::uint32_t page = first; page != 0;) {
        if (std::find(d.pages.begin(), d.pages.end(), page) != d.pages.end() || page >= store.pageCount())
            throw Error(NotADatabase, "The definition at page " + std::to_string(first) + " runs in a circle.");
        const Bytes bytes = store.read(page);
        d.bytes.insert(d.bytes.end(), bytes.begin() + static_cast<std::ptrdiff_t>(d.pages.empty() ? 0 : kPageHeader),
                       bytes.end());
        d.pages.push_back(page);
        page = readU32(&bytes[4]);
    }
    d.bytes.resize(readU32(&d.bytes[kDefinitionLength]));
    return d;
}

void writeDefinition(PageStore& store, const Definition& d) {
    std::size_t used = 1;
    const auto pages = create::definitionPages(d.bytes, [&] {
        return used < d.pages.size() ? d.pages[used++] : newPage(store);
    });
    std::vector<std::uint32_t> numbers = d.pages;
    for (std::size_t n = 0; n < pages.size(); ++n) {
        if (n >= numbers.size())
            numbers.push_back(readU32(&pages[n - 1][4]));
        store.write(numbers[n], pages[n]);
    }
}

// Where the parts of a Jet 4 definition that grow end.
struct Parts {
    std::size_t realEntries, realIndexes, logicalIndexes, logicalNames;
};

Parts partsOf(const Bytes& b) {
    const auto names = [&](std::size_t at, std::size_t count) {
        for (std::size_t n = 0; n < count; ++n) {
            (void)b.at(at + 1);  // the length is there
            at += 2 + readU16(&b[at]);
        }
        return at;
    };
    const std::uint32_t real = readU32(&b.at(L.realIndexCount));
    Parts p;
    p.realEntries = L.realIndexEntries + L.realIndexEntrySize * real;
    const std::size_t columns = readU16(&b.at(L.columnCount));
    p.realIndexes = names(p.realEntries + L.columnSize * columns, columns) + L.realIndexSize * real;
    p.logicalIndexes = p.realIndexes + L.logicalIndexSize * readU32(&b.at(L.indexCount));
    p.logicalNames = names(p.logicalIndexes, readU32(&b.at(L.indexCount)));
    if (p.logicalNames > b.size())
        throw Error(NotADatabase, "A table definition is shorter than its parts.");
    return p;
}

void insertAt(Bytes& b, std::size_t at, const Bytes& part) { b.insert(b.begin() + static_cast<std::ptrdiff_t>(at), part.begin(), part.end()); }
void addToCount(Bytes& b, std::size_t at) { writeU32(&b[at], readU32(&b[at]) + 1); }

// Access lists a definition's logical indexes by name, letter case ignored
// (their numbers stay as given).
bool sortsBefore(std::string_view a, std::string_view b) {
    std::u16string x, y;
    appendUtf16(a, x);
    appendUtf16(b, y);
    return std::lexicographical_compare(x.begin(), x.end(), y.begin(), y.end(), [](char16_t c, char16_t d) {
        return foldCase(c) < foldCase(d);
    });
}

// Where the logical index entry and the name of a new index named `name` go.
std::pair<std::size_t, std::size_t> logicalPlace(const Bytes& b, const Parts& parts, const TableDef& def,
                                                 const std::string& name) {
    std::size_t before = 0;
    while (before < def.indexes.size() && sortsBefore(def.indexes[before].name, name))
        ++before;
    std::size_t nameAt = parts.logicalIndexes;
    for (std::size_t n = 0; n < before; ++n)
        nameAt += 2 + readU16(&b.at(nameAt));
    return {parts.realIndexes + L.logicalIndexSize * before, nameAt};
}

std::uint32_t nextLogicalNumber(const TableDef& def) {
    std::uint32_t next = 0;
    for (const LogicalIndex& i : def.indexes)
        next = std::max(next, i.number + 1);
    return next;
}

// A usage-map row for a new index: beside the table's own maps while their
// page has room, else on a page of its own.
std::uint32_t addMapRow(PageStore& store, std::uint32_t besideMap) {
    const Bytes row = create::usageMapRow({});
    const std::uint32_t page = rowPointer(besideMap).page;
    std::optional<DataPageWriter> writer;
    if (page != 0 && page < store.pageCount())
        writer = DataPageWriter::parse(store.read(page));
    const bool beside = writer && writer->canAdd(row.size());
    const std::uint32_t number = beside ? page : newPage(store);
    if (!beside)
        writer.emplace(store.pageSize(), 0);
    const std::uint16_t n = writer->add(row);
    store.write(number, writer->bytes());
    return rowPointer(number, static_cast<std::uint8_t>(n));
}

// A new real index over `columns`, filled from the table's rows; returns it
// with the count of its entries.
std::pair<RealIndex, std::uint32_t> newRealIndex(PageStore& store, const std::shared_ptr<const Database>& db,
                                                 const std::shared_ptr<const TableDef>& def,
                                                 const std::vector<IndexColumn>& columns) {
    RealIndex real;
    real.columns = columns;
    real.usageMapPointer = addMapRow(store, def->usedPagesPointer);
    real.firstPage = allocatePage(store, real.usageMapPointer);
    store.write(real.firstPage, create::leafPage(def->page, {}));
    TableDef with = *def;
    with.realIndexes.push_back(real);
    IndexUpdate update(store, with, with.realIndexes.size() - 1);
    std::vector<std::pair<Bytes, RowLocation>> entries;  // all read before the tree changes
    TableCursor cursor(db, def);
    for (bool more = cursor.moveFirst(); more; more = cursor.moveNext())
        if (update.holds(cursor.values()))
            entries.emplace_back(update.key(cursor.values()), cursor.location());
    for (const auto& [key, row] : entries)
        update.insert(key, row);
    return {real, static_cast<std::uint32_t>(entries.size())};
}

}  // namespace

std::uint32_t addForeignKeyIndex(PageStore& store, const std::string& table, const ForeignKeyIndex& index) {
    const auto db = openStoreDatabase(store);
    requireWritable(db->header(), store.name());
    const auto def = db->tableDef(table);
    const auto refuse = [&](const std::string& why) {
        throw Error(InvalidArgument, "Cannot add index '" + index.name + "' to table '" + table + "': " + why + ".");
    };
    if (index.name.empty() || textLength(index.name) > kMaxNameLength)
        refuse("the name must have 1 to 64 characters");
    if (std::any_of(def->indexes.begin(), def->indexes.end(),
                    [&](const LogicalIndex& i) { return equalsIgnoreCase(i.name, index.name); }))
        refuse("the table has an index of that name");
    if (index.columns.empty() || index.columns.size() > kMaxKeyColumns)
        refuse("an index has 1 to 10 fields");
    std::vector<IndexColumn> columns;
    for (const std::string& name : index.columns) {
        const ColumnDef* c = def->findColumn(name);
        if (!c)
            refuse("the table has no field '" + name + "'");
        columns.push_back({c->number, true});
    }
    const auto sameColumns = [&](const RealIndex& r) {
        return r.columns.size() == columns.size() &&
               std::equal(columns.begin(), columns.end(), r.columns.begin(), [](const IndexColumn& a, const IndexColumn& b) {
                   return a.columnNumber == b.columnNumber && b.ascending;
               });
    };
    // The referred-to side needs a unique index on its fields; the referring
    // side uses any index on its fields, or one made for it.
    const auto found = std::find_if(def->realIndexes.begin(), def->realIndexes.end(), [&](const RealIndex& r) {
        return sameColumns(r) && (!index.referenced || r.unique());
    });
    if (index.referenced && found == def->realIndexes.end())
        refuse("no unique index is on the referenced fields");

    Definition d = readDefinition(store, def->page);
    Parts parts = partsOf(d.bytes);
    create::IndexSpec logical;
    logical.logicalNumber = nextLogicalNumber(*def);
    logical.realIndex = static_cast<std::uint32_t>(found - def->realIndexes.begin());
    logical.relatedTableKind = index.referenced ? 1 : 2;
    logical.relatedIndex = index.relatedIndex;
    logical.relatedTablePage = index.relatedTablePage;
    logical.cascadeUpdates = index.cascadeUpdates;
    logical.cascadeDeletes = index.cascadeDeletes;
    // From the end backwards, so that the earlier parts stay where they are.
    const auto [entryAt, nameAt] = logicalPlace(d.bytes, parts, *def, index.name);
    insertAt(d.bytes, nameAt, create::definitionName(index.name));
    insertAt(d.bytes, entryAt, create::logicalIndexEntry(logical));
    addToCount(d.bytes, L.indexCount);
    if (found == def->realIndexes.end()) {
        const auto [real, entries] = newRealIndex(store, db, def, columns);
        create::IndexSpec entry;
        for (const IndexColumn& c : columns)
            entry.columns.push_back(c.columnNumber);
        entry.usageMap = real.usageMapPointer;
        entry.firstPage = real.firstPage;
        insertAt(d.bytes, parts.realIndexes, create::realIndexEntry(entry));
        Bytes counts(L.realIndexEntrySize, 0);
        writeU32(&counts[4], entries);
        insertAt(d.bytes, parts.realEntries, counts);
        addToCount(d.bytes, L.realIndexCount);
    }
    writeU32(&d.bytes[kDefinitionLength], static_cast<std::uint32_t>(d.bytes.size()));
    writeDefinition(store, d);
    return logical.logicalNumber;
}

void addRelationshipIndexes(PageStore& store, const RelationshipIndexes& r) {
    if (r.columns.size() != r.referencedColumns.size())
        throw Error(InvalidArgument, "Relationship '" + r.name + "' pairs " + std::to_string(r.columns.size()) +
                                         " fields with " + std::to_string(r.referencedColumns.size()) + ".");
    const auto db = openStoreDatabase(store);
    const auto from = db->tableDef(r.table);
    const auto to = db->tableDef(r.referencedTable);
    const std::uint32_t fromNumber = nextLogicalNumber(*from);
    const std::uint32_t toNumber = from->page == to->page ? fromNumber + 1 : nextLogicalNumber(*to);
    std::string referencedName = r.referencedName;
    if (referencedName.empty())
        referencedName = toNumber < 26 ? std::string(".r") + static_cast<char>('A' + toNumber)
                                       : ".r" + std::to_string(toNumber);
    addForeignKeyIndex(store, r.table,
                       {r.name, r.columns, false, to->page, toNumber, r.cascadeUpdates, r.cascadeDeletes});
    addForeignKeyIndex(store, r.referencedTable,
                       {referencedName, r.referencedColumns, true, from->page, fromNumber, r.cascadeUpdates,
                        r.cascadeDeletes});
}

}  // namespace jet
