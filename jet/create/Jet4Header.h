#pragma once
// The header page (page 0) of a new Jet 4 or ACE database. The versions lay
// it out alike: only the format byte and the version of the default sort
// order differ.
#include "jet/create/Jet4Pages.h"

#include <span>

namespace jet::create {

struct HeaderFields {
    double creationDate = 0;      // OLE date
    std::uint32_t securityTag = 0; // the 4 bytes after the password (HeaderFormat.h)
    std::uint8_t version = 1;     // the format byte at 0x14: 1 Jet 4, 2 and up ACE
    std::uint8_t sortVersion = 0; // the General sort order's version: 0 the original, 1 the 2010 one
};

Bytes headerPage(const HeaderFields& fields);

// Gives the header page `page` the protection of `source`, the header page
// of a database of its format: the database key, the password (masked with
// `page`'s own creation date) and Office encryption's EncryptionInfo, so that
// what opens `source` opens it. Pages after it are then to be enciphered
// with `source`'s cipher.
void keepProtection(Bytes& page, std::span<const std::uint8_t> source);

}  // namespace jet::create
