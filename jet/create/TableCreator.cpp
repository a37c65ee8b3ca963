#include "jet/create/TableCreator.h"

#include "jet/Error.h"
#include "jet/create/CatalogRows.h"
#include "jet/create/Jet4Pages.h"
#include "jet/text/Text.h"
#include "jet/write/DataPageWriter.h"
#include "jet/write/FieldValue.h"
#include "jet/write/PageAllocator.h"
#include "jet/write/StoreSource.h"
#include "jet/write/TableWriter.h"

namespace jet {
namespace {

constexpr std::size_t kMaxFields = 255;
constexpr std::size_t kMaxNameLength = 64;
constexpr std::uint16_t kMaxTextSize = 255;
constexpr std::uint8_t kMaxDecimalPrecision = 28;
constexpr std::uint16_t kMaxBinarySize = 510;  // as Access's own system tables have them

constexpr std::uint8_t kUniqueIndex = 0x01;
constexpr std::uint8_t kIgnoreNullsIndex = 0x02;
constexpr std::uint8_t kRequiredIndex = 0x08;

// Names Access allows for tables, fields and indexes: 1 to 64 characters, no
// leading space, no control character and none of . ! ` [ ].
void checkName(const std::string& name, const char* what) {
    bool valid = !name.empty() && name.front() != ' ' && textLength(name) <= kMaxNameLength &&
                 firstInvalidUtf8(name) == std::string::npos;
    for (const char c : name)
        if (static_cast<unsigned char>(c) < 0x20 || std::string_view(".!`[]").find(c) != std::string_view::npos)
            valid = false;
    if (!valid)
        throw Error(InvalidName, "'" + name + "' is not a valid " + what +
                                     " name. Make sure that it does not include invalid characters or punctuation "
                                     "and that it is not too long.");
}

bool variable(ColumnType t) {
    return t == ColumnType::Text || t == ColumnType::Binary || t == ColumnType::Memo || t == ColumnType::Ole;
}

// A database that holds a Large Number or Date/Time Extended column is no
// longer one earlier Access versions open, and Access marks it so. The only
// mark the test files show is the ACE 17 format byte (a file with a Date/Time
// Extended column), so such columns are made in ACE 17 files only; marking a
// file is left to Access.
bool creatable(ColumnType t, Version v) {
    switch (t) {
    case ColumnType::Boolean: case ColumnType::Byte: case ColumnType::Integer: case ColumnType::Long:
    case ColumnType::Currency: case ColumnType::Single: case ColumnType::Double: case ColumnType::DateTime:
    case ColumnType::Binary: case ColumnType::Text: case ColumnType::Ole: case ColumnType::Memo:
    case ColumnType::Guid: case ColumnType::Numeric: case ColumnType::AccessObjectData:
        return true;
    case ColumnType::Complex: return v >= Version::Ace12;
    case ColumnType::BigInt:
    case ColumnType::DateTimeExtended: return v >= Version::Ace17;
    default:
        return false;
    }
}

// The columns laid out: numbers in the given order, fixed values one after
// another (booleans take no room: they are their null-mask bit), variable
// ones numbered in order.
std::vector<create::ColumnSpec> layOut(const NewTable& table, Version version) {
    if (table.columns.empty())
        throw Error(InvalidArgument, "Table '" + table.name + "' needs at least one field.");
    if (table.columns.size() > kMaxFields)
        throw Error(TooManyFields, "Too many fields defined: table '" + table.name + "' would have " +
                                       std::to_string(table.columns.size()) + ", Access allows 255.");
    std::vector<create::ColumnSpec> specs;
    std::uint16_t offset = 0, varIndex = 0;
    for (const NewColumn& c : table.columns) {
        checkName(c.name, "field");
        for (const auto& earlier : specs)
            if (equalsIgnoreCase(earlier.name, c.name))
                throw Error(FieldDefinedTwice, "Cannot define field '" + c.name + "' more than once.");
        const bool unknown = !knownType(static_cast<std::uint8_t>(c.type));
        if (unknown && (c.size == 0 || c.calculated || c.autoNumber))
            throw Error(InvalidArgument, "Field '" + c.name + "' of a type Ravelin does not know (" +
                                             typeCode(static_cast<std::uint8_t>(c.type)) +
                                             ") can be made only with the size of its values, neither calculated "
                                             "nor an AutoNumber.");
        if (!unknown && !creatable(c.type, version))
            throw Error(InvalidArgument, "Ravelin does not create " + typeName(static_cast<std::uint8_t>(c.type)) +
                                             " fields in this database (field '" + c.name + "').");
        if (c.calculated && version < Version::Ace14)
            throw Error(InvalidArgument, "Ravelin does not create calculated fields in this database (field '" +
                                             c.name + "').");
        const bool sized = !c.calculated && (c.type == ColumnType::Text || c.type == ColumnType::Binary);
        const std::uint16_t most = c.type == ColumnType::Binary ? kMaxBinarySize : kMaxTextSize;
        if (sized && (c.size == 0 || c.size > most))
            throw Error(InvalidArgument, "Field '" + c.name + "' may hold 1 to " + std::to_string(most) +
                                             (c.type == ColumnType::Binary ? " bytes" : " characters") + ", not " +
                                             std::to_string(c.size) + ".");
        if (c.type == ColumnType::Numeric && !c.calculated &&
            (c.precision == 0 || c.precision > kMaxDecimalPrecision || c.scale > c.precision))
            throw Error(InvalidArgument, "Field '" + c.name + "' may have a precision of 1 to 28 digits and a scale "
                                             "of no more digits, not " + std::to_string(c.precision) + " and " +
                                             std::to_string(c.scale) + ".");
        if (c.type == ColumnType::Complex && c.complexId == 0)
            throw Error(InvalidArgument, "Ravelin makes an attachment, multi-valued or version history field only "
                                         "as a copy of one that has its values' table (field '" + c.name + "').");
        if (c.autoNumber && (c.type != ColumnType::Long || c.calculated))
            throw Error(InvalidArgument, "Field '" + c.name + "' can be an AutoNumber only as a Long.");
        create::ColumnSpec s;
        s.name = c.name;
        s.autoNumber = c.autoNumber;
        s.type = static_cast<std::uint8_t>(c.type);
        s.number = static_cast<std::uint16_t>(specs.size());
        s.compressedText = !c.calculated && (c.type == ColumnType::Text || c.type == ColumnType::Memo);
        s.precision = c.precision;
        s.scale = c.scale;
        s.calculated = c.calculated;
        s.resultType = c.resultType;
        s.fixedWidth = unknown && c.fixedWidth;
        s.complexId = c.complexId;
        s.flags = c.copiedFlags;
        s.flagsExt = c.copiedFlagsExt;
        if (unknown) {
            s.compressedText = c.compressedUnicode;
            s.length = c.size;
            if (s.fixedWidth) {
                s.fixedOffset = offset;
                offset = static_cast<std::uint16_t>(offset + c.size);
            } else {
                s.varIndex = varIndex++;
            }
        } else if (c.calculated) {
            s.varIndex = varIndex++;
            s.length = c.size;
        } else if (variable(c.type)) {
            s.varIndex = varIndex++;
            s.length = c.type == ColumnType::Text ? static_cast<std::uint16_t>(2 * c.size)
                       : c.type == ColumnType::Binary ? c.size
                                                      : 0;
        } else {
            // Access object data is as long as the column says; booleans take no room.
            const auto size = static_cast<std::uint16_t>(c.type == ColumnType::AccessObjectData ? c.size : fixedSize(s.type));
            s.fixedOffset = offset;
            s.length = c.type == ColumnType::Boolean ? 1 : size;
            offset = static_cast<std::uint16_t>(offset + size);
        }
        specs.push_back(std::move(s));
    }
    return specs;
}

// Usage-map rows put on new data pages of their own (owned by no table, as
// Access keeps them), a new page whenever one is full.
class MapRows {
public:
    explicit MapRows(PageStore& store) : store_(store), page_(store.pageSize(), 0) {}

