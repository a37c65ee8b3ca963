#include "jet/page/DatabaseHeader.h"

#include "jet/page/HeaderFormat.h"
#include "jet/page/PageFormat.h"
#include "jet/page/Rc4.h"

#include <array>
#include <cmath>
#include <vector>

namespace jet {

std::array<std::uint8_t, 4> passwordMask(double creationDate) {
    std::array<std::uint8_t, 4> mask{};
    if (std::isfinite(creationDate) && std::fabs(creationDate) < 2147483647.0)
        writeU32(mask.data(), static_cast<std::uint32_t>(static_cast<std::int32_t>(creationDate)));
    return mask;
}

std::optional<DatabaseHeader> decodeHeader(std::span<const std::uint8_t> page0) {
    const auto format = detectFormat(page0);
    if (!format || page0.size() < kHeaderProbeSize)
        return std::nullopt;
    const bool jet3 = format->version == Version::Jet3;
    const std::size_t ciphered = headerCipherLength(jet3);
    std::vector<std::uint8_t> plain(page0.begin(), page0.begin() + kHeaderProbeSize);
    Rc4(kHeaderKey).apply(std::span(plain).subspan(kHeaderCipherAt, ciphered));

    DatabaseHeader h{*format};
    h.codePage = readU16(&plain[kHeaderCodePageAt]);
    h.databaseKey = readU32(&plain[kHeaderDatabaseKeyAt]);
    h.sortOrder = readU16(&plain[headerSortOrderAt(jet3)]);
    h.sortOrderVersion = jet3 ? 0 : plain[kHeaderSortVersionAt];

    // The password bytes (20 in Jet 3, 40 in Jet 4) are all zero when no password
    // is set; Jet 4 masks them with the whole days of the creation date.
    std::array<std::uint8_t, 4> mask{};
    if (!jet3) {
        h.creationDate = readDouble(&plain[kHeaderCreationDateAt]);
        h.securityTag = readU32(&plain[kHeaderSecurityTagAt]);
        mask = passwordMask(h.creationDate);
    }
    const std::size_t passwordLength = headerPasswordLength(jet3);
    for (std::size_t n = 0; n < passwordLength; ++n)
        if ((plain[kHeaderPasswordAt + n] ^ mask[n % 4]) != 0)
            h.passwordSet = true;
    return h;
}

std::string sortOrderName(std::uint16_t sortOrder, std::uint8_t version) {
    switch (sortOrder) {
    case kGeneralSortOrder: return version == 1 ? "General 2010" : "General";
    default: return "locale " + std::to_string(sortOrder);
    }
}

}  // namespace jet
