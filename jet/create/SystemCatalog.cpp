#include "jet/create/SystemCatalog.h"

#include "jet/Error.h"
#include "jet/create/Jet4Header.h"
#include "jet/create/NewFormat.h"
#include "jet/index/IndexKey.h"
#include "jet/page/PageFormat.h"
#include "jet/table/ColumnType.h"

#include <array>
#include <bit>

namespace jet::create {
namespace {

// Where everything lies: the page of each part of the file.
enum PageNumber : std::uint32_t {
    kHeader = 0,
    kGlobalMaps = 1,       // the global usage map rows
    kObjectsDef = 2,       // MSysObjects, the catalogue
    kAcesDef = 3,          // MSysACEs, the permissions
    kQueriesDef = 4,       // MSysQueries
    kRelationshipsDef = 5, // MSysRelationships
    kMaps = 6,             // the usage map rows of every table and index
    kObjectsByParentName = 7,
    kObjectsById = 8,
    kAcesByObject = 9,
    kQueriesByObject = 10,
    kRelationshipsByName = 11,
    kRelationshipsByObject = 12,
    kRelationshipsByReferenced = 13,
    kObjectsData = 14,
    kAcesData = 15,
    kPageCount = 16,
};

// The rows of the usage map page, in order; each table and index names its
// maps by their row pointer.
enum MapRow : std::uint8_t {
    kObjectsUsed, kObjectsFree,
    kObjectsLongValues,  // 7 memo/OLE columns, a pair of maps each
    kObjectsByParentNameMap = kObjectsLongValues + 14, kObjectsByIdMap,
    kAcesUsed, kAcesFree, kAcesByObjectMap,
    kQueriesUsed, kQueriesFree, kQueriesExpressionUsed, kQueriesExpressionFree, kQueriesByObjectMap,
    kRelationshipsUsed, kRelationshipsFree,
    kRelationshipsByNameMap, kRelationshipsByObjectMap, kRelationshipsByReferencedMap,
    kMapRows,
};

std::uint32_t map(std::uint8_t row) { return rowPointer(kMaps, row); }

constexpr auto T(ColumnType t) { return static_cast<std::uint8_t>(t); }

// A fixed-width column, a variable one, a memo or OLE column.
ColumnSpec fixedColumn(const char* name, ColumnType type, std::uint16_t number, std::uint16_t offset) {
    return {name, T(type), number, 0, offset, static_cast<std::uint16_t>(type == ColumnType::Boolean ? 1 : fixedSize(T(type))), false};
}
ColumnSpec varColumn(const char* name, ColumnType type, std::uint16_t number, std::uint16_t varIndex,
                     std::uint16_t length = 510) {
    return {name, T(type), number, varIndex, 0, length, false};
}
ColumnSpec sidColumn(const char* name, std::uint16_t number, std::uint16_t varIndex) {
    ColumnSpec c = varColumn(name, ColumnType::Binary, number, varIndex);
    c.holdsSids = true;
    return c;
}
ColumnSpec longColumn(const char* name, ColumnType type, std::uint16_t number, std::uint16_t varIndex) {
    return {name, T(type), number, varIndex, 0, 0, false};
}

constexpr std::uint8_t kUnique = 0x01;
constexpr std::uint8_t kIgnoreNulls = 0x02;
constexpr std::uint8_t kRequired = 0x08;

IndexSpec index(const char* name, std::vector<std::uint16_t> columns, std::uint8_t flags, std::uint32_t logical,
                std::uint32_t real, std::uint8_t mapRow, std::uint32_t leaf, bool primaryKey = false) {
    return {name, std::move(columns), flags, primaryKey, logical, real, map(mapRow), leaf};
}

// The catalogue's columns by number.
enum ObjectColumn : std::uint16_t { kId, kParentId, kName, kType, kDateCreate, kDateUpdate, kOwner, kFlags, kObjectColumns = 17 };

TableSpec objectsTable() {
    TableSpec t;
    t.system = true;
    t.columns = {
        longColumn("Connect", ColumnType::Memo, 9, 3),
        longColumn("Database", ColumnType::Memo, 8, 2),
        fixedColumn("DateCreate", ColumnType::DateTime, kDateCreate, 10),
        fixedColumn("DateUpdate", ColumnType::DateTime, kDateUpdate, 18),
        fixedColumn("Flags", ColumnType::Long, kFlags, 26),
        varColumn("ForeignName", ColumnType::Text, 10, 4),
        fixedColumn("Id", ColumnType::Long, kId, 0),
        longColumn("Lv", ColumnType::Ole, 13, 7),
        longColumn("LvExtra", ColumnType::Ole, 16, 10),
        longColumn("LvModule", ColumnType::Ole, 15, 9),
        longColumn("LvProp", ColumnType::Ole, 14, 8),
        varColumn("Name", ColumnType::Text, kName, 0),
        sidColumn("Owner", kOwner, 1),
        fixedColumn("ParentId", ColumnType::Long, kParentId, 4),
        longColumn("RmtInfoLong", ColumnType::Ole, 12, 6),
        varColumn("RmtInfoShort", ColumnType::Binary, 11, 5),
        fixedColumn("Type", ColumnType::Integer, kType, 8),
    };
    t.realIndexes = {index("ParentIdName", {kParentId, kName}, kUnique, 0, 0, kObjectsByParentNameMap, kObjectsByParentName),
                     index("Id", {kId}, kUnique, 1, 1, kObjectsByIdMap, kObjectsById, true)};
    t.indexes = {t.realIndexes[1], t.realIndexes[0]};
    t.usedPages = map(kObjectsUsed);
    t.freePages = map(kObjectsFree);
    for (std::uint8_t n = 0; n < 14; ++n)
        t.longValueMaps.push_back(map(static_cast<std::uint8_t>(kObjectsLongValues + n)));
    return t;
}

enum AceColumn : std::uint16_t { kObjectId, kSid, kAcm, kInheritable, kAceColumns };

TableSpec acesTable() {
    TableSpec t;
    t.system = true;
    t.columns = {
        fixedColumn("ACM", ColumnType::Long, kAcm, 4),
        fixedColumn("FInheritable", ColumnType::Boolean, kInheritable, 0),
        fixedColumn("ObjectId", ColumnType::Long, kObjectId, 0),
        sidColumn("SID", kSid, 0),
    };
    t.realIndexes = {index("ObjectId", {kObjectId}, kRequired, 0, 0, kAcesByObjectMap, kAcesByObject)};
    t.indexes = t.realIndexes;
    t.usedPages = map(kAcesUsed);
    t.freePages = map(kAcesFree);
    return t;
}

TableSpec queriesTable() {
    TableSpec t;
    t.system = true;
    t.columns = {
        fixedColumn("Attribute", ColumnType::Byte, 1, 4),
        longColumn("Expression", ColumnType::Memo, 5, 3),
        fixedColumn("Flag", ColumnType::Integer, 6, 5),
        fixedColumn("LvExtra", ColumnType::Long, 7, 7),
        varColumn("Name1", ColumnType::Text, 3, 1),
        varColumn("Name2", ColumnType::Text, 4, 2),
        fixedColumn("ObjectId", ColumnType::Long, 0, 0),
        varColumn("Order", ColumnType::Binary, 2, 0),
    };
    t.realIndexes = {index("ObjectIdAttribute", {0, 1, 2}, kUnique, 0, 0, kQueriesByObjectMap, kQueriesByObject, true)};
    t.indexes = t.realIndexes;
    t.usedPages = map(kQueriesUsed);
    t.freePages = map(kQueriesFree);
    t.longValueMaps = {map(kQueriesExpressionUsed), map(kQueriesExpressionFree)};
    return t;
}

TableSpec relationshipsTable() {
    TableSpec t;
    t.system = true;
    t.columns = {
        fixedColumn("ccolumn", ColumnType::Long, 2, 4),
        fixedColumn("grbit", ColumnType::Long, 1, 0),
        fixedColumn("icolumn", ColumnType::Long, 3, 8),
        varColumn("szColumn", ColumnType::Text, 5, 2),
        varColumn("szObject", ColumnType::Text, 4, 1),
        varColumn("szReferencedColumn", ColumnType::Text, 7, 4),
        varColumn("szReferencedObject", ColumnType::Text, 6, 3),
        varColumn("szRelationship", ColumnType::Text, 0, 0),
    };
    t.realIndexes = {
        index("szRelationship", {0}, kIgnoreNulls, 0, 0, kRelationshipsByNameMap, kRelationshipsByName),
        index("szObject", {4}, kIgnoreNulls, 1, 1, kRelationshipsByObjectMap, kRelationshipsByObject),
        index("szReferencedObject", {6}, kIgnoreNulls, 2, 2, kRelationshipsByReferencedMap, kRelationshipsByReferenced),
    };
    t.indexes = {t.realIndexes[1], t.realIndexes[2], t.realIndexes[0]};
    t.usedPages = map(kRelationshipsUsed);
    t.freePages = map(kRelationshipsFree);
    return t;
}

// Catalogue object ids: the containers, the database object, and tables by
// the page of their definition.
constexpr std::uint32_t kRootContainer = 0x0F000000;
constexpr std::uint32_t kTablesContainer = 0x0F000001;
constexpr std::uint32_t kDatabasesContainer = 0x0F000002;
constexpr std::uint32_t kRelationshipsContainer = 0x0F000003;
constexpr std::uint32_t kDatabaseObject = 0x10000000;

enum ObjectType : std::uint16_t { kTableObject = 1, kDatabaseType = 2, kContainerType = 3 };
constexpr std::uint32_t kSystemObjectFlags = 0x80000000;

// The built-in accounts' SIDs, as Jet 3 files store them: the engine that owns
// the system objects, the Creator account, the Users group, the Admin user who
// creates a database.
const Bytes kEngineSid = {0x02, 0x03};
const Bytes kCreatorSid = {0x02, 0x04};
const Bytes kUsersSid = {0x02, 0x01};
const Bytes kAdminUserSid = {0x03, 0x01};

// A Jet 4 database created through ADOX: its header's fields and the start
// of the stream it masks SIDs with (SystemCatalog.h). Jet reads the SIDs a
// new file with these fields masks back as the accounts above.
constexpr SidMasking kAdoxMasking = {.creationDate = std::bit_cast<double>(0x40E4AB3E3BD3853EULL),  // 2015-11-21 22:40:30
                                     .securityTag = 0x261C,
                                     .start = {0x67, 0x8A}};

Bytes masked(const Bytes& sid, const SidMasking& masking) {
    Bytes b = sid;
    for (std::size_t n = 0; n < b.size(); ++n)
        b[n] ^= masking.start[n % masking.start.size()];
    return b;
}

// Permission masks (MSysACEs.ACM) Jet grants on a new database.
constexpr std::uint32_t kFullAccess = 0x000FFEFF;

struct Ace {
    std::uint32_t object;
    const Bytes* sid;
    std::uint32_t acm;
    bool inheritable;
};

Bytes le(std::uint64_t v, std::size_t size) {
    Bytes b(size);
    for (std::size_t n = 0; n < size; ++n)
        b[n] = static_cast<std::uint8_t>(v >> (8 * n));
    return b;
}

Bytes ucs2(const std::string& ascii) {
    Bytes b;
    for (const char c : ascii) {
        b.push_back(static_cast<std::uint8_t>(c));
        b.push_back(0);
    }
    return b;
}

struct CatalogueObject {
    std::uint32_t id;
    std::uint32_t parent;
    const char* name;
    std::uint16_t type;
    const Bytes* owner;
    std::uint32_t flags;
};

std::vector<std::uint8_t> key(const KeyEncoder& encoder, std::uint8_t sortVersion, ColumnType type,
                              const std::vector<Value>& values) {
    std::vector<std::uint8_t> k;
    std::string why;
    for (const Value& v : values) {
        ColumnDef def;
        def.type = T(v.kind() == Value::Kind::Text ? ColumnType::Text : type);
        def.sortOrder = kGeneralSortOrder;
        def.sortOrderVersion = sortVersion;
        if (!encoder.append(k, KeyColumn{&def, true}, v, why))
            throw internalFault("a catalogue key cannot be encoded: " + why);
    }
    return k;
}

}  // namespace

std::vector<Bytes> emptyDatabasePages(double now, Version version, const std::optional<SidMasking>& like) {
    const SidMasking masking = like.value_or(kAdoxMasking);
    const std::uint8_t sortVersion = like ? like->sortVersion : newTextSortVersion(version);
    TableSpec objects = objectsTable(), aces = acesTable(), queries = queriesTable(), relationships = relationshipsTable();
    for (TableSpec* t : {&objects, &aces, &queries, &relationships})
        t->textSortVersion = sortVersion;

    const std::vector<CatalogueObject> catalogue = {
        {kTablesContainer, kRootContainer, "Tables", kContainerType, &kEngineSid, kSystemObjectFlags},
        {kDatabasesContainer, kRootContainer, "Databases", kContainerType, &kEngineSid, kSystemObjectFlags},
        {kRelationshipsContainer, kRootContainer, "Relationships", kContainerType, &kEngineSid, kSystemObjectFlags},
        {kDatabaseObject, kDatabasesContainer, "MSysDb", kDatabaseType, &kAdminUserSid, kSystemObjectFlags},
        {kObjectsDef, kTablesContainer, "MSysObjects", kTableObject, &kEngineSid, kSystemObjectFlags},
        {kAcesDef, kTablesContainer, "MSysACEs", kTableObject, &kEngineSid, kSystemObjectFlags},
        {kQueriesDef, kTablesContainer, "MSysQueries", kTableObject, &kEngineSid, kSystemObjectFlags},
        {kRelationshipsDef, kTablesContainer, "MSysRelationships", kTableObject, &kEngineSid, kSystemObjectFlags},
    };
    // The permissions Jet grants on a new database.
    const std::vector<Ace> permissions = {
        {kObjectsDef, &kAdminUserSid, 0x00060000, false},
        {kAcesDef, &kAdminUserSid, 0x00060000, false},
        {kQueriesDef, &kAdminUserSid, 0x00060000, false},
        {kRelationshipsDef, &kAdminUserSid, 0x000E0000, false},
        {kTablesContainer, &kCreatorSid, 0x000F00FE, true},
        {kTablesContainer, &kAdminUserSid, 0x00060001, false},
        {kRelationshipsContainer, &kCreatorSid, 0x000F00FE, true},
        {kRelationshipsContainer, &kAdminUserSid, 0x00060001, false},
        {kDatabasesContainer, &kAdminUserSid, 0x00060000, false},
        {kDatabaseObject, &kAdminUserSid, 0x0006000E, false},
        {kDatabaseObject, &kUsersSid, 0x0000000E, false},
        {kQueriesDef, &kUsersSid, 0x00000014, false},
        {kRelationshipsDef, &kUsersSid, 0x00000014, false},
        {kObjectsDef, &kUsersSid, 0x00000014, false},
        {kTablesContainer, &kUsersSid, kFullAccess, true},
        {kRelationshipsContainer, &kUsersSid, 0x000FFFFF, true},
    };

    const KeyEncoder encoder(version);
    std::vector<Bytes> objectRows, aceRows;
    std::vector<LeafEntry> byParentName, byId, byObject;
    const Bytes date = le(std::bit_cast<std::uint64_t>(now), 8);
    for (const auto& o : catalogue) {
        RowValues v(kObjectColumns);
        v[kId] = le(o.id, 4);
        v[kParentId] = le(o.parent, 4);
        v[kName] = ucs2(o.name);
        v[kType] = le(o.type, 2);
        v[kDateCreate] = date;
        v[kDateUpdate] = date;
        v[kOwner] = masked(*o.owner, masking);
        v[kFlags] = le(o.flags, 4);
        const auto row = static_cast<std::uint8_t>(objectRows.size());
        objectRows.push_back(encodeRow(objects, v));
        const auto id = Value::integer(static_cast<std::int32_t>(o.id));
        const auto parent = Value::integer(static_cast<std::int32_t>(o.parent));
        byParentName.push_back({key(encoder, sortVersion, ColumnType::Long, {parent, Value::text(o.name)}), kObjectsData, row});
        byId.push_back({key(encoder, sortVersion, ColumnType::Long, {id}), kObjectsData, row});
    }
    for (const auto& a : permissions) {
        RowValues v(kAceColumns);
        v[kObjectId] = le(a.object, 4);
        v[kSid] = masked(*a.sid, masking);
        v[kAcm] = le(a.acm, 4);
        v[kInheritable] = Bytes{static_cast<std::uint8_t>(a.inheritable)};
        const auto row = static_cast<std::uint8_t>(aceRows.size());
        aceRows.push_back(encodeRow(aces, v));
        const auto object = Value::integer(static_cast<std::int32_t>(a.object));
        byObject.push_back({key(encoder, sortVersion, ColumnType::Long, {object}), kAcesData, row});
    }

    TableSpec objectsCounted = objects, acesCounted = aces;
    objectsCounted.rowCount = static_cast<std::uint32_t>(objectRows.size());
    acesCounted.rowCount = static_cast<std::uint32_t>(aceRows.size());

    std::vector<Bytes> maps(kMapRows, usageMapRow({}));
    maps[kObjectsUsed] = maps[kObjectsFree] = usageMapRow({kObjectsData});
    maps[kAcesUsed] = maps[kAcesFree] = usageMapRow({kAcesData});
    maps[kObjectsByParentNameMap] = usageMapRow({kObjectsByParentName});
    maps[kObjectsByIdMap] = usageMapRow({kObjectsById});
    maps[kAcesByObjectMap] = usageMapRow({kAcesByObject});
    maps[kQueriesByObjectMap] = usageMapRow({kQueriesByObject});
    maps[kRelationshipsByNameMap] = usageMapRow({kRelationshipsByName});
    maps[kRelationshipsByObjectMap] = usageMapRow({kRelationshipsByObject});
    maps[kRelationshipsByReferencedMap] = usageMapRow({kRelationshipsByReferenced});

    std::vector<Bytes> pages(kPageCount);
    pages[kHeader] =
        headerPage({masking.creationDate, masking.securityTag, static_cast<std::uint8_t>(version), sortVersion});
    // The global map: set bits are pages free for use, which are all past the end.
    pages[kGlobalMaps] = dataPage(kGlobalMaps, {usageMapRowFrom(kPageCount), usageMapRow({})});
    pages[kObjectsDef] = tableDefinitionPage(objectsCounted);
    pages[kAcesDef] = tableDefinitionPage(acesCounted);
    pages[kQueriesDef] = tableDefinitionPage(queries);
    pages[kRelationshipsDef] = tableDefinitionPage(relationships);
    pages[kMaps] = dataPage(0, maps);
    pages[kObjectsByParentName] = leafPage(kObjectsDef, byParentName);
    pages[kObjectsById] = leafPage(kObjectsDef, byId);
    pages[kAcesByObject] = leafPage(kAcesDef, byObject);
    pages[kQueriesByObject] = leafPage(kQueriesDef, {});
    pages[kRelationshipsByName] = leafPage(kRelationshipsDef, {});
    pages[kRelationshipsByObject] = leafPage(kRelationshipsDef, {});
    pages[kRelationshipsByReferenced] = leafPage(kRelationshipsDef, {});
    pages[kObjectsData] = dataPage(kObjectsDef, objectRows);
    pages[kAcesData] = dataPage(kAcesDef, aceRows);
    return pages;
}

}  // namespace jet::create
