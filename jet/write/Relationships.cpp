#include "jet/write/Relationships.h"

#include "jet/Error.h"
#include "jet/table/TableCursor.h"
#include "jet/text/Text.h"
#include "jet/write/FieldValue.h"
#include "jet/write/IndexUpdate.h"
#include "jet/write/TableWriter.h"

#include <algorithm>
#include <map>
#include <optional>

namespace jet {
namespace {

// How deep cascades may reach (a chain of rows each referring to the next).
constexpr int kMaxCascadeDepth = 1000;
thread_local int cascadeDepth = 0;

[[noreturn]] void damaged(const std::string& file, const std::string& what) {
    throw databaseDamaged(file, what);
}

std::string textOf(const Value& v) { return v.kind() == Value::Kind::Text ? v.text() : std::string(); }

std::vector<std::size_t> positionsOf(const TableDef& def, const std::vector<std::string>& names,
                                     const Relationship& r, const std::string& table, const std::string& file) {
    std::vector<std::size_t> positions;
    for (const auto& name : names) {
        const ColumnDef* c = def.findColumn(name);
        if (!c)
            damaged(file, "relationship '" + r.name + "' names column '" + name + "', which table '" + table +
                              "' does not have");
        positions.push_back(static_cast<std::size_t>(c - def.columns.data()));
    }
    return positions;
}

std::vector<Value> pick(const std::vector<Value>& row, const std::vector<std::size_t>& positions) {
    std::vector<Value> values;
    for (const std::size_t p : positions)
        values.push_back(row.at(p));
    return values;
}

bool anyNull(const std::vector<Value>& values) {
    return std::any_of(values.begin(), values.end(), [](const Value& v) { return v.isNull(); });
}

bool sameValues(const std::vector<Value>& a, const std::vector<Value>& b) {
    for (std::size_t i = 0; i < a.size(); ++i)
        if (!(a[i].isNull() && b[i].isNull()) && !jetEquals(a[i], b[i]))
            return false;
    return true;
}

}  // namespace

std::vector<Relationship> readRelationships(const std::shared_ptr<const Database>& db) {
    if (!db->findTable("MSysRelationships"))
        return {};
    const auto def = db->tableDef("MSysRelationships");
    const auto column = [&](const char* name) -> std::size_t {
        const ColumnDef* c = def->findColumn(name);
        if (!c)
            damaged(db->name(), std::string("MSysRelationships has no column ") + name);
        return static_cast<std::size_t>(c - def->columns.data());
    };
    const std::size_t name = column("szRelationship"), grbit = column("grbit"), number = column("icolumn"),
                      table = column("szObject"), field = column("szColumn"),
                      referenced = column("szReferencedObject"), referencedField = column("szReferencedColumn");
    struct Pair {
        std::int64_t number;
        std::string column, referencedColumn;
    };
    std::map<std::string, std::pair<Relationship, std::vector<Pair>>> found;
    TableCursor cursor(db, def);
    for (bool more = cursor.moveFirst(); more; more = cursor.moveNext()) {
        const auto& row = cursor.values();
        auto& [r, pairs] = found[textOf(row[name])];
        r.name = textOf(row[name]);
        r.table = textOf(row[table]);
        r.referencedTable = textOf(row[referenced]);
        r.attributes = row[grbit].kind() == Value::Kind::Integer ? static_cast<std::uint32_t>(row[grbit].asInteger()) : 0;
        pairs.push_back({row[number].kind() == Value::Kind::Integer ? row[number].asInteger() : 0, textOf(row[field]),
                         textOf(row[referencedField])});
    }
    std::vector<Relationship> relationships;
    for (auto& [key, entry] : found) {
        auto& [r, pairs] = entry;
        std::sort(pairs.begin(), pairs.end(), [](const Pair& a, const Pair& b) { return a.number < b.number; });
        for (const auto& p : pairs) {
            r.columns.push_back(p.column);
            r.referencedColumns.push_back(p.referencedColumn);
        }
        relationships.push_back(std::move(r));
    }
    return relationships;
}

namespace {

// The referenced side of a relationship: its table's key columns, compared
// as its index over exactly those columns compares them (by value where it
// has none).
struct KeyColumns {
    std::shared_ptr<const TableDef> def;
    std::vector<std::size_t> positions;  // in the relationship's order
    std::unique_ptr<IndexUpdate> index;

