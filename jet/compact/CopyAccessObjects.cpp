#include "jet/compact/CopyDatabase.h"

#include "jet/compact/IdMap.h"
#include "jet/create/CatalogRows.h"
#include "jet/create/Jet4Header.h"
#include "jet/create/TableCreator.h"
#include "jet/page/DatabaseHeader.h"
#include "jet/page/HeaderFormat.h"
#include "jet/table/TableCursor.h"
#include "jet/table/TableDef.h"
#include "jet/write/StoreSource.h"

#include <algorithm>
#include <map>
#include <span>
#include <set>

namespace jet {
namespace {

constexpr auto kRootContainer = static_cast<std::int32_t>(kRootContainerId);
constexpr auto kTablesContainer = static_cast<std::int32_t>(kTablesContainerId);
constexpr auto kRelationshipsContainer = static_cast<std::int32_t>(kRelationshipsContainerId);
// The engine's account, which owns the Tables container of every database.
constexpr std::uint8_t kEngineSid[] = {0x02, 0x03};

// Columns of system tables that hold catalogue object ids.
struct IdColumn {
    const char* table;
    const char* column;
};
constexpr IdColumn kIdColumns[] = {
    {"MSysNavPaneGroupToObjects", "ObjectID"},  {"MSysNavPaneObjectIDs", "Id"},
    {"MSysNavPaneGroups", "ObjectID"},          {"MSysComplexColumns", "ConceptualTableID"},
    {"MSysComplexColumns", "FlatTableID"},      {"MSysComplexColumns", "ComplexTypeObjectID"},
};

using Bytes = std::vector<std::uint8_t>;

// A table's rows as read, its fields by column.
struct Rows {
    std::shared_ptr<const TableDef> def;
    std::vector<std::vector<Value>> rows;

