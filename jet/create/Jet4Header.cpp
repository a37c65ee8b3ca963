#include "jet/create/Jet4Header.h"

#include "jet/page/Rc4.h"

#include <array>
#include <bit>
#include <cstring>

namespace jet::create {
namespace {

constexpr std::array<std::uint8_t, 4> kMagic = {0x00, 0x01, 0x00, 0x00};
constexpr char kFormatName[] = "Standard Jet DB";  // stored with its NUL
constexpr std::size_t kVersionAt = 0x14;

// From 0x18, 128 bytes are enciphered with RC4 under a fixed key.
constexpr std::size_t kCipheredStart = 0x18;
constexpr std::size_t kCipheredLength = 128;
constexpr std::array<std::uint8_t, 4> kHeaderKey = {0xC7, 0xDA, 0x39, 0x6B};

// Inside the enciphered area: where the catalogue starts (the two global usage
// map rows on page 1, the definitions of the four system tables), the code page
// of 8-bit text, the database key (0: pages are not enciphered), the password
// (40 bytes, all zero when none, masked with the creation date's whole days),
// a 4-byte field Jet sets per database, the collating order and the creation date.
constexpr std::size_t kCatalogueAt = 0x18;
constexpr std::array<std::uint32_t, 6> kCatalogue = {0x0100, 0x0101, 2, 3, 4, 5};
constexpr std::size_t kCodePageAt = 0x3C;
constexpr std::uint16_t kWindows1252 = 1252;
constexpr std::size_t kPasswordAt = 0x42;
constexpr std::size_t kPasswordLength = 40;
constexpr std::size_t kSecurityTagAt = 0x6A;
constexpr std::size_t kSortOrderAt = 0x6E;
constexpr std::uint16_t kGeneralSortOrder = 0x0409;
constexpr std::size_t kSortVersionAt = 0x71;
constexpr std::size_t kCreationDateAt = 0x72;

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

void put(Bytes& b, std::size_t at, std::uint32_t v, std::size_t size) {
    for (std::size_t n = 0; n < size; ++n)
        b[at + n] = static_cast<std::uint8_t>(v >> (8 * n));
}

}  // namespace

Bytes headerPage(const HeaderFields& fields) {
    Bytes b(kPageSize, 0);
    std::memcpy(b.data(), kMagic.data(), kMagic.size());
    std::memcpy(b.data() + 4, kFormatName, sizeof kFormatName);
    put(b, kVersionAt, fields.version, 4);

    for (std::size_t n = 0; n < kCatalogue.size(); ++n)
        put(b, kCatalogueAt + 4 * n, kCatalogue[n], 4);
    put(b, kCodePageAt, kWindows1252, 2);
    const auto days = static_cast<std::uint32_t>(static_cast<std::int32_t>(fields.creationDate));
    for (std::size_t n = 0; n < kPasswordLength; n += 4)
        put(b, kPasswordAt + n, days, 4);  // an empty password, masked
    put(b, kSecurityTagAt, fields.securityTag, 4);
    put(b, kSortOrderAt, kGeneralSortOrder, 2);
    b[kSortVersionAt] = fields.sortVersion;
    const auto date = std::bit_cast<std::uint64_t>(fields.creationDate);
    put(b, kCreationDateAt, static_cast<std::uint32_t>(date), 4);
    put(b, kCreationDateAt + 4, static_cast<std::uint32_t>(date >> 32), 4);
    Rc4(kHeaderKey).apply(std::span(b).subspan(kCipheredStart, kCipheredLength));

    put(b, kEngineTagAt, kEngineTag, 4);
    std::memcpy(b.data() + kEngineVersionAt, kEngineVersion, sizeof kEngineVersion);
    for (std::size_t n = 0; n < kUserPairs; ++n) {
        b[kUserPairsAt + 2 * n] = n == 0 ? 0x01 : 0x00;
        b[kUserPairsAt + 2 * n + 1] = 0x01;
    }
    return b;
}

}  // namespace jet::create