    KeyColumns(PageStore& store, std::shared_ptr<const TableDef> table, std::vector<std::size_t> at)
        : def(std::move(table)), positions(std::move(at)) {
        std::vector<std::uint16_t> wanted;
        for (const std::size_t p : positions)
            wanted.push_back(def->columns[p].number);
        std::sort(wanted.begin(), wanted.end());
        for (std::size_t n = 0; n < def->realIndexes.size() && !index; ++n) {
            std::vector<std::uint16_t> held;
            for (const auto& ic : def->realIndexes[n].columns)
                held.push_back(ic.columnNumber);
            std::sort(held.begin(), held.end());
            if (held == wanted && def->realIndexes[n].unique())
                index = std::make_unique<IndexUpdate>(store, *def, n);
        }
    }

    // `values` as the key columns hold them; nothing when one is Null or is
    // no value such a column can hold.
    std::optional<std::vector<Value>> convert(const std::vector<Value>& values) const {
        std::vector<Value> key;
        for (std::size_t i = 0; i < values.size(); ++i) {
            if (values[i].isNull())
                return std::nullopt;
            try {
                key.push_back(toColumnValue(def->columns[positions[i]], values[i]));
            } catch (const Error&) {
                return std::nullopt;
            }
        }
        return key;
    }

    // The index key of `key`; empty when there is no index.
    std::vector<std::uint8_t> indexKey(const std::vector<Value>& key) const {
        if (!index)
            return {};
        std::vector<Value> row(def->columns.size());
        for (std::size_t i = 0; i < key.size(); ++i)
            row[positions[i]] = key[i];
        return index->key(row);
    }