    std::size_t column(std::string_view name) const {
        const ColumnDef* c = def ? def->findColumn(name) : nullptr;
        return c ? static_cast<std::size_t>(c - def->columns.data()) : SIZE_MAX;
    }
    static const Value& of(const std::vector<Value>& row, std::size_t column) {
        static const Value null;
        return column < row.size() ? row[column] : null;
    }
};

Rows readRows(const std::shared_ptr<const Database>& db, const std::string& table) {
    Rows r;
    if (!db->findTable(table))
        return r;
    r.def = db->tableDef(table);
    TableCursor cursor(db, r.def);
    for (bool more = cursor.moveFirst(); more; more = cursor.moveNext())
        r.rows.push_back(cursor.values());
    return r;
}

std::int32_t integerOf(const Value& v, std::int32_t otherwise = 0) {
    return v.kind() == Value::Kind::Integer ? static_cast<std::int32_t>(v.asInteger()) : otherwise;
}

struct Object {
    std::int32_t id = 0, parent = 0;
    std::string name;
    std::int64_t type = 0;
    std::size_t depth = 0;  // containers under the root are 1
    const std::vector<Value>* row = nullptr;
};

// The catalogue's objects that hang from the root, parents before children.
std::vector<Object> objectsOf(const Rows& catalogue) {
    std::map<std::int32_t, Object> byId;
    const std::size_t id = catalogue.column("Id"), parent = catalogue.column("ParentId"),
                      name = catalogue.column("Name"), type = catalogue.column("Type");
    for (const auto& row : catalogue.rows) {
        const Value& n = Rows::of(row, name);
        if (n.kind() != Value::Kind::Text)
            continue;
        Object o{integerOf(Rows::of(row, id)), integerOf(Rows::of(row, parent)), n.text(),
                 integerOf(Rows::of(row, type)), 0, &row};
        byId.emplace(o.id, std::move(o));
    }
    std::vector<Object> objects;
    for (auto& [key, o] : byId) {
        std::int32_t at = o.parent;
        for (o.depth = 1; at != kRootContainer && o.depth <= byId.size(); ++o.depth) {
            const auto up = byId.find(at);
            if (up == byId.end())
                break;
            at = up->second.parent;
        }
        if (at == kRootContainer && o.id != kRootContainer)
            objects.push_back(o);
    }
    std::stable_sort(objects.begin(), objects.end(), [](const Object& a, const Object& b) { return a.depth < b.depth; });
    return objects;
}

// Jet 4 and ACE store account SIDs masked per database (SystemCatalog.h).
// The first two bytes of the mask follow from the Tables container's owner,
// the engine's SID. A copy made like its source (sidMaskingOf) masks alike,
// and every SID is copied as it is; otherwise its mask is another, known
// only in those two bytes, and a longer SID keeps its other bytes as they were.
Bytes sidMask(const Rows& catalogue) {
    const std::size_t id = catalogue.column("Id"), owner = catalogue.column("Owner");
    for (const auto& row : catalogue.rows) {
        const Value& o = Rows::of(row, owner);
        if (integerOf(Rows::of(row, id)) != kTablesContainer || o.kind() != Value::Kind::Binary || o.bytes().size() != 2)
            continue;
        return {static_cast<std::uint8_t>(o.bytes()[0] ^ kEngineSid[0]),
                static_cast<std::uint8_t>(o.bytes()[1] ^ kEngineSid[1])};
    }
    return {};
}

Value remasked(const Value& sid, const Bytes& from, const Bytes& to) {
    if (sid.kind() != Value::Kind::Binary || from.size() != to.size())
        return sid;
    Bytes b(sid.bytes().begin(), sid.bytes().end());
    for (std::size_t n = 0; n < b.size() && n < from.size(); ++n)
        b[n] ^= from[n] ^ to[n];
    return Value::binary(b);
}

bool startsWithMSys(const std::string& name) { return name.size() > 4 && name.compare(0, 4, "MSys") == 0; }

bool isEngineContainer(std::int32_t id) { return id >= kTablesContainer && id <= kRelationshipsContainer; }

// A link numbered below kFirstObjectId keeps the linked table's definition
// on that page.
bool keepsDefinition(const Object& o) {
    return (o.type == kOdbcLinkObject || o.type == kAccessLinkObject) && !(static_cast<std::uint32_t>(o.id) & kFirstObjectId);
}

class CatalogueCopy {
public:
    CatalogueCopy(const std::shared_ptr<const Database>& source, PageStore& dest)
        : source_(source), dest_(dest), catalogue_(readRows(source, "MSysObjects")), objects_(objectsOf(catalogue_)),
          fromMask_(sidMask(catalogue_)) {
        ids_.add(kRootContainer, kRootContainer);
    }

    std::vector<std::string> run() {
        matchExisting();
        createTables();
        matchExisting();
        addObjects();
        for (const auto& [name, def] : created_)
            copyRows(name);
        updateRows();
        copyPermissions();
        std::vector<std::string> leftOut;
        for (const Object& o : objects_)
            if (!ids_.find(o.id))
                leftOut.push_back(o.name);
        return leftOut;
    }

private:
    // Maps each source object the copy already holds (by its parent and name).
    void matchExisting() {
        const Rows dest = readRows(openStoreDatabase(dest_), "MSysObjects");
        toMask_ = sidMask(dest);
        std::map<std::pair<std::int32_t, std::string>, std::int32_t> byName;
        nextId_ = kFirstObjectId;
        for (const Object& o : objectsOf(dest)) {
            byName[{o.parent, o.name}] = o.id;
            if (static_cast<std::uint32_t>(o.id) >= nextId_)
                nextId_ = static_cast<std::uint32_t>(o.id) + 1;
        }
        for (const Object& o : objects_) {
            const auto parent = ids_.find(o.parent);
            if (ids_.find(o.id) || !parent)
                continue;
            if (const auto at = byName.find({*parent, o.name}); at != byName.end())
                ids_.add(o.id, at->second);
        }
    }

