#include "jet/compact/CopyDatabase.h"

#include "jet/create/CatalogRows.h"
#include "jet/table/TableCursor.h"
#include "jet/table/TableDef.h"

#include <algorithm>

namespace jet {

std::vector<CatalogFields> rowsOf(const std::shared_ptr<const Database>& source, const std::string& table) {
    std::vector<CatalogFields> rows;
    if (!source->findTable(table))
        return rows;
    const auto def = source->tableDef(table);
    TableCursor cursor(source, def);
    for (bool more = cursor.moveFirst(); more; more = cursor.moveNext()) {
        CatalogFields row;
        const std::vector<Value>& values = cursor.values();
        for (std::size_t c = 0; c < values.size(); ++c)
            row.emplace_back(def->columns[c].name, values[c]);
        rows.push_back(std::move(row));
    }
    return rows;
}

std::int64_t integerOf(const CatalogFields& row, std::string_view name) {
    const auto f = std::find_if(row.begin(), row.end(), [&](const auto& field) { return field.first == name; });
    return f != row.end() && f->second.kind() == Value::Kind::Integer ? f->second.asInteger() : -1;
}

std::size_t copyQueriesAndLinks(const std::shared_ptr<const Database>& source, PageStore& dest) {
    const std::vector<CatalogFields> definitions = rowsOf(source, "MSysQueries");
    std::size_t copied = 0;
    for (const CatalogFields& object : rowsOf(source, "MSysObjects")) {
        const std::int64_t type = integerOf(object, "Type");
        const bool link = type == kAccessLinkObject && (static_cast<std::uint32_t>(integerOf(object, "Id")) & kFirstObjectId);
        if ((type != kQueryObject && !link) || integerOf(object, "ParentId") != kTablesContainerId)
            continue;
        std::string name;
        CatalogFields fields;  // dates, properties, connect string: as they were
        for (const auto& [column, value] : object)
            if (column == "Name" && value.kind() == Value::Kind::Text)
                name = value.text();
            else if (column != "Id" && column != "ParentId" && column != "Type" && column != "Owner" && column != "Flags")
                fields.emplace_back(column, value);
        const std::int64_t id = integerOf(object, "Id");
        const std::uint32_t newId =
            addCatalogObject(dest, name, type, std::max<std::int64_t>(0, integerOf(object, "Flags")), fields);
        for (CatalogFields row : definitions)
            if (integerOf(row, "ObjectId") == id) {
                row.emplace_back("ObjectId", Value::integer(static_cast<std::int32_t>(newId)));
                insertCatalogRow(dest, "MSysQueries", row);
            }
        copied += type == kQueryObject;
    }
    return copied;
}

}  // namespace jet
