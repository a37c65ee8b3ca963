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
#include "jet/store/PageStore.h"

#include <cstdint>
#include <string>

namespace jet {

void addCatalogRows(PageStore& store, const std::string& table, std::uint32_t definitionPage);

}  // namespace jet