    // The system tables the copy lacks, and the definitions ODBC links keep.
    void createTables() {
        for (const Object& o : objects_) {
            if (ids_.find(o.id) || o.parent != kTablesContainer)
                continue;
            std::shared_ptr<const TableDef> def;
            if (o.type == kTableObject && startsWithMSys(o.name) && source_->findTable(o.name))
                def = source_->tableDef(o.name);
            else if (keepsDefinition(o))
                def = std::make_shared<const TableDef>(readTableDef(source_->pager(), source_->jet3(),
                                                                    static_cast<std::uint32_t>(o.id), source_->textDecoder()));
            if (!def)
                continue;
            try {
                createTable(dest_, newTableLike(o.name, *def));
            } catch (const Error& e) {
                if (e.number() != InvalidArgument)
                    throw;
                continue;  // a field the creator cannot make yet: left out, and told
            }
            if (o.type == kTableObject)
                created_.emplace_back(o.name, def);
        }
    }

    // Access's containers and objects: new catalogue rows, parents first.
    // Forms, reports, macros and modules are left out with the table that
    // holds them when that could not be made.
    void addObjects() {
        const bool storageLost = std::any_of(objects_.begin(), objects_.end(), [&](const Object& o) {
            return (o.name == "MSysAccessObjects" || o.name == "MSysAccessStorage") && o.parent == kTablesContainer &&
                   !ids_.find(o.id);
        });
        for (const Object& o : objects_) {
            const auto parent = ids_.find(o.parent);
            if (ids_.find(o.id) || !parent || o.type == kTableObject || o.type == kQueryObject || keepsDefinition(o) ||
                (storageLost && o.depth > 1 && !isEngineContainer(o.parent)))
                continue;
            const auto id = static_cast<std::int32_t>(nextId_++);
            ids_.add(o.id, id);
            insertCatalogRow(dest_, "MSysObjects", remapped(o, id, *parent));
        }
    }

    // The source's row of `o` with its ids made the copy's and its owner re-masked.
    CatalogFields remapped(const Object& o, std::int32_t id, std::int32_t parent) const {
        CatalogFields fields;
        for (std::size_t c = 0; c < catalogue_.def->columns.size(); ++c)
            fields.emplace_back(catalogue_.def->columns[c].name, Rows::of(*o.row, c));
        fields.emplace_back("Id", Value::integer(id));
        fields.emplace_back("ParentId", Value::integer(parent));
        fields.emplace_back("Owner", remasked(Rows::of(*o.row, catalogue_.column("Owner")), fromMask_, toMask_));
        return fields;
    }

    // Every object the copy made otherwise gets its catalogue row as the
    // source has it: dates, flags, owner, properties, an ODBC link's type and connection.
    void updateRows() {
        TableWriter catalogue(dest_, "MSysObjects", SystemTables::Written);
        const TableDef& def = catalogue.definition();
        const auto idColumn = static_cast<std::size_t>(def.findColumn("Id") - def.columns.data());
        for (const Object& o : objects_) {
            const auto id = ids_.find(o.id);
            const auto parent = ids_.find(o.parent);
            if (!id || !parent)
                continue;
            const auto at = catalogue.find(idColumn, Value::integer(*id));
            if (!at)
                continue;
            std::vector<Value> row = catalogue.read(*at);
            bool changed = false;  // an unchanged row keeps its long values where they lie
            for (const auto& [name, value] : remapped(o, *id, *parent))
                if (const ColumnDef* c = def.findColumn(name)) {
                    Value& field = row[static_cast<std::size_t>(c - def.columns.data())];
                    if (field.kind() != value.kind() || (!value.isNull() && field.toText() != value.toText())) {
                        field = value;
                        changed = true;
                    }
                }
            if (changed)
                catalogue.update(*at, row);
        }
    }

