#include "jet/compact/CopyDatabase.h"

#include "jet/create/ForeignKeyIndex.h"
#include "jet/table/TableDef.h"
#include "jet/text/Text.h"
#include "jet/write/Relationships.h"
#include "jet/write/StoreSource.h"

#include <algorithm>

namespace jet {
namespace {

constexpr std::uint8_t kReferringSide = 2;

bool textIs(const CatalogFields& row, std::string_view column, std::string_view text) {
    return std::any_of(row.begin(), row.end(), [&](const auto& field) {
        return field.first == column && field.second.kind() == Value::Kind::Text && field.second.text() == text;
    });
}

// The names of the relationship's two foreign-key indexes in the source; the
// relationship's own and none (the creator's) when the source has none.
std::pair<std::string, std::string> indexNames(const std::shared_ptr<const Database>& source, const Relationship& r) {
    const auto from = source->tableDef(r.table);
    const auto to = source->tableDef(r.referencedTable);
    const auto overColumns = [&](const LogicalIndex& index) {
        const RealIndex& real = from->realIndexes.at(index.realIndex);
        if (real.columns.size() != r.columns.size())
            return false;
        for (std::size_t n = 0; n < r.columns.size(); ++n) {
            const ColumnDef* c = from->findColumn(r.columns[n]);
            if (!c || c->number != real.columns[n].columnNumber)
                return false;
        }
        return true;
    };
    for (const LogicalIndex& index : from->indexes) {
        if (!index.foreignKey() || index.relatedTableKind != kReferringSide ||
            index.relatedTablePage != to->page || !overColumns(index))
            continue;
        const auto other = std::find_if(to->indexes.begin(), to->indexes.end(),
                                        [&](const LogicalIndex& i) { return i.number == index.relatedIndex; });
        return {index.name, other != to->indexes.end() ? other->name : std::string()};
    }
    return {r.name, {}};
}

}  // namespace

std::size_t copyRelationships(const std::shared_ptr<const Database>& source, PageStore& dest) {
    const auto relationships = readRelationships(source);
    if (relationships.empty())
        return 0;
    const auto copy = openStoreDatabase(dest);
    const auto holds = [&](const std::string& table) { return copy->findTable(table) || copy->findLink(table); };
    const auto local = [&](const std::string& table) { return copy->findTable(table) && !copy->findLink(table); };
    const std::vector<CatalogFields> rows = rowsOf(source, "MSysRelationships");
    const std::vector<CatalogFields> objects = rowsOf(source, "MSysObjects");
    // The catalogue copy may have made a relationship's row already, with
    // its permissions; it is made here only where it has not.
    const std::vector<CatalogFields> made = rowsOf(copy, "MSysObjects");
    const auto madeAlready = [&](const std::string& name) {
        return std::any_of(made.begin(), made.end(), [&](const CatalogFields& o) {
            return integerOf(o, "ParentId") == kRelationshipsContainerId && textIs(o, "Name", name);
        });
    };
    std::size_t copied = 0;
    for (const Relationship& r : relationships) {
        if (!holds(r.table) || !holds(r.referencedTable))
            continue;
        for (const CatalogFields& row : rows)
            if (textIs(row, "szRelationship", r.name))
                insertCatalogRow(dest, "MSysRelationships", row);
        for (const CatalogFields& object : objects) {
            if (madeAlready(r.name) || integerOf(object, "Type") != kRelationshipObject ||
                integerOf(object, "ParentId") != kRelationshipsContainerId || !textIs(object, "Name", r.name))
                continue;
            CatalogFields fields;  // dates and properties as they were
            for (const auto& [column, value] : object)
                if (column != "Id" && column != "ParentId" && column != "Name" && column != "Type" &&
                    column != "Owner" && column != "Flags")
                    fields.emplace_back(column, value);
            addCatalogObject(dest, r.name, kRelationshipObject, std::max<std::int64_t>(0, integerOf(object, "Flags")),
                             fields, kRelationshipsContainerId);
            break;
        }
        if (r.enforced() && local(r.table) && local(r.referencedTable)) {
            const auto [name, referencedName] = indexNames(source, r);
            addRelationshipIndexes(dest, {r.table, r.columns, name, r.referencedTable, r.referencedColumns,
                                          referencedName, r.cascadeUpdates(), r.cascadeDeletes()});
        }
        ++copied;
    }
    return copied;
}

}  // namespace jet
