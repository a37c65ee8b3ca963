#include "jet/Database.h"

#include "jet/Error.h"
#include "jet/crypto/OfficeEncryption.h"
#include "jet/table/ColumnProperties.h"
#include "jet/table/TableCursor.h"
#include "jet/store/ConsistentOpen.h"

#include <algorithm>

namespace jet {
namespace {

constexpr std::uint32_t kCatalogPage = 2;
constexpr std::int64_t kLocalTable = 1;
constexpr std::int64_t kOdbcLink = 4;
constexpr std::int64_t kAccessLink = 6;
constexpr std::uint32_t kSystemFlags = 0x80000002u;

// `connect` with the value of any PWD= part replaced by "***".
std::string withoutPassword(std::string_view connect) {
    std::string out;
    for (std::size_t at = 0;;) {
        const std::size_t end = std::min(connect.find(';', at), connect.size());
        std::string_view part = connect.substr(at, end - at);
        const std::size_t key = part.find_first_not_of(' ');
        if (key != std::string_view::npos && equalsIgnoreCase(part.substr(key, 4), "PWD="))
            out.append(part.substr(0, key + 4)).append("***");
        else
            out.append(part);
        if (end == connect.size())
            return out;
        out += ';';
        at = end + 1;
    }
}

bool startsWithMSys(std::string_view name) {
    return name.size() >= 4 && equalsIgnoreCase(name.substr(0, 4), "MSys");
}

// Without `password`, the pages after the header page are read as `source` has them.
std::shared_ptr<Database> checkedOpen(std::unique_ptr<PageSource> source, const std::string& name,
                                      const std::string* password) {
    std::vector<std::uint8_t> head(std::min<std::uint64_t>(source->size(), 4096));
    source->read(0, head);
    const auto header = decodeHeader(head);
    if (!header)
        throw Error(NotADatabase, refusedFormatMessage(head, name));
    if (source->size() < header->format.pageSize * std::uint64_t{kCatalogPage + 1})
        throw Error(NotADatabase, "The database '" + name + "' is cut short: it is too small to hold its catalogue.");
    if (!password)
        return std::make_shared<Database>(std::move(source), name, *header);
    return std::make_shared<Database>(std::move(source), name, *header,
                                      databasePageCipher(head, *header, *password, name),
                                      hasOfficeEncryption(head, *header));
}

}  // namespace

Database::Database(std::unique_ptr<PageSource> source, std::string name, const DatabaseHeader& header,
                   std::shared_ptr<const PageCipher> cipher, bool encrypted)
    : header_(header),
      pager_(std::move(source), std::move(name), header, std::move(cipher)),
      text_(header.codePage),
      encrypted_(encrypted) {
    if (jet3() && !text_.supported())
        throw Error(NotADatabase, "The database '" + pager_.name() + "' holds text in code page " +
                                      std::to_string(header.codePage) + ", which Ravelin cannot convert.");
}

std::shared_ptr<Database> Database::open(const std::string& path, const std::string& password) {
    // The catalogue is read while no store can run.
    ConsistentOpen consistent(path);
    auto db = openSource(consistent.takeSource(), path, password);
    db->path_ = path;
    return db;
}

std::shared_ptr<Database> Database::openBytes(std::vector<std::uint8_t> bytes, std::string name,
                                              const std::string& password) {
    return openSource(memorySource(std::move(bytes)), std::move(name), password);
}

std::shared_ptr<Database> Database::openSource(std::unique_ptr<PageSource> source, std::string name,
                                               const std::string& password) {
    auto db = checkedOpen(std::move(source), name, &password);
    db->readCatalogue();
    return db;
}

std::shared_ptr<Database> Database::openDeciphered(std::unique_ptr<PageSource> source, std::string name) {
    auto db = checkedOpen(std::move(source), name, nullptr);
    db->readCatalogue();
    return db;
}

void Database::readCatalogue() {
    auto def = std::make_shared<const TableDef>(readTableDef(pager_, jet3(), kCatalogPage, text_));
    const auto column = [&](std::string_view n) -> std::size_t {
        const ColumnDef* c = def->findColumn(n);
        if (!c)
            pager_.damaged("the catalogue has no column " + std::string(n));
        return static_cast<std::size_t>(c - def->columns.data());
    };
    const std::size_t id = column("Id"), parent = column("ParentId"), name = column("Name"), type = column("Type"),
                      flags = column("Flags");
    const ColumnDef* database = def->findColumn("Database");
    const ColumnDef* connect = def->findColumn("Connect");
    const ColumnDef* foreignName = def->findColumn("ForeignName");

    TableCursor cursor(shared_from_this(), def);
    Value v;
    const auto integer = [&](std::size_t col) -> std::int64_t {
        cursor.readValue(col, v);
        return v.kind() == Value::Kind::Integer ? v.asInteger() : 0;
    };
    const auto text = [&](const ColumnDef* c) -> std::string {
        if (!c)
            return {};
        cursor.readValue(static_cast<std::size_t>(c - def->columns.data()), v);
        return v.kind() == Value::Kind::Text ? v.text() : std::string();
    };
    for (bool more = cursor.moveFirst(); more; more = cursor.moveNext()) {
        const std::int64_t kind = integer(type);
        if (kind == kOdbcLink || kind == kAccessLink) {
            links_.push_back({text(&def->columns[name]), text(foreignName), text(database), text(connect)});
            continue;
        }
        if (kind != kLocalTable)
            continue;
        CatalogEntry e;
        e.id = static_cast<std::uint32_t>(integer(id));
        e.parentId = static_cast<std::uint32_t>(integer(parent));
        e.flags = static_cast<std::uint32_t>(integer(flags));
        cursor.readValue(name, v);
        if (v.kind() != Value::Kind::Text)
            continue;
        e.name = v.text();
        e.system = (e.flags & kSystemFlags) != 0 || startsWithMSys(e.name);
        tables_.push_back(std::move(e));
    }
}

std::vector<std::string> Database::tableNames(bool includeSystem) const {
    std::vector<std::string> names;
    for (const auto& t : tables_)
        if (includeSystem || !t.system)
            names.push_back(t.name);
    return names;
}

const CatalogEntry* Database::findTable(std::string_view name) const {
    for (const auto& t : tables_)
        if (equalsIgnoreCase(t.name, name))
            return &t;
    return nullptr;
}

const LinkedTable* Database::findLink(std::string_view name) const {
    for (const auto& l : links_)
        if (equalsIgnoreCase(l.name, name))
            return &l;
    return nullptr;
}

std::string LinkedTable::describe() const {
    // An Access link's connection string is empty or only ";PWD=..."; Excel,
    // text and other ISAM links name their driver first ("Excel 8.0;...").
    const bool toAccess = connect.empty() || connect.front() == ';';
    if (!database.empty() && toAccess)
        return "link to table '" + foreignName + "' in " + database;
    return "link to '" + foreignName + "' through " + withoutPassword(connect);
}

std::shared_ptr<const TableDef> Database::tableDef(std::string_view name) const {
    const CatalogEntry* entry = findTable(name);
    if (const LinkedTable* link = entry ? nullptr : findLink(name))
        throw Error(NotCapable, "Table '" + link->name + "' of '" + pager_.name() + "' is a " + link->describe() +
                                    ": its rows are not in this file.");
    if (!entry)
        throw Error(TableNotFound, "The database '" + pager_.name() + "' has no table '" + std::string(name) + "'.");
    auto def = std::make_shared<TableDef>(readTableDef(pager_, jet3(), entry->definitionPage(), text_));
    if (std::ranges::any_of(def->columns, &ColumnDef::calculated))
        applyColumnProperties(*def, properties(*entry));
    return def;
}

std::vector<std::uint8_t> Database::properties(const CatalogEntry& table) const {
    const auto catalogue = std::make_shared<const TableDef>(readTableDef(pager_, jet3(), kCatalogPage, text_));
    const ColumnDef* id = catalogue->findColumn("Id");
    const ColumnDef* props = catalogue->findColumn("LvProp");
    if (!id || !props)
        return {};
    TableCursor cursor(shared_from_this(), catalogue);
    Value v;
    for (bool more = cursor.moveFirst(); more; more = cursor.moveNext()) {
        cursor.readValue(static_cast<std::size_t>(id - catalogue->columns.data()), v);
        if (v.kind() != Value::Kind::Integer || static_cast<std::uint32_t>(v.asInteger()) != table.id)
            continue;
        cursor.readValue(static_cast<std::size_t>(props - catalogue->columns.data()), v);
        if (v.kind() != Value::Kind::Binary)
            return {};
        return {v.bytes().begin(), v.bytes().end()};
    }
    return {};
}

}  // namespace jet
