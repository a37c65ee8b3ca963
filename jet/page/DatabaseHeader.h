#pragma once
// The header page (page 0) of a Jet or ACE database: the format, and the
// fields Jet keeps enciphered there (code page, sort order, the database key
// that marks an encoded file, and the database password).
#include "jet/page/FileFormat.h"
#include "jet/page/HeaderFormat.h"

#include <array>
#include <cstdint>
#include <optional>
#include <span>
#include <string>

namespace jet {

struct DatabaseHeader {
    FileFormat format;
    std::uint16_t codePage = 0;    // Windows code page of 8-bit text (Jet 3)
    std::uint16_t sortOrder = 0;   // locale id of the default collating order
    std::uint8_t sortOrderVersion = 0;  // Jet 4 and later: 1 for General 2010, which new text columns take
    std::uint32_t databaseKey = 0; // nonzero: every page after the header is enciphered
    bool passwordSet = false;      // a database password is set
    double creationDate = 0;       // Jet 4 and later only
    std::uint32_t securityTag = 0; // Jet 4 and later only (HeaderFormat.h)
};

// Bytes of the header page that must be present to decode it.
inline constexpr std::size_t kHeaderProbeSize = kHeaderCipherAt + headerCipherLength(false);

// What Jet 4 and later mask the password field with: the whole days of the
// creation date, repeated (zero for a date out of range).
std::array<std::uint8_t, 4> passwordMask(double creationDate);

// Decodes the header page `page0`; nothing when it is not that of a Jet or ACE
// database (or is too short to hold the enciphered fields).
std::optional<DatabaseHeader> decodeHeader(std::span<const std::uint8_t> page0);

// A readable name for a collating order locale id and version ("General" for
// 1033, "General 2010" for its version 1).
std::string sortOrderName(std::uint16_t sortOrder, std::uint8_t version);

}  // namespace jet
