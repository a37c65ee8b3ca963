#pragma once
// Where Jet keeps things in the header page (page 0) of a database. The
// reader (DatabaseHeader, FileFormat) and the creator of new files take
// these facts from here.
#include <array>
#include <cstddef>
#include <cstdint>

namespace jet {

inline constexpr std::array<std::uint8_t, 4> kHeaderMagic = {0x00, 0x01, 0x00, 0x00};
// The format's name: "Standard Jet DB", "Standard ACE DB" or "Jet System DB".
inline constexpr std::size_t kHeaderFormatNameAt = 4;
inline constexpr std::size_t kHeaderVersionAt = 0x14;

// From 0x18, bytes enciphered with RC4 under a fixed key: 126 in Jet 3, 128 later.
inline constexpr std::size_t kHeaderCipherAt = 0x18;
inline constexpr std::size_t headerCipherLength(bool jet3) { return jet3 ? 126 : 128; }
inline constexpr std::array<std::uint8_t, 4> kHeaderKey = {0xC7, 0xDA, 0x39, 0x6B};

// Inside the enciphered area: the code page of 8-bit text, the database key
// (0: pages are not enciphered), the password (all zero when none; Jet 4
// masks it with the creation date's whole days), the collating order, and
// in Jet 4 and later its version and the creation date.
inline constexpr std::size_t kHeaderCodePageAt = 0x3C;
inline constexpr std::size_t kHeaderDatabaseKeyAt = 0x3E;
inline constexpr std::size_t kHeaderPasswordAt = 0x42;
inline constexpr std::size_t headerPasswordLength(bool jet3) { return jet3 ? 20 : 40; }
// Jet 4 and later: after the password, 4 bytes Jet sets per database.
inline constexpr std::size_t kHeaderSecurityTagAt = 0x6A;
inline constexpr std::size_t headerSortOrderAt(bool jet3) { return jet3 ? 0x3A : 0x6E; }
inline constexpr std::size_t kHeaderSortVersionAt = 0x71;
inline constexpr std::size_t kHeaderCreationDateAt = 0x72;

// ACE, encrypted with a password (Office encryption): a 16-bit length and
// then the EncryptionInfo that says how the pages are enciphered.
inline constexpr std::size_t kHeaderEncryptionInfoAt = 0x299;

}  // namespace jet
