#include "jet/create/CatalogRows.h"

#include "jet/create/OleNow.h"
#include "jet/table/TableCursor.h"
#include "jet/write/StoreSource.h"
#include "jet/write/TableWriter.h"

#include <algorithm>
#include <functional>
#include <vector>

namespace jet {
namespace {

using Bytes = std::vector<std::uint8_t>;

struct Ace {
    Bytes sid;
    std::int64_t acm;
};

using Field = std::function<Value(std::string_view column)>;

// Calls `visit` for each row of `table` (none when the table is missing)
// with the row's fields by name; a missing column reads as Null.
void forEachRow(const std::shared_ptr<const Database>& db, const std::string& table,
                const std::function<void(const Field&)>& visit) {
    if (!db->findTable(table))
        return;
    const auto def = db->tableDef(table);
    TableCursor cursor(db, def);
    const Field field = [&](std::string_view column) {
        Value v;
        if (const ColumnDef* c = def->findColumn(column))
            cursor.readValue(static_cast<std::size_t>(c - def->columns.data()), v);
        return v;
    };
    for (bool more = cursor.moveFirst(); more; more = cursor.moveNext())
        visit(field);
}

Bytes bytesOf(const Value& v) {
    return v.kind() == Value::Kind::Binary ? Bytes(v.bytes().begin(), v.bytes().end()) : Bytes{};
}

bool integerIs(const Value& v, std::int64_t n) { return v.kind() == Value::Kind::Integer && v.asInteger() == n; }


// The object's MSysObjects row (`fields` first, then the catalogue's own
// columns) and its MSysACEs rows, under `id` in `container`.
void addObjectRows(PageStore& store, const std::shared_ptr<const Database>& db, std::int64_t id,
                   const std::string& objectName, std::int64_t type, std::int64_t flags, const CatalogFields& fields,
                   std::int64_t container) {
    Bytes owner, engine;
    forEachRow(db, "MSysObjects", [&](const Field& field) {
        const Value name = field("Name");
        if (name.kind() == Value::Kind::Text && name.text() == "MSysDb")
            owner = bytesOf(field("Owner"));
        if (integerIs(field("Id"), container))
            engine = bytesOf(field("Owner"));
    });
    Bytes creator = engine;
    if (creator.size() == 2)
        creator[1] ^= 0x07;  // the engine's SID ends 03, the Creator account's 04

    std::vector<Ace> aces;
    std::int64_t creatorRights = 0;
    forEachRow(db, "MSysACEs", [&](const Field& field) {
        const Value inheritable = field("FInheritable");
        const Value acm = field("ACM");
        if (!integerIs(field("ObjectId"), container) || inheritable.kind() != Value::Kind::Boolean ||
            !inheritable.asBool() || acm.kind() != Value::Kind::Integer)
            return;
        Ace ace{bytesOf(field("SID")), acm.asInteger()};
        if (ace.sid == creator)
            creatorRights |= ace.acm;
        else
            aces.push_back(std::move(ace));
    });
    if (!owner.empty()) {
        // The owner's entry first, as Access lists them.
        auto own = std::find_if(aces.begin(), aces.end(), [&](const Ace& a) { return a.sid == owner; });
        Ace first = own != aces.end() ? *own : Ace{owner, 0};
        if (own != aces.end())
            aces.erase(own);
        first.acm |= creatorRights;
        if (first.acm != 0)
            aces.insert(aces.begin(), first);
    }

    const Value now = Value::dateTime(oleNow());
    CatalogFields row{{"DateCreate", now}, {"DateUpdate", now}};
    row.insert(row.end(), fields.begin(), fields.end());
    row.insert(row.end(), {{"Id", Value::integer(id)},
                           {"ParentId", Value::integer(container)},
                           {"Name", Value::text(objectName)},
                           {"Type", Value::integer(type)},
                           {"Owner", owner.empty() ? Value() : Value::binary(owner)},
                           {"Flags", Value::integer(flags)}});
    insertCatalogRow(store, "MSysObjects", row);
    if (db->findTable("MSysACEs"))
        for (const Ace& a : aces)
            insertCatalogRow(store, "MSysACEs", {{"ObjectId", Value::integer(id)},
                                       {"SID", Value::binary(a.sid)},
                                       {"ACM", Value::integer(a.acm)},
                                       {"FInheritable", Value::boolean(false)}});
}

}  // namespace

void insertCatalogRow(PageStore& store, const std::string& table, const CatalogFields& fields) {
    TableWriter writer(store, table, SystemTables::Written);
    std::vector<Value> row(writer.definition().columns.size());
    for (const auto& [name, value] : fields)
        if (const ColumnDef* c = writer.definition().findColumn(name))
            row[static_cast<std::size_t>(c - writer.definition().columns.data())] = value;
    writer.insert(row);
}

void addCatalogRows(PageStore& store, const std::string& table, std::uint32_t definitionPage) {
    addObjectRows(store, openStoreDatabase(store), definitionPage, table, kTableObject, 0, {}, kTablesContainerId);
}

std::uint32_t addCatalogObject(PageStore& store, const std::string& name, std::int64_t type, std::int64_t flags,
                               const CatalogFields& fields, std::int64_t container) {
    const auto db = openStoreDatabase(store);
    std::uint32_t id = kFirstObjectId;
    forEachRow(db, "MSysObjects", [&](const Field& field) {
        const Value v = field("Id");
        if (v.kind() == Value::Kind::Integer && static_cast<std::uint32_t>(v.asInteger()) >= id)
            id = static_cast<std::uint32_t>(v.asInteger()) + 1;
    });
    addObjectRows(store, db, static_cast<std::int32_t>(id), name, type, flags, fields, container);
    return id;
}

}  // namespace jet
