#include "jet/compact/CopyDatabase.h"

#include "jet/check/CheckDatabase.h"
#include "jet/create/CreateDatabase.h"
#include "jet/create/NewFormat.h"
#include "jet/create/TableProperties.h"
#include "jet/store/Store.h"
#include "jet/table/TableCursor.h"
#include "jet/table/TableDef.h"

#include <algorithm>
#include <filesystem>

namespace jet {
namespace {

[[noreturn]] void cannotCopy(const std::string& table, const std::string& why) {
    throw Error(InvalidArgument, "Table '" + table + "' cannot be compacted yet: " + why + ".");
}

}  // namespace

NewTable newTableLike(const std::string& name, const TableDef& def) {
    NewTable table;
    table.name = name;
    for (const ColumnDef& c : def.columns) {
        NewColumn column;
        column.name = c.name;
        column.type = static_cast<ColumnType>(c.type);
        column.calculated = c.calculated;
        column.resultType = c.valueType();
        column.complexId = c.complexId;
        column.copiedFlags = c.flags;
        column.copiedFlagsExt = c.flagsExt;
        if (!knownType(c.type)) {
            // Values of an unknown type are copied as the bytes stored, which
            // is sound only for bytes held in the row itself.
            if (!c.fixedLength() && c.length == 0)
                cannotCopy(name, "field '" + c.name + "' is of a type Ravelin does not know (" + typeCode(c.type) +
                                     ") whose values may lie outside their rows");
            column.fixedWidth = c.fixedLength();
            column.compressedUnicode = c.compressedUnicode;
            column.size = c.length;
        } else if (c.calculated)
            column.size = c.length;
        else if (column.type == ColumnType::Text)
            column.size = static_cast<std::uint16_t>(c.length / 2);  // two bytes a character
        else if (column.type == ColumnType::Binary || column.type == ColumnType::AccessObjectData)
            column.size = c.length;
        column.autoNumber = c.autoNumber() && column.type == ColumnType::Long;  // the flags keep the others'
        if (column.type == ColumnType::Numeric) {
            column.precision = c.precision;
            column.scale = c.scale;
        }
        table.columns.push_back(column);
    }
    for (const LogicalIndex& logical : def.indexes) {
        if (logical.foreignKey())
            continue;
        const RealIndex& real = def.realIndexes.at(logical.realIndex);
        NewIndex index;
        index.name = logical.name;
        for (const IndexColumn& ic : real.columns) {
            const auto c = std::find_if(def.columns.begin(), def.columns.end(),
                                        [&](const ColumnDef& col) { return col.number == ic.columnNumber; });
            if (c == def.columns.end())
                cannotCopy(name, "index '" + logical.name + "' names a field the table lacks");
            index.columns.push_back(c->name);
            index.descending.push_back(!ic.ascending);
            index.keysGiven = index.keysGiven || !knownType(c->type);
        }
        index.unique = real.unique();
        index.ignoreNulls = real.ignoreNulls();
        index.required = real.required();
        index.primaryKey = logical.primaryKey();
        table.indexes.push_back(std::move(index));
    }
    return table;
}

namespace {

void requireSameKind(const Database& source, const std::string& sourcePath, const std::string& dest) {
    const Version from = source.format().version;
    if (from == Version::Jet3)
        throw Error(ReadOnlyDatabase, "'" + sourcePath + "' is a Jet 3 (Access 97) database, which Ravelin reads "
                                      "but does not write: it cannot be compacted.");
    const Version to = newDatabaseVersion(dest);
    if ((from == Version::Jet4) != (to == Version::Jet4))
        throw Error(InvalidArgument, "'" + dest + "' names a " + versionName(to) + " file, but '" + sourcePath +
                                         "' is a " + versionName(from) + " database: give the compacted copy "
                                         "the source's extension.");
}

// What the copy keeps of the source's protection (a database password, Jet's
// encoding, Office encryption), and the store options that write it so.
std::optional<KeptProtection> protectionOf(const Database& source) {
    if (source.header().databaseKey == 0 && !source.header().passwordSet)
        return std::nullopt;
    return KeptProtection{source.pager().page(0)->bytes, source.pager().cipher()};
}
StoreOptions writing(const std::optional<KeptProtection>& protection) {
    StoreOptions options;
    if (protection)
        options.protection = protection->cipher;
    return options;
}

// Whether the copy goes on without what `e` says could not be had.
bool goesOn(const Lost& lost, const std::string& table, const std::string& part, const Error& e) {
    if (!lost || (e.number() != NotADatabase && e.number() != InvalidArgument))
        return false;
    lost(table, part, e);
    return true;
}

// The hidden tables that hold complex fields' values, which a copy makes and
// fills as it does the user tables (the fields' tables themselves may be
// system tables, like MSysResources).
std::vector<std::string> complexValueTables(const std::shared_ptr<const Database>& source) {
    std::vector<std::string> names;
    if (!source->findTable("MSysComplexColumns"))
        return names;
    const auto def = source->tableDef("MSysComplexColumns");
    const ColumnDef* flat = def->findColumn("FlatTableID");
    if (!flat)
        return names;
    TableCursor cursor(source, def);
    Value id;
    for (bool more = cursor.moveFirst(); more; more = cursor.moveNext()) {
        cursor.readValue(static_cast<std::size_t>(flat - def->columns.data()), id);
        for (const CatalogEntry& table : source->tables())
            if (id.kind() == Value::Kind::Integer && table.id == static_cast<std::uint32_t>(id.asInteger()) &&
                std::find(names.begin(), names.end(), table.name) == names.end())
                names.push_back(table.name);
    }
    return names;
}

// The rows `tables` hold, as their definitions count them (none for one
// that cannot be read: a repair finds out).
std::uint64_t rowsHeld(const Database& source, const std::vector<std::string>& tables) {
    std::uint64_t rows = 0;
    for (const std::string& name : tables) {
        try {
            rows += source.tableDef(name)->storedRowCount;
        } catch (const Error&) {
        }
    }
    return rows;
}

// Pages a table's copy holds in memory before they are written (a few MB).
constexpr std::size_t kBatchBytes = std::size_t{4} << 20;

// Copies one table: its definition, its rows and its properties, in stores
// of at most about kBatchBytes each.
// `copied` is told how many rows are in, as BatchWriter tells it.
std::size_t copyTable(const std::shared_ptr<const Database>& source, const std::string& name, const std::string& dest,
                      const StoreOptions& options, const CopyRows& copyRows, const Lost& lost,
                      const std::function<void(std::size_t)>& copied) {
    const auto def = source->tableDef(name);
    const NewTable table = newTableLike(name, *def);
    std::vector<std::uint8_t> properties;
    try {
        properties = source->properties(*source->findTable(name));
    } catch (const Error& e) {
        if (!goesOn(lost, name, "properties", e))
            throw;
    }
    std::size_t rows = 0;
    runStoreInSteps(dest, kBatchBytes, [&](PageStore& store, const StoreStep& step) {
        createTable(store, table);
        {
            BatchWriter writer(store, name, step, def.get(), copied);
            rows = copyRows(name, def, writer);
        }
        if (!properties.empty())
            setPropertyBlob(store, name, properties);
    }, options);
    return rows;
}

}  // namespace

std::vector<std::uint8_t> databaseProperties(const std::shared_ptr<const Database>& source) {
    const auto catalogue = source->tableDef("MSysObjects");
    const ColumnDef* name = catalogue->findColumn("Name");
    const ColumnDef* props = catalogue->findColumn("LvProp");
    if (!name || !props)
        return {};
    TableCursor cursor(source, catalogue);
    Value v;
    for (bool more = cursor.moveFirst(); more; more = cursor.moveNext()) {
        cursor.readValue(static_cast<std::size_t>(name - catalogue->columns.data()), v);
        if (v.kind() != Value::Kind::Text || v.text() != "MSysDb")
            continue;
        cursor.readValue(static_cast<std::size_t>(props - catalogue->columns.data()), v);
        return v.kind() == Value::Kind::Binary ? std::vector<std::uint8_t>(v.bytes().begin(), v.bytes().end())
                                               : std::vector<std::uint8_t>{};
    }
    return {};
}

CompactResult copyDatabase(const std::shared_ptr<const Database>& source, const std::string& sourcePath,
                           const std::string& dest, const CopyRows& rows, const Lost& lost, const CopyOptions& copying) {
    requireSameKind(*source, sourcePath, dest);
    const std::optional<KeptProtection> protection = protectionOf(*source);
    const StoreOptions options = writing(protection);
    createEmptyDatabase(dest, source->format().version, sidMaskingOf(source), protection);
    try {
        CompactResult result;
        const std::vector<std::string> userTables = source->tableNames();
        std::vector<std::string> tables = userTables;
        for (const std::string& name : complexValueTables(source))
            if (std::find(tables.begin(), tables.end(), name) == tables.end())
                tables.push_back(name);
        const std::uint64_t total = rowsHeld(*source, tables);
        std::uint64_t done = 0;
        const auto tell = [&](std::uint64_t now) {
            if (copying.progress)
                copying.progress(now, std::max(now, total));
        };
        for (const std::string& name : tables) {
            try {
                const std::size_t copied =
                    copyTable(source, name, dest, options, rows, lost, [&](std::size_t n) { tell(done + n); });
                tell(done += copied);
                if (std::find(userTables.begin(), userTables.end(), name) != userTables.end()) {  // what users see
                    result.rows += copied;
                    ++result.tables;
                }
            } catch (const Error& e) {
                if (!goesOn(lost, name, {}, e))
                    throw;
            }
        }
        try {
            if (const auto properties = databaseProperties(source); !properties.empty())
                runStore(dest, [&](PageStore& store) { setPropertyBlob(store, "MSysDb", properties); }, options);
        } catch (const Error& e) {
            if (!goesOn(lost, "MSysDb", "properties", e))
                throw;
        }
        try {
            runStore(dest, [&](PageStore& store) { result.queries = copyQueriesAndLinks(source, store); }, options);
        } catch (const Error& e) {
            if (!goesOn(lost, "MSysObjects", "queries and links", e))
                throw;
        }
        try {
            runStore(dest, [&](PageStore& store) { result.leftOut = copyCatalogue(source, store); }, options);
            for (const std::string& name : result.leftOut)  // a repair's losses name them
                if (lost)
                    lost(name, {}, Error(InvalidArgument, "Ravelin cannot make its fields yet"));
        } catch (const Error& e) {
            if (!goesOn(lost, "MSysObjects", "Access objects and permissions", e))
                throw;
        }
        try {  // after the tables, links and navigation pane tables they join
            runStore(dest, [&](PageStore& store) { copyRelationships(source, store); }, options);
        } catch (const Error& e) {
            if (!goesOn(lost, "MSysRelationships", "relationships", e))
                throw;
        }
        const auto findings = checkDatabase(dest, RowCounts::Exact, copying.password);
        if (!findings.empty())
            throw Error(NotADatabase, "The compacted copy of '" + sourcePath + "' does not check clean: " +
                                          describe(findings.front()));
        return result;
    } catch (...) {
        std::error_code ignored;
        std::filesystem::remove(dest, ignored);
        throw;
    }
}

}  // namespace jet
