#pragma once
// The header page (page 0) of a new Jet 4 database.
#include "jet/create/Jet4Pages.h"

namespace jet::create {

struct HeaderFields {
    double creationDate = 0;      // OLE date
    std::uint32_t securityTag = 0; // the 4 bytes after the password (see UserNameCatalog)
};

Bytes headerPage(const HeaderFields& fields);

}  // namespace jet::create
