#include "jet/page/DatabaseHeader.h"

#include "jet/page/Coding.h"
#include "jet/page/Rc4.h"

#include <array>
#include <cmath>
#include <vector>

namespace jet {
namespace {

constexpr std::size_t kCipheredStart = 0x18;
constexpr std::array<std::uint8_t, 4> kHeaderKey = {0xC7, 0xDA, 0x39, 0x6B};

}  // namespace

std::optional<DatabaseHeader> decodeHeader(std::span<const std::uint8_t> page0) {
    const auto format = detectFormat(page0);
    if (!format || page0.size() < kHeaderProbeSize)
        return std::nullopt;
    const bool jet3 = format->version == Version::Jet3;
    const std::size_t ciphered = jet3 ? 126 : 128;
    std::vector<std::uint8_t> plain(page0.begin(), page0.begin() + kHeaderProbeSize);
    Rc4(kHeaderKey).apply(std::span(plain).subspan(kCipheredStart, ciphered));

    DatabaseHeader h{*format};
    h.codePage = readU16(&plain[0x3C]);
    h.databaseKey = readU32(&plain[0x3E]);
    h.sortOrder = jet3 ? readU16(&plain[0x3A]) : readU16(&plain[0x6E]);
    h.sortOrderVersion = jet3 ? 0 : plain[0x71];

    // The password bytes (20 in Jet 3, 40 in Jet 4) are all zero when no password
    // is set; Jet 4 masks them with the whole days of the creation date.
    std::array<std::uint8_t, 4> mask{};
    if (!jet3) {
        h.creationDate = readDouble(&plain[0x72]);
        if (std::isfinite(h.creationDate) && std::fabs(h.creationDate) < 2147483647.0)
            writeU32(mask.data(), static_cast<std::uint32_t>(static_cast<std::int32_t>(h.creationDate)));
    }
    const std::size_t passwordLength = jet3 ? 20 : 40;
    for (std::size_t n = 0; n < passwordLength; ++n)
        if ((plain[0x42 + n] ^ mask[n % 4]) != 0)
            h.passwordSet = true;
    return h;
}

std::string sortOrderName(std::uint16_t sortOrder, std::uint8_t version) {
    switch (sortOrder) {
    case 0x0409: return version == 1 ? "General 2010" : "General";
    default: return "locale " + std::to_string(sortOrder);
    }
}

}  // namespace jet
