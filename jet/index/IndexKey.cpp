#include "jet/index/IndexKey.h"

#include "jet/table/ColumnType.h"
#include "jet/text/Text.h"
#include "jet/text/Windows1252.h"

#include <algorithm>
#include <array>
#include <iterator>
#include <bit>
#include <cmath>
#include <cstring>

namespace jet {
namespace {

constexpr std::uint8_t kAscendingFlag = 0x7F;
constexpr std::uint8_t kAscendingNull = 0x00;
constexpr std::uint8_t kDescendingFlag = 0x80;
constexpr std::uint8_t kDescendingNull = 0xFF;

constexpr std::uint16_t kGeneralSortOrder = 1033;
// Text longer than this is indexed by its first characters only.
constexpr std::size_t kMaxIndexedChars = 255;

// How one character enters a text key: bytes in the main run (Plain), those
// and an accent code in the run after it (Accented), a code in the trailing
// run of set-aside characters (SetAside), or not at all here.
struct CharCode {
    enum Kind : std::uint8_t { None, Plain, Accented, SetAside } kind = None;
    std::uint8_t size = 0;
    std::array<std::uint8_t, 2> bytes{};
    std::uint8_t accent = 0;

    bool operator==(const CharCode&) const = default;
};

constexpr CharCode S(std::uint8_t a) { return {CharCode::Plain, 1, {a, 0}, 0}; }
constexpr CharCode S(std::uint8_t a, std::uint8_t b) { return {CharCode::Plain, 2, {a, b}, 0}; }
constexpr CharCode A(std::uint8_t a, std::uint8_t accent) { return {CharCode::Accented, 1, {a, 0}, accent}; }
constexpr CharCode A(std::uint8_t a, std::uint8_t b, std::uint8_t accent) {
    return {CharCode::Accented, 2, {a, b}, accent};
}
constexpr CharCode U(std::uint8_t code) { return {CharCode::SetAside, 1, {code, 0}, 0}; }
constexpr CharCode N{};

// Jet 4 / ACE "General" sort order, by UTF-16 code unit 0-255: letters and
// digits, punctuation and symbols (plain), accented letters (the letter's
// code, then an accent code: 0E acute, 0F grave, 12 circumflex, 13
// diaeresis, 19 tilde, 1A ring, 1C cedilla...), and characters the order sets
// aside. N: NUL.
constexpr std::array<CharCode, 256> kGeneral{{
    N, U(0x03), U(0x04), U(0x05), U(0x06), U(0x07), U(0x08), U(0x09),  // 00
    U(0x0A), S(0x08, 0x03), S(0x08, 0x04), S(0x08, 0x05), S(0x08, 0x06), S(0x08, 0x07), U(0x0B), U(0x0C),  // 08
    U(0x0D), U(0x0E), U(0x0F), U(0x10), U(0x11), U(0x12), U(0x13), U(0x14),  // 10
    U(0x15), U(0x16), U(0x17), U(0x18), U(0x19), U(0x1A), U(0x1B), U(0x1C),  // 18
    S(0x07), S(0x09), S(0x0A), S(0x0C), S(0x0E), S(0x10), S(0x12), U(0x80),  // 20
    S(0x14), S(0x16), S(0x18), S(0x2C), S(0x1A), U(0x82), S(0x1C), S(0x1E),  // 28
    S(0x36), S(0x38), S(0x3A), S(0x3C), S(0x3E), S(0x40), S(0x42), S(0x44),  // 30
    S(0x46), S(0x48), S(0x20), S(0x22), S(0x2E), S(0x30), S(0x32), S(0x24),  // 38
    S(0x26), S(0x4A), S(0x4C), S(0x4D), S(0x4F), S(0x51), S(0x53), S(0x55),  // 40
    S(0x57), S(0x59), S(0x5B), S(0x5C), S(0x5E), S(0x60), S(0x62), S(0x64),  // 48
    S(0x66), S(0x68), S(0x69), S(0x6B), S(0x6D), S(0x6F), S(0x71), S(0x73),  // 50
    S(0x75), S(0x76), S(0x78), S(0x27), S(0x29), S(0x2A), S(0x2B, 0x02), S(0x2B, 0x03),  // 58
    S(0x2B, 0x07), S(0x4A), S(0x4C), S(0x4D), S(0x4F), S(0x51), S(0x53), S(0x55),  // 60
    S(0x57), S(0x59), S(0x5B), S(0x5C), S(0x5E), S(0x60), S(0x62), S(0x64),  // 68
    S(0x66), S(0x68), S(0x69), S(0x6B), S(0x6D), S(0x6F), S(0x71), S(0x73),  // 70
    S(0x75), S(0x76), S(0x78), S(0x2B, 0x09), S(0x2B, 0x0B), S(0x2B, 0x0D), S(0x2B, 0x0F), U(0x1D),  // 78
    U(0x1E), U(0x1F), U(0x20), U(0x21), U(0x22), U(0x23), U(0x24), U(0x25),  // 80
    U(0x26), U(0x27), U(0x28), U(0x29), U(0x2A), U(0x2B), U(0x2C), U(0x2D),  // 88
    U(0x2E), U(0x2F), U(0x30), U(0x31), U(0x32), U(0x33), U(0x34), U(0x35),  // 90
    U(0x36), U(0x37), U(0x38), U(0x39), U(0x3A), U(0x3B), U(0x3C), U(0x3D),  // 98
    S(0x08, 0x02), S(0x2B, 0x10), S(0x34, 0xA6), S(0x34, 0xA7), S(0x34, 0xA8), S(0x34, 0xA9), S(0x2B, 0x11), S(0x34, 0xAA),  // A0
    S(0x2B, 0x12), S(0x34, 0xAB), A(0x4A, 0x03), S(0x33, 0x05), S(0x34, 0xAC), U(0x83), S(0x34, 0xAD), S(0x2B, 0x13),  // A8
    S(0x34, 0xAE), S(0x33, 0x04), S(0x3A), S(0x3C), S(0x2B, 0x14), S(0x34, 0xAF), S(0x34, 0xB0), S(0x34, 0xB1),  // B0
    S(0x2B, 0x15), S(0x38), A(0x64, 0x03), S(0x33, 0x07), S(0x37, 0x12), S(0x37, 0x16), S(0x37, 0x1A), S(0x2B, 0x16),  // B8
    A(0x4A, 0x0F), A(0x4A, 0x0E), A(0x4A, 0x12), A(0x4A, 0x19), A(0x4A, 0x13), A(0x4A, 0x1A), S(0x4A, 0x51), A(0x4D, 0x1C),  // C0
    A(0x51, 0x0F), A(0x51, 0x0E), A(0x51, 0x12), A(0x51, 0x13), A(0x59, 0x0F), A(0x59, 0x0E), A(0x59, 0x12), A(0x59, 0x13),  // C8
    A(0x4F, 0x68), A(0x62, 0x19), A(0x64, 0x0F), A(0x64, 0x0E), A(0x64, 0x12), A(0x64, 0x19), A(0x64, 0x13), S(0x33, 0x09),  // D0
    A(0x64, 0x21), A(0x6F, 0x0F), A(0x6F, 0x0E), A(0x6F, 0x12), A(0x6F, 0x13), A(0x76, 0x0E), S(0x6D, 0x57), S(0x6B, 0x6B),  // D8
    A(0x4A, 0x0F), A(0x4A, 0x0E), A(0x4A, 0x12), A(0x4A, 0x19), A(0x4A, 0x13), A(0x4A, 0x1A), S(0x4A, 0x51), A(0x4D, 0x1C),  // E0
    A(0x51, 0x0F), A(0x51, 0x0E), A(0x51, 0x12), A(0x51, 0x13), A(0x59, 0x0F), A(0x59, 0x0E), A(0x59, 0x12), A(0x59, 0x13),  // E8
    A(0x4F, 0x68), A(0x62, 0x19), A(0x64, 0x0F), A(0x64, 0x0E), A(0x64, 0x12), A(0x64, 0x19), A(0x64, 0x13), S(0x33, 0x0A),  // F0
    A(0x64, 0x21), A(0x6F, 0x0F), A(0x6F, 0x0E), A(0x6F, 0x12), A(0x6F, 0x13), A(0x76, 0x0E), S(0x6D, 0x57), A(0x76, 0x13),  // F8
}};

// The same order beyond Latin-1: Latin Extended-A (U+0100-U+017F, the
// letters of Central and Eastern European names such as "Łukasz" or
// "Dvořák") and every other character of Windows-1252.
struct WideCode {
    char32_t c;
    CharCode code;
};
constexpr WideCode kGeneralWide[] = {
    {0x0100, A(0x4A, 0x17)}, {0x0101, A(0x4A, 0x17)}, {0x0102, A(0x4A, 0x15)}, {0x0103, A(0x4A, 0x15)},
    {0x0104, A(0x4A, 0x1B)}, {0x0105, A(0x4A, 0x1B)}, {0x0106, A(0x4D, 0x0E)}, {0x0107, A(0x4D, 0x0E)},
    {0x0108, A(0x4D, 0x12)}, {0x0109, A(0x4D, 0x12)}, {0x010A, A(0x4D, 0x10)}, {0x010B, A(0x4D, 0x10)},
    {0x010C, A(0x4D, 0x14)}, {0x010D, A(0x4D, 0x14)}, {0x010E, A(0x4F, 0x14)}, {0x010F, A(0x4F, 0x14)},
    {0x0110, A(0x4F, 0x1E)}, {0x0111, A(0x4F, 0x1E)}, {0x0112, A(0x51, 0x17)}, {0x0113, A(0x51, 0x17)},
    {0x0114, A(0x51, 0x15)}, {0x0115, A(0x51, 0x15)}, {0x0116, A(0x51, 0x10)}, {0x0117, A(0x51, 0x10)},
    {0x0118, A(0x51, 0x1B)}, {0x0119, A(0x51, 0x1B)}, {0x011A, A(0x51, 0x14)}, {0x011B, A(0x51, 0x14)},
    {0x011C, A(0x55, 0x12)}, {0x011D, A(0x55, 0x12)}, {0x011E, A(0x55, 0x15)}, {0x011F, A(0x55, 0x15)},
    {0x0120, A(0x55, 0x10)}, {0x0121, A(0x55, 0x10)}, {0x0122, A(0x55, 0x1C)}, {0x0123, A(0x55, 0x1C)},
    {0x0124, A(0x57, 0x12)}, {0x0125, A(0x57, 0x12)}, {0x0126, A(0x57, 0x1E)}, {0x0127, A(0x57, 0x1E)},
    {0x0128, A(0x59, 0x19)}, {0x0129, A(0x59, 0x19)}, {0x012A, A(0x59, 0x17)}, {0x012B, A(0x59, 0x17)},
    {0x012C, A(0x59, 0x15)}, {0x012D, A(0x59, 0x15)}, {0x012E, A(0x59, 0x1B)}, {0x012F, A(0x59, 0x1B)},
    {0x0130, A(0x59, 0x10)}, {0x0131, A(0x59, 0x03)}, {0x0132, S(0x59, 0x5B)}, {0x0133, S(0x59, 0x5B)},
    {0x0134, A(0x5B, 0x12)}, {0x0135, A(0x5B, 0x12)}, {0x0136, A(0x5C, 0x1C)}, {0x0137, A(0x5C, 0x1C)},
    {0x0138, A(0x5C, 0x03)}, {0x0139, A(0x5E, 0x0E)}, {0x013A, A(0x5E, 0x0E)}, {0x013B, A(0x5E, 0x1C)},
    {0x013C, A(0x5E, 0x1C)}, {0x013D, A(0x5E, 0x14)}, {0x013E, A(0x5E, 0x14)}, {0x013F, A(0x5E, 0x11)},
    {0x0140, A(0x5E, 0x11)}, {0x0141, A(0x5E, 0x1F)}, {0x0142, A(0x5E, 0x1F)}, {0x0143, A(0x62, 0x0E)},
    {0x0144, A(0x62, 0x0E)}, {0x0145, A(0x62, 0x1C)}, {0x0146, A(0x62, 0x1C)}, {0x0147, A(0x62, 0x14)},
    {0x0148, A(0x62, 0x14)}, {0x0149, A(0x62, 0x48)}, {0x014A, S(0x63, 0x05)}, {0x014B, S(0x63, 0x05)},
    {0x014C, A(0x64, 0x17)}, {0x014D, A(0x64, 0x17)}, {0x014E, A(0x64, 0x15)}, {0x014F, A(0x64, 0x15)},
    {0x0150, A(0x64, 0x1D)}, {0x0151, A(0x64, 0x1D)}, {0x0152, S(0x64, 0x51)}, {0x0153, S(0x64, 0x51)},
    {0x0154, A(0x69, 0x0E)}, {0x0155, A(0x69, 0x0E)}, {0x0156, A(0x69, 0x1C)}, {0x0157, A(0x69, 0x1C)},
    {0x0158, A(0x69, 0x14)}, {0x0159, A(0x69, 0x14)}, {0x015A, A(0x6B, 0x0E)}, {0x015B, A(0x6B, 0x0E)},
    {0x015C, A(0x6B, 0x12)}, {0x015D, A(0x6B, 0x12)}, {0x015E, A(0x6B, 0x1C)}, {0x015F, A(0x6B, 0x1C)},
    {0x0160, A(0x6B, 0x14)}, {0x0161, A(0x6B, 0x14)}, {0x0162, A(0x6D, 0x1C)}, {0x0163, A(0x6D, 0x1C)},
    {0x0164, A(0x6D, 0x14)}, {0x0165, A(0x6D, 0x14)}, {0x0166, A(0x6E, 0x06, 0x1E)}, {0x0167, A(0x6E, 0x06, 0x1E)},
    {0x0168, A(0x6F, 0x19)}, {0x0169, A(0x6F, 0x19)}, {0x016A, A(0x6F, 0x17)}, {0x016B, A(0x6F, 0x17)},
    {0x016C, A(0x6F, 0x15)}, {0x016D, A(0x6F, 0x15)}, {0x016E, A(0x6F, 0x1A)}, {0x016F, A(0x6F, 0x1A)},
    {0x0170, A(0x6F, 0x1D)}, {0x0171, A(0x6F, 0x1D)}, {0x0172, A(0x6F, 0x1B)}, {0x0173, A(0x6F, 0x1B)},
    {0x0174, A(0x73, 0x12)}, {0x0175, A(0x73, 0x12)}, {0x0176, A(0x76, 0x12)}, {0x0177, A(0x76, 0x12)},
    {0x0178, A(0x76, 0x13)}, {0x0179, A(0x78, 0x0E)}, {0x017A, A(0x78, 0x0E)}, {0x017B, A(0x78, 0x10)},
    {0x017C, A(0x78, 0x10)}, {0x017D, A(0x78, 0x14)}, {0x017E, A(0x78, 0x14)}, {0x017F, S(0x6C, 0x06)},
    {0x0192, A(0x53, 0x7B)}, {0x02C6, A(0x2B, 0x02, 0x03)}, {0x02DC, S(0x2B, 0x1C)}, {0x2013, U(0x89)},
    {0x2014, U(0x8B)}, {0x2018, S(0x2B, 0x37)}, {0x2019, S(0x2B, 0x38)}, {0x201A, S(0x2B, 0x39)},
    {0x201C, S(0x2B, 0x3B)}, {0x201D, S(0x2B, 0x3C)}, {0x201E, S(0x2B, 0x3D)}, {0x2020, S(0x34, 0xB3)},
    {0x2021, S(0x34, 0xB4)}, {0x2022, S(0x34, 0xB5)}, {0x2026, S(0x34, 0xB9)}, {0x2030, S(0x34, 0xBA)},
    {0x2039, S(0x2B, 0x46)}, {0x203A, S(0x2B, 0x47)}, {0x20AC, S(0x35, 0xA1)}, {0x2122, S(0x6E, 0x04)},
};


// Jet 3 General sort order, by Windows-1252 byte.
constexpr std::array<CharCode, 256> kGeneral97{{
    N, S(0x10), S(0x10), S(0x10), S(0x10), S(0x10), S(0x10), S(0x10),  // 00
    S(0x10), S(0x11), S(0x10), S(0x10), S(0x10), S(0x10), S(0x10), S(0x10),  // 08
    S(0x10), S(0x10), S(0x10), S(0x10), S(0x10), S(0x10), S(0x10), S(0x10),  // 10
    S(0x10), S(0x10), S(0x10), S(0x10), S(0x10), S(0x10), S(0x10), S(0x10),  // 18
    S(0x11), S(0x12), S(0x13), S(0x14), S(0x15), S(0x16), S(0x17), S(0x18),  // 20
    S(0x19), S(0x1A), S(0x1B), S(0x1C), S(0x1D), S(0x1E), S(0x1F), S(0x20),  // 28
    S(0x56), S(0x57), S(0x58), S(0x59), S(0x5A), S(0x5B), S(0x5C), S(0x5D),  // 30
    S(0x5E), S(0x5F), S(0x21), S(0x22), S(0x23), S(0x24), S(0x25), S(0x26),  // 38
    S(0x27), S(0x60), S(0x61), S(0x62), S(0x64), S(0x66), S(0x67), S(0x68),  // 40
    S(0x69), S(0x6A), S(0x6B), S(0x6C), S(0x6D), S(0x6F), S(0x70), S(0x72),  // 48
    S(0x73), S(0x74), S(0x75), S(0x76), S(0x77), S(0x78), S(0x7A), S(0x7B),  // 50
    S(0x7C), S(0x7D), S(0x7E), S(0x28), S(0x29), S(0x2A), S(0x2B), S(0x2C),  // 58
    S(0x2D), S(0x60), S(0x61), S(0x62), S(0x64), S(0x66), S(0x67), S(0x68),  // 60
    S(0x69), S(0x6A), S(0x6B), S(0x6C), S(0x6D), S(0x6F), S(0x70), S(0x72),  // 68
    S(0x73), S(0x74), S(0x75), S(0x76), S(0x77), S(0x78), S(0x7A), S(0x7B),  // 70
    S(0x7C), S(0x7D), S(0x7E), S(0x2E), S(0x2F), S(0x30), S(0x31), S(0x10),  // 78
    S(0x10), S(0x10), S(0x18), S(0x32), S(0x13), S(0x33), S(0x34), S(0x35),  // 80
    S(0x36), S(0x37), N, S(0x18), S(0x72, 0x66), S(0x10), S(0x10), S(0x10),  // 88
    S(0x10), S(0x18), S(0x18), S(0x13), S(0x13), S(0x38), S(0x1E), S(0x1E),  // 90
    S(0x39), S(0x3A), N, S(0x18), S(0x72, 0x66), S(0x10), S(0x10), N,  // 98
    S(0x11), S(0x3B), S(0x3C), S(0x3D), S(0x3E), S(0x3F), S(0x40), S(0x41),  // A0
    S(0x42), S(0x43), S(0x44), S(0x13), S(0x45), S(0x1E), S(0x46), S(0x47),  // A8
    S(0x48), S(0x49), S(0x58), S(0x59), S(0x4A), S(0x4B), S(0x4C), S(0x4D),  // B0
    S(0x4E), S(0x57), S(0x4F), S(0x13), S(0x50), S(0x51), S(0x52), S(0x53),  // B8
    N, N, N, N, N, N, S(0x60, 0x66), N,  // C0
    N, N, N, N, N, N, N, N,  // C8
    S(0x65), N, N, N, N, N, N, S(0x54),  // D0
    S(0x81), N, N, N, N, N, S(0x7F), S(0x76, 0x76),  // D8
    N, N, N, N, N, N, S(0x60, 0x66), N,  // E0
    N, N, N, N, N, N, N, N,  // E8
    S(0x65), N, N, N, N, N, N, S(0x55),  // F0
    S(0x81), N, N, N, N, N, S(0x7F), N,  // F8
}};

// Markers of a Jet 4 text key: the end of the main run, and the end of the key.
constexpr std::uint8_t kEndOfText = 0x01;
constexpr std::uint8_t kEndOfKey = 0x00;
// A set-aside character is written as a position word, this byte and its code.
constexpr std::uint8_t kSetAsideMark = 0x06;
// The accent code of a character without accent, in the accent run.
constexpr std::uint8_t kNoAccent = 0x02;

// Reads one UTF-8 character at `pos`; false for malformed bytes.
bool nextChar(std::string_view s, std::size_t& pos, char32_t& cp) {
    const auto byte = [&](std::size_t i) { return static_cast<std::uint8_t>(s[i]); };
    const std::uint8_t lead = byte(pos);
    const int extra = lead < 0x80 ? 0 : (lead >> 5) == 0x6 ? 1 : (lead >> 4) == 0xE ? 2 : (lead >> 3) == 0x1E ? 3 : -1;
    if (extra < 0 || pos + static_cast<std::size_t>(extra) >= s.size())
        return false;
    cp = extra == 0 ? lead : lead & (0x7F >> (extra + 1));
    for (int n = 1; n <= extra; ++n) {
        if ((byte(pos + n) & 0xC0) != 0x80)
            return false;
        cp = (cp << 6) | (byte(pos + n) & 0x3F);
    }
    pos += static_cast<std::size_t>(extra) + 1;
    return true;
}

std::string hexChar(char32_t c) {
    static constexpr char kHex[] = "0123456789ABCDEF";
    std::string s = "U+";
    for (int shift = c > 0xFFFF ? 20 : 12; shift >= 0; shift -= 4)
        s += kHex[(c >> shift) & 0xF];
    return s;
}

// The Windows-1252 byte of `c`; false when the code page has none.
bool toWindows1252(char32_t c, std::uint8_t& out) {
    std::string utf8;
    appendUtf8(utf8, c);
    const std::string b = utf8ToWindows1252(utf8);
    if (b.size() != 1 || (b[0] == '?' && c != '?'))
        return false;
    out = static_cast<std::uint8_t>(b[0]);
    return true;
}

// The code of `c` in this sort order; None when there is no usable one.
CharCode codeOf(bool jet3, char32_t c) {
    if (jet3) {
        std::uint8_t b = 0;
        return toWindows1252(c, b) ? kGeneral97[b] : N;
    }
    if (c < 256)
        return kGeneral[c];
    const auto* end = std::end(kGeneralWide);
    const auto* it = std::lower_bound(std::begin(kGeneralWide), end, c,
                                      [](const WideCode& w, char32_t x) { return w.c < x; });
    return it != end && it->c == c ? it->code : N;
}

void appendBigEndian(std::vector<std::uint8_t>& out, std::uint64_t v, int bytes) {
    for (int n = bytes - 1; n >= 0; --n)
        out.push_back(static_cast<std::uint8_t>(v >> (8 * n)));
}

// Integers: big-endian with the sign bit turned over, so that negative
// numbers come first.
void appendSigned(std::vector<std::uint8_t>& out, std::int64_t v, int bytes) {
    const std::uint64_t signBit = std::uint64_t{1} << (8 * bytes - 1);
    appendBigEndian(out, static_cast<std::uint64_t>(v) ^ signBit, bytes);
}

// Floating point: positive numbers with the sign bit turned over, negative
// ones with every bit turned over, so that the bytes order as the numbers.
void appendFloating(std::vector<std::uint8_t>& out, std::uint64_t bits, int bytes) {
    const std::uint64_t signBit = std::uint64_t{1} << (8 * bytes - 1);
    const std::uint64_t all = bytes == 8 ? ~std::uint64_t{0} : (signBit << 1) - 1;
    appendBigEndian(out, (bits & signBit) ? (~bits & all) : (bits ^ signBit), bytes);
}

bool fail(std::string& why, std::string text) {
    why = std::move(text);
    return false;
}

}  // namespace

std::vector<KeyColumn> keyColumns(const TableDef& table, const RealIndex& index, const Pager& pager) {
    std::vector<KeyColumn> out;
    for (const auto& ic : index.columns) {
        const ColumnDef* found = nullptr;
        for (const auto& c : table.columns)
            if (c.number == ic.columnNumber)
                found = &c;
        if (!found)
            pager.damaged("an index of the table at page " + std::to_string(table.page) + " names column " +
                          std::to_string(ic.columnNumber) + ", which the table does not have");
        out.push_back({found, ic.ascending});
    }
    return out;
}

bool KeyEncoder::textSortOrderKnown(const ColumnDef& column) const {
    if (jet3_)
        return column.sortOrder == kGeneralSortOrder && (column.codePage == 1252 || column.codePage == 0);
    return column.sortOrder == kGeneralSortOrder && column.sortOrderVersion == 0;
}

bool KeyEncoder::caseClosed(char32_t c) const {
    const CharCode mine = codeOf(jet3_, c);
    if (mine.kind == CharCode::None)
        return false;
    // foldCase only joins characters below U+0460; check every partner there.
    const char32_t folded = foldCase(c);
    for (char32_t d = 0; d < 0x460; ++d) {
        if (d == c || foldCase(d) != folded)
            continue;
        if (jet3_) {
            std::uint8_t b = 0;
            if (!toWindows1252(d, b))
                continue;  // Jet 3 text cannot hold it
        }
        if (codeOf(jet3_, d) != mine)
            return false;
    }
    return true;
}

bool KeyEncoder::appendText(std::vector<std::uint8_t>& out, std::string_view utf8, std::string& why) const {
    std::vector<std::uint8_t> accents;  // per character of the main run up to the last accented one
    std::vector<std::uint8_t> setAside;
    std::size_t plainChars = 0;  // characters written to the main run so far
    std::size_t chars = 0;
    for (std::size_t pos = 0; pos < utf8.size() && chars < kMaxIndexedChars; ++chars) {
        char32_t c = 0;
        if (!nextChar(utf8, pos, c))
            return fail(why, "the text is not valid UTF-8");
        const CharCode code = codeOf(jet3_, c);
        if (code.kind == CharCode::None)
            return fail(why, "the character " + hexChar(c) + " has no index code that Ravelin knows");
        if (code.kind == CharCode::SetAside) {
            // Position word: 0x8000 | (7 + 4 * characters before it in the
            // main run). Every accent code here is one byte, so the accent
            // run counts the same characters.
            const std::size_t word = 0x8000 | (7 + 4 * plainChars);
            setAside.push_back(static_cast<std::uint8_t>(word >> 8));
            setAside.push_back(static_cast<std::uint8_t>(word));
            setAside.push_back(kSetAsideMark);
            setAside.push_back(code.bytes[0]);
            continue;
        }
        if (code.kind == CharCode::Accented) {
            // Unaccented characters before it hold the place of their accent.
            accents.resize(plainChars, kNoAccent);
            accents.push_back(code.accent);
        }
        out.insert(out.end(), code.bytes.begin(), code.bytes.begin() + code.size);
        ++plainChars;
    }
    if (jet3_)
        return true;  // Jet 3 keys end with the key terminator alone
    out.push_back(kEndOfText);
    // The accent run ends at its last real accent code.
    while (!accents.empty() && accents.back() <= kNoAccent)
        accents.pop_back();
    out.insert(out.end(), accents.begin(), accents.end());
    if (!setAside.empty()) {
        // An empty run (of case marks) and the ends of both come first.
        out.push_back(kEndOfText);
        out.push_back(kEndOfText);
        out.push_back(kEndOfText);
        out.insert(out.end(), setAside.begin(), setAside.end());
    }
    return true;
}

bool KeyEncoder::append(std::vector<std::uint8_t>& key, const KeyColumn& kc, const Value& value, std::string& why) const {
    const ColumnDef& c = *kc.column;
    const auto type = static_cast<ColumnType>(c.type);
    const std::size_t start = key.size();
    const auto undo = [&](std::string text) {
        key.resize(start);
        return fail(why, "column '" + c.name + "': " + std::move(text));
    };
    const auto turnOver = [&](std::size_t from) {
        for (std::size_t n = from; n < key.size(); ++n)
            key[n] = static_cast<std::uint8_t>(~key[n]);
    };
    const auto wrongKind = [&] { return undo("the value is not of the column's type"); };

    if (type == ColumnType::Boolean) {
        // A flag and one byte: True (Jet's -1) before False.
        if (!value.isNull() && value.kind() != Value::Kind::Boolean)
            return wrongKind();
        const bool truth = !value.isNull() && value.asBool();
        key.push_back(kc.ascending ? kAscendingFlag : kDescendingFlag);
        key.push_back(truth == kc.ascending ? 0x00 : 0xFF);
        return true;
    }
    if (value.isNull()) {
        key.push_back(kc.ascending ? kAscendingNull : kDescendingNull);
        return true;
    }
    key.push_back(kc.ascending ? kAscendingFlag : kDescendingFlag);
    const std::size_t body = key.size();
    switch (type) {
    case ColumnType::Byte:
        if (value.kind() != Value::Kind::Integer)
            return wrongKind();
        key.push_back(static_cast<std::uint8_t>(value.asInteger()));
        break;
    case ColumnType::Integer:
    case ColumnType::Long:
    case ColumnType::Complex:
    case ColumnType::BigInt:
        if (value.kind() != Value::Kind::Integer)
            return wrongKind();
        appendSigned(key, value.asInteger(), type == ColumnType::Integer ? 2 : type == ColumnType::BigInt ? 8 : 4);
        break;
    case ColumnType::Currency:
        if (value.kind() != Value::Kind::Currency)
            return wrongKind();
        appendSigned(key, value.currencyScaled(), 8);
        break;
    case ColumnType::Single:
        if (value.kind() != Value::Kind::Single)
            return wrongKind();
        appendFloating(key, std::bit_cast<std::uint32_t>(value.asSingle()), 4);
        break;
    case ColumnType::Double:
    case ColumnType::DateTime: {
        double d = 0;
        if (value.kind() == Value::Kind::Double)
            d = value.asDouble();
        else if (value.kind() == Value::Kind::DateTime)
            d = value.dateTimeSerial();
        else
            return wrongKind();
        appendFloating(key, std::bit_cast<std::uint64_t>(d), 8);
        break;
    }
    case ColumnType::Guid: {
        if (value.kind() != Value::Kind::Guid)
            return wrongKind();
        // The GUID in its written order (the row holds the first three groups
        // little-endian), in two halves: 8 bytes, 0x09, 8 bytes, 0x08. When
        // descending every byte but the middle 0x09 is turned over.
        static constexpr int kOrder[16] = {3, 2, 1, 0, 5, 4, 7, 6, 8, 9, 10, 11, 12, 13, 14, 15};
        const GuidBytes g = value.guidValue();
        for (int n = 0; n < 16; ++n) {
            if (n == 8)
                key.push_back(0x09);
            key.push_back(g[static_cast<std::size_t>(kOrder[n])]);
        }
        key.push_back(0x08);
        if (!kc.ascending) {
            turnOver(body);
            key[body + 8] = 0x09;
        }
        return true;
    }
    case ColumnType::Text: {
        if (value.kind() != Value::Kind::Text)
            return wrongKind();
        if (!textSortOrderKnown(c))
            return undo("its sort order (" + std::to_string(c.sortOrder) + ", version " +
                        std::to_string(c.sortOrderVersion) + ") is not one Ravelin can encode");
        if (jet3_ && !kc.ascending)
            return undo("descending Jet 3 text keys are not supported");
        std::string problem;
        if (!appendText(key, value.text(), problem))
            return undo(problem);
        if (!kc.ascending) {
            // The terminator is turned over with the text, and another follows.
            key.push_back(kEndOfKey);
            turnOver(body);
        }
        key.push_back(kEndOfKey);
        return true;
    }
    default:
        return undo("index keys of " + typeName(c.type) + " columns are not supported");
    }
    if (!kc.ascending)
        turnOver(body);
    return true;
}

}  // namespace jet