    bool same(const std::vector<Value>& a, const std::vector<Value>& b) const {
        return index ? indexKey(a) == indexKey(b) : sameValues(a, b);
    }
};

}  // namespace

struct RelationshipRules::Reference {
    Relationship relationship;
    std::vector<std::size_t> positions;  // the referring columns of this table
    KeyColumns target;
};

struct RelationshipRules::Referrer {
    Relationship relationship;
    KeyColumns key;  // this table's
    std::shared_ptr<const TableDef> table;  // the referring table
    std::vector<std::size_t> positions;     // its referring columns
};

RelationshipRules::RelationshipRules(PageStore& store, TableWriter& writer) : store_(store), writer_(writer) {
    const auto db = writer.database();
    const std::string& file = store.name();
    for (auto& r : readRelationships(db)) {
        if (!r.enforced() || r.columns.empty() || r.columns.size() != r.referencedColumns.size())
            continue;
        const bool refers = equalsIgnoreCase(r.table, writer.tableName());
        const bool referred = equalsIgnoreCase(r.referencedTable, writer.tableName());
        if (!refers && !referred)
            continue;
        const auto table = refers ? std::make_shared<TableDef>(writer.definition()) : db->tableDef(r.table);
        const auto target = referred ? std::make_shared<TableDef>(writer.definition()) : db->tableDef(r.referencedTable);
        auto positions = positionsOf(*table, r.columns, r, r.table, file);
        auto keyPositions = positionsOf(*target, r.referencedColumns, r, r.referencedTable, file);
        if (refers)
            references_.push_back(std::make_unique<Reference>(Reference{r, positions, {store, target, keyPositions}}));
        if (referred)
            referrers_.push_back(std::make_unique<Referrer>(
                Referrer{r, {store, target, std::move(keyPositions)}, table, std::move(positions)}));
    }
}

RelationshipRules::~RelationshipRules() = default;

void RelationshipRules::requireReferenced(const std::vector<Value>& row, const std::vector<Value>* old) {
    for (const auto& ref : references_) {
        const auto values = pick(row, ref->positions);
        if (anyNull(values) || (old && sameValues(values, pick(*old, ref->positions))))
            continue;
        bool found = false;
        if (const auto key = ref->target.convert(values)) {
            if (ref->target.index) {
                found = ref->target.index->contains(ref->target.indexKey(*key));
            } else {
                TableCursor cursor(writer_.database(), ref->target.def);
                for (bool more = cursor.moveFirst(); more && !found; more = cursor.moveNext())
                    found = sameValues(pick(cursor.values(), ref->target.positions), *key);
            }
        }
        if (!found)
            throw Error(RelatedRecordRequired, relatedRecordRequiredText(ref->relationship.referencedTable));
    }
}

std::vector<RelationshipRules::Follower> RelationshipRules::followers(const std::vector<Value>& old,
                                                                      const std::vector<Value>* changed) {
    std::vector<Follower> found;
    for (const auto& referrer : referrers_) {
        const KeyColumns& key = referrer->key;
        const auto oldKey = key.convert(pick(old, key.positions));
        if (!oldKey)
            continue;
        if (changed) {
            const auto newKey = key.convert(pick(*changed, key.positions));
            if (newKey && key.same(*newKey, *oldKey))
                continue;
        }
        const std::size_t before = found.size();
        TableCursor cursor(writer_.database(), referrer->table);
        for (bool more = cursor.moveFirst(); more; more = cursor.moveNext()) {
            const auto refers = key.convert(pick(cursor.values(), referrer->positions));
            if (refers && key.same(*refers, *oldKey))
                found.push_back({referrer.get(), cursor.location()});
        }
        const bool cascades = changed ? referrer->relationship.cascadeUpdates() : referrer->relationship.cascadeDeletes();
        if (found.size() > before && !cascades)
            throw Error(RelatedRecordsExist, relatedRecordsExistText(referrer->relationship.table));
    }
    return found;
}

void RelationshipRules::follow(const std::vector<Follower>& followers, const std::vector<Value>& old,
                               const std::vector<Value>* changed) {
    if (followers.empty())
        return;
    if (cascadeDepth >= kMaxCascadeDepth)
        throw Error(InvalidArgument, "Changes to related records of table '" + writer_.tableName() +
                                         "' reach deeper than " + std::to_string(kMaxCascadeDepth) + " tables.");
    struct Depth {
        Depth() { ++cascadeDepth; }
        ~Depth() { --cascadeDepth; }
        Depth(const Depth&) = delete;
        Depth& operator=(const Depth&) = delete;
    } depth;
    std::map<const Referrer*, std::unique_ptr<TableWriter>> writers;
    for (const auto& f : followers) {
        const Referrer& referrer = *f.referrer;
        const KeyColumns& key = referrer.key;
        TableWriter* w = &writer_;
        if (!equalsIgnoreCase(referrer.relationship.table, writer_.tableName())) {
            auto& made = writers[&referrer];
            if (!made)
                made = std::make_unique<TableWriter>(store_, referrer.relationship.table);
            w = made.get();
        }
        // Earlier changes of this cascade may have deleted the row or changed its reference.
        std::vector<Value> values;
        try {
            values = w->read(f.row);
        } catch (const Error& e) {
            if (e.number() == RecordDeleted)
                continue;
            throw;
        }
        const auto refers = key.convert(pick(values, referrer.positions));
        const auto oldKey = key.convert(pick(old, key.positions));
        if (!refers || !oldKey || !key.same(*refers, *oldKey))
            continue;
        if (!changed) {
            w->erase(f.row);
            continue;
        }
        for (std::size_t i = 0; i < referrer.positions.size(); ++i)
            values[referrer.positions[i]] = (*changed)[key.positions[i]];
        w->update(f.row, values);
    }
}

}  // namespace jet