    // A created system table's rows, byte for byte but for the object ids
    // they hold; a row naming an object the copy lacks is left out, and so is
    // one naming an object the source lacks (one deleted since): kept as it
    // was, its id could name an object new in the copy.
    void copyRows(const std::string& table) {
        const Rows rows = readRows(source_, table);
        std::vector<std::size_t> idColumns;
        for (const IdColumn& c : kIdColumns)
            if (table == c.table && rows.column(c.column) != SIZE_MAX)
                idColumns.push_back(rows.column(c.column));
        TableWriter writer(dest_, table, SystemTables::Written, rows.def.get());
        for (std::vector<Value> row : rows.rows) {
            bool keep = true;
            for (const std::size_t c : idColumns) {
                const std::int32_t id = integerOf(row[c], 0);
                if (id == 0)  // no object
                    continue;
                const auto to = ids_.find(id);
                keep = keep && to.has_value();
                if (to)
                    row[c] = Value::integer(*to);
            }
            if (keep)
                writer.insert(row);
        }
    }

    // The source's permissions of every object it copied, in place of those
    // the copy gave the object.
    void copyPermissions() {
        const Rows aces = readRows(source_, "MSysACEs");
        const std::size_t objectColumn = aces.column("ObjectId"), sidColumn = aces.column("SID");
        if (objectColumn == SIZE_MAX || !openStoreDatabase(dest_)->findTable("MSysACEs"))
            return;
        TableWriter writer(dest_, "MSysACEs", SystemTables::Written);
        const TableDef& def = writer.definition();
        const auto destObject = static_cast<std::size_t>(def.findColumn("ObjectId") - def.columns.data());
        std::set<std::int32_t> replaced;
        for (const auto& row : aces.rows) {
            const auto id = ids_.find(integerOf(Rows::of(row, objectColumn), -1));
            if (!id)
                continue;
            if (replaced.insert(*id).second)
                while (const auto at = writer.find(destObject, Value::integer(*id)))
                    writer.erase(*at);
            std::vector<Value> copy(def.columns.size());
            for (std::size_t c = 0; c < aces.def->columns.size(); ++c)
                if (const ColumnDef* to = def.findColumn(aces.def->columns[c].name))
                    copy[static_cast<std::size_t>(to - def.columns.data())] =
                        c == sidColumn ? remasked(row[c], fromMask_, toMask_) : row[c];
            copy[destObject] = Value::integer(*id);
            writer.insert(copy);
        }
    }

    std::shared_ptr<const Database> source_;
    PageStore& dest_;
    const Rows catalogue_;
    const std::vector<Object> objects_;
    const Bytes fromMask_;
    Bytes toMask_;
    IdMap ids_;
    std::uint32_t nextId_ = kFirstObjectId;
    std::vector<std::pair<std::string, std::shared_ptr<const TableDef>>> created_;
};

}  // namespace

std::optional<create::SidMasking> sidMaskingOf(const std::shared_ptr<const Database>& source) {
    const DatabaseHeader& h = source->header();
    if (h.format.version == Version::Jet3)
        return std::nullopt;
    Bytes start;
    try {
        start = sidMask(readRows(source, "MSysObjects"));
    } catch (const Error&) {  // a damaged catalogue: its repair reports what it loses
        return std::nullopt;
    }
    if (start.size() != 2)
        return std::nullopt;
    const create::SidMasking masking{h.creationDate, h.securityTag, h.sortOrderVersion, {start[0], start[1]}};
    // Only when the creator's header, protected as the source, would be the
    // source's enciphered area byte for byte: another code page or sort order
    // may mask otherwise.
    Bytes made = create::headerPage(
        {masking.creationDate, masking.securityTag, static_cast<std::uint8_t>(h.format.version), masking.sortVersion});
    const std::span<const std::uint8_t> stored(source->pager().page(0)->bytes);
    if (stored.size() >= kHeaderProbeSize)
        create::keepProtection(made, stored);
    const auto area = [](std::span<const std::uint8_t> b) { return b.subspan(kHeaderCipherAt, headerCipherLength(false)); };
    if (stored.size() < kHeaderProbeSize || !std::ranges::equal(area(made), area(stored)))
        return std::nullopt;
    return masking;
}

std::vector<std::string> copyCatalogue(const std::shared_ptr<const Database>& source, PageStore& dest) {
    return CatalogueCopy(source, dest).run();
}

}  // namespace jet