    std::uint32_t add() {
        const create::Bytes row = create::usageMapRow({});
        if (number_ == 0 || !page_.canAdd(row.size())) {
            number_ = newPage(store_);
            page_ = DataPageWriter(store_.pageSize(), 0);
        }
        const std::uint16_t n = page_.add(row);
        store_.write(number_, page_.bytes());
        return rowPointer(number_, static_cast<std::uint8_t>(n));
    }

private:
    PageStore& store_;
    DataPageWriter page_;
    std::uint32_t number_ = 0;
};

}  // namespace

std::string describe(const NewColumn& column) {
    const std::string name = typeName(static_cast<std::uint8_t>(column.type));
    const bool sized = column.type == ColumnType::Text || column.type == ColumnType::Binary;
    if (column.type == ColumnType::Numeric)
        return name + "(" + std::to_string(column.precision) + "," + std::to_string(column.scale) + ")";
    return sized ? name + "(" + std::to_string(column.size) + ")" : name;
}

void createTable(PageStore& store, const NewTable& table) {
    const auto db = openStoreDatabase(store);
    requireWritable(db->header(), store.name());
    requireWholeGlobalMap(store);
    checkName(table.name, "table");
    if (const CatalogEntry* existing = db->findTable(table.name))
        throw Error(TableExists, "Table '" + existing->name + "' already exists.");

    create::TableSpec layout;
    layout.columns = layOut(table, db->format().version);
    // New text columns sort as the database does (Access keeps the order a
    // database was made with: General legacy in some Access 2019 files).
    layout.textSortVersion = db->header().sortOrderVersion;
    for (const NewIndex& index : table.indexes) {
        checkName(index.name, "index");
        create::IndexSpec s;
        s.name = index.name;
        for (const std::string& name : index.columns) {
            const auto c = std::find_if(layout.columns.begin(), layout.columns.end(), [&](const create::ColumnSpec& col) {
                return equalsIgnoreCase(col.name, name);
            });
            if (c == layout.columns.end())
                throw Error(InvalidArgument, "Index '" + index.name + "' names field '" + name +
                                                 "', which table '" + table.name + "' does not have.");
            if (!knownType(c->type) && !index.keysGiven)
                throw Error(InvalidArgument, "Index '" + index.name + "' names field '" + name +
                                                 "', of a type Ravelin does not know (" + typeCode(c->type) + ").");
            s.columns.push_back(c->number);
        }
        if (s.columns.empty() || s.columns.size() > 10)
            throw Error(InvalidArgument, "Index '" + index.name + "' needs 1 to 10 fields.");
        s.flags = static_cast<std::uint8_t>((index.unique ? kUniqueIndex : 0) |
                                            (index.ignoreNulls ? kIgnoreNullsIndex : 0) |
                                            (index.required ? kRequiredIndex : 0));
        s.primaryKey = index.primaryKey;
        s.descending = index.descending;
        s.logicalNumber = s.realIndex = static_cast<std::uint32_t>(layout.realIndexes.size());
        layout.realIndexes.push_back(std::move(s));
    }

    // Pages in Access's order: the definition, its usage maps, the indexes' leaves.
    const std::uint32_t definition = newPage(store);
    MapRows maps(store);
    layout.usedPages = maps.add();
    layout.freePages = maps.add();
    for (auto& index : layout.realIndexes)
        index.usageMap = maps.add();
    for (const auto& c : layout.columns)
        if (create::holdsLongValues(c)) {
            layout.longValueMaps.push_back(maps.add());
            layout.longValueMaps.push_back(maps.add());
        }
    for (auto& index : layout.realIndexes) {
        index.firstPage = allocatePage(store, index.usageMap);
        store.write(index.firstPage, create::leafPage(definition, {}));
    }
    layout.indexes = layout.realIndexes;

    std::vector<std::uint32_t> numbers{definition};
    const auto pages = create::tableDefinitionPages(layout, [&] { return numbers.emplace_back(newPage(store)); });
    for (std::size_t n = 0; n < pages.size(); ++n)
        store.write(numbers[n], pages[n]);
    addCatalogRows(store, table.name, definition);
}

}  // namespace jet
