#include "jet/table/ComplexValues.h"

#include "jet/Error.h"
#include "jet/table/ColumnType.h"
#include "jet/table/TableCursor.h"

#include <cstdio>
#include <utility>

namespace jet {
namespace {

[[noreturn]] void cannot(const std::string& why) { throw Error(NotCapable, why); }

const CatalogEntry& tableWithId(const Database& db, std::int64_t id, const std::string& what) {
    for (const CatalogEntry& t : db.tables())
        if (t.id == static_cast<std::uint32_t>(id))
            return t;
    cannot("its " + what + " (object " + std::to_string(id) + ") is missing");
}

std::size_t indexOf(const TableDef& def, const ColumnDef& column) {
    return static_cast<std::size_t>(&column - def.columns.data());
}

// The flat table's and the type table's object ids for `complexId`.
std::pair<std::int64_t, std::int64_t> catalogueEntry(const std::shared_ptr<const Database>& db,
                                                     std::uint32_t complexId) {
    if (!db->findTable("MSysComplexColumns"))
        cannot("the database has no MSysComplexColumns table");
    const auto def = db->tableDef("MSysComplexColumns");
    const ColumnDef* id = def->findColumn("ComplexID");
    const ColumnDef* flat = def->findColumn("FlatTableID");
    const ColumnDef* type = def->findColumn("ComplexTypeObjectID");
    if (!id || !flat || !type)
        cannot("MSysComplexColumns lacks a column it should have");
    TableCursor cursor(db, def);
    const auto integer = [&](const ColumnDef& c) {
        const Value& v = cursor.values()[indexOf(*def, c)];
        return v.kind() == Value::Kind::Integer ? v.asInteger() : -1;
    };
    for (bool more = cursor.moveFirst(); more; more = cursor.moveNext())
        if (integer(*id) == complexId)
            return {integer(*flat), integer(*type)};
    cannot("MSysComplexColumns has no entry for it");
}

// The columns of the type table that make one item, in the order they are shown.
std::vector<const ColumnDef*> itemColumns(const CatalogEntry& type, const TableDef& def) {
    const auto ofType = [&](ColumnType t) -> const ColumnDef* {
        for (const ColumnDef& c : def.columns)
            if (c.type == static_cast<std::uint8_t>(t))
                return &c;
        return nullptr;
    };
    std::vector<const ColumnDef*> parts;
    if (type.name == "MSysComplexType_Attachment")
        parts = {def.findColumn("FileName")};
    else if (type.name.starts_with("MSysComplexTypeVH_"))
        parts = {ofType(ColumnType::DateTime), ofType(ColumnType::Memo)};
    else if (type.name.starts_with("MSysComplexType_"))
        parts = {def.findColumn("Value")};
    else
        cannot("its complex type " + type.name + " is not one Ravelin knows");
    for (const ColumnDef* c : parts) {
        if (!c)
            cannot("its complex type " + type.name + " lacks a column it should have");
        if (!knownType(c->type)) {
            char hex[8];
            std::snprintf(hex, sizeof hex, "0x%02X", c->type);
            cannot("its values are of a type Ravelin does not know (" + std::string(hex) + ")");
        }
    }
    return parts;
}

}  // namespace

ComplexValues ComplexValues::read(const std::shared_ptr<const Database>& db, const ColumnDef& column) {
    const auto [flatId, typeId] = catalogueEntry(db, column.complexId);
    const CatalogEntry& type = tableWithId(*db, typeId, "complex type");
    const auto flat = db->tableDef(tableWithId(*db, flatId, "table of values").name);
    const auto typeDef = db->tableDef(type.name);

    std::vector<std::size_t> parts;
    for (const ColumnDef* part : itemColumns(type, *typeDef)) {
        const ColumnDef* c = flat->findColumn(part->name);
        if (!c)
            cannot("its table of values lacks the column " + part->name);
        parts.push_back(indexOf(*flat, *c));
    }
    const ColumnDef* key = nullptr;
    for (const ColumnDef& c : flat->columns)
        if (!key && c.type == static_cast<std::uint8_t>(ColumnType::Long) && !c.autoNumber() &&
            !typeDef->findColumn(c.name))
            key = &c;
    if (!key)
        cannot("its table of values has no column naming the row a value belongs to");

    // Only the columns that make items are read: an attachment's data may be large.
    ComplexValues values;
    TableCursor cursor(db, flat);
    Value owner, v;
    for (bool more = cursor.moveFirst(); more; more = cursor.moveNext()) {
        cursor.readValue(indexOf(*flat, *key), owner);
        if (owner.kind() != Value::Kind::Integer)
            continue;
        std::string item;
        for (const std::size_t part : parts) {
            cursor.readValue(part, v);
            if (!item.empty())
                item += ' ';
            if (!v.isNull())
                item += v.toText();
        }
        values.items_[owner.asInteger()].push_back(std::move(item));
    }
    return values;
}

const std::vector<std::string>& ComplexValues::items(std::int64_t key) const {
    static const std::vector<std::string> kNone;
    const auto found = items_.find(key);
    return found == items_.end() ? kNone : found->second;
}

}  // namespace jet
