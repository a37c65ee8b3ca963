#include "jet/create/Jet4Header.h"

#include "jet/Error.h"
#include "jet/page/DatabaseHeader.h"
#include "jet/page/HeaderFormat.h"
#include "jet/page/PageFormat.h"
#include "jet/page/Rc4.h"

#include <array>
#include <bit>
#include <cstring>

namespace jet::create {
namespace {

constexpr char kFormatName[] = "Standard Jet DB";  // stored with its NUL

// Inside the enciphered area (HeaderFormat.h), Jet 4 also keeps where the
// catalogue starts (the two global usage map rows on page 1, the definitions
// of the four system tables).
constexpr std::size_t kCatalogueAt = kHeaderCipherAt;
constexpr std::array<std::uint32_t, 6> kCatalogue = {0x0100, 0x0101, 2, 3, 4, 5};
constexpr std::uint16_t kWindows1252 = 1252;

// After the enciphered area: a value Jet 4 writes there and the engine
// version text "4.0" (ACE files up to Access 2019 hold the same).
constexpr std::size_t kEngineTagAt = 0x98;
constexpr std::uint32_t kEngineTag = 0x0654;
constexpr std::size_t kEngineVersionAt = 0x9C;
constexpr char kEngineVersion[] = "4.0";

// From 0xE00, one pair of bytes for the exclusive opener and one for each of
// the 255 user slots of the lock protocol; a closed, never shared database
// holds 01 01 in the first pair and 00 01 in the others.
constexpr std::size_t kUserPairsAt = 0xE00;
constexpr std::size_t kUserPairs = 256;

}  // namespace

Bytes headerPage(const HeaderFields& fields) {
    Bytes b(kPageSize, 0);
    std::memcpy(b.data(), kHeaderMagic.data(), kHeaderMagic.size());
    std::memcpy(b.data() + kHeaderFormatNameAt, kFormatName, sizeof kFormatName);
    writeU32(&b[kHeaderVersionAt], fields.version);

    for (std::size_t n = 0; n < kCatalogue.size(); ++n)
        writeU32(&b[kCatalogueAt + 4 * n], kCatalogue[n]);
    writeU16(&b[kHeaderCodePageAt], kWindows1252);
    const auto mask = passwordMask(fields.creationDate);
    for (std::size_t n = 0; n < headerPasswordLength(false); ++n)
        b[kHeaderPasswordAt + n] = mask[n % 4];  // an empty password, masked
    writeU32(&b[kHeaderSecurityTagAt], fields.securityTag);
    writeU16(&b[headerSortOrderAt(false)], kGeneralSortOrder);
    b[kHeaderSortVersionAt] = fields.sortVersion;
    const auto date = std::bit_cast<std::uint64_t>(fields.creationDate);
    writeU32(&b[kHeaderCreationDateAt], static_cast<std::uint32_t>(date));
    writeU32(&b[kHeaderCreationDateAt + 4], static_cast<std::uint32_t>(date >> 32));
    Rc4(kHeaderKey).apply(std::span(b).subspan(kHeaderCipherAt, headerCipherLength(false)));

    writeU32(&b[kEngineTagAt], kEngineTag);
    std::memcpy(b.data() + kEngineVersionAt, kEngineVersion, sizeof kEngineVersion);
    for (std::size_t n = 0; n < kUserPairs; ++n) {
        b[kUserPairsAt + 2 * n] = n == 0 ? 0x01 : 0x00;
        b[kUserPairsAt + 2 * n + 1] = 0x01;
    }
    return b;
}

void keepProtection(Bytes& page, std::span<const std::uint8_t> source) {
    if (source.size() < kHeaderProbeSize || page.size() < source.size())
        throw Error(InvalidArgument, "A header page cannot take the protection of a shorter one.");
    const auto area = [](std::span<std::uint8_t> b) { return b.subspan(kHeaderCipherAt, headerCipherLength(false)); };
    Bytes from(source.begin(), source.end());
    Rc4(kHeaderKey).apply(area(from));
    Rc4(kHeaderKey).apply(area(page));
    std::memcpy(&page[kHeaderDatabaseKeyAt], &from[kHeaderDatabaseKeyAt], 4);
    const auto sourceMask = passwordMask(readDouble(&from[kHeaderCreationDateAt]));
    const auto pageMask = passwordMask(readDouble(&page[kHeaderCreationDateAt]));
    for (std::size_t n = 0; n < headerPasswordLength(false); ++n)
        page[kHeaderPasswordAt + n] = static_cast<std::uint8_t>(from[kHeaderPasswordAt + n] ^ sourceMask[n % 4] ^ pageMask[n % 4]);
    Rc4(kHeaderKey).apply(area(page));
    const auto format = detectFormat(source);
    const std::size_t info = kHeaderEncryptionInfoAt + 2 + readU16(&from[kHeaderEncryptionInfoAt]);
    if (format && format->version != Version::Jet4 && info <= from.size())  // only ACE is Office-encrypted
        std::memcpy(&page[kHeaderEncryptionInfoAt], &from[kHeaderEncryptionInfoAt], info - kHeaderEncryptionInfoAt);
}

}  // namespace jet::create
