#pragma once
// Registers a new table in the catalogue, as Access does: its MSysObjects
// row (in the Tables container, owned by the database's owner, stamped now)
// and its MSysACEs rows, the permissions it inherits from the Tables
// container. SIDs are stored masked with a stream that differs per database
// and is not derived here; the rows copy SIDs found in the file: the owner
// from the database object MSysDb, the others from the container's
// inheritable entries. The container's entry for the Creator account (the
// engine's SID with its last byte XOR 7, masked alike) goes to the owner,
// as Jet gives a new object's creator what that entry grants.
#include "jet/Value.h"
#include "jet/store/PageStore.h"

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

namespace jet {

void addCatalogRows(PageStore& store, const std::string& table, std::uint32_t definitionPage);

// Further columns of a catalogue row, by name; a field named twice counts as
// its last value.
using CatalogFields = std::vector<std::pair<std::string, Value>>;

// Adds a row to the catalogue table `table` (MSysObjects, MSysQueries, ...),
// its fields by name: those it lacks are left out, the rest are Null.
void insertCatalogRow(PageStore& store, const std::string& table, const CatalogFields& fields);

// The catalogue's fixed containers (MSysObjects.Id) and its kinds of object
// (MSysObjects.Type).
inline constexpr std::int64_t kRootContainerId = 0x0F000000;
inline constexpr std::int64_t kTablesContainerId = 0x0F000001;
inline constexpr std::int64_t kRelationshipsContainerId = 0x0F000003;
inline constexpr std::int64_t kTableObject = 1;
inline constexpr std::int64_t kOdbcLinkObject = 4;
inline constexpr std::int64_t kQueryObject = 5;
inline constexpr std::int64_t kAccessLinkObject = 6;
inline constexpr std::int64_t kRelationshipObject = 8;
// Objects with no definition page of their own are numbered upwards from
// here; a link numbered below it keeps a definition page in the file.
inline constexpr std::uint32_t kFirstObjectId = 0x80000000;

// Registers an object other than a table in the Tables container (a query:
// type 5, its kind in `flags`), or in another (a relationship: type 8 in the
// Relationships container), alike, inheriting that container's permissions, with `fields` as further columns of its
// MSysObjects row (its dates among them, else now), under the next free object id (Jet numbers such objects
// upwards from 0x80000000 in creation order). Returns the id.
std::uint32_t addCatalogObject(PageStore& store, const std::string& name, std::int64_t type, std::int64_t flags,
                               const CatalogFields& fields, std::int64_t container = kTablesContainerId);

}  // namespace jet
