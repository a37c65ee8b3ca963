#pragma once
// The codes Access gives every UTF-16 code unit in the sort orders of text
// keys: General 97 (Jet 3, by Windows-1252 byte), General legacy (Jet 4 and
// ACE 12, named "General" there) and the General order of ACE 14 and later.
// They are Access's own codes as the tables in index/sort-orders/ record them
// (see the NOTICE file), turned into a compact form when the project is built.
#include <cstdint>
#include <optional>
#include <span>

namespace jet {

enum class SortOrder : std::uint8_t { General97, GeneralLegacy, General2010 };

// How a code unit enters a text key (index/TextKey.cpp puts the pieces together).
enum class CodeKind : std::uint8_t {
    Ignored,      // not at all
    Plain,        // its primary bytes
    Accented,     // its primary bytes, and accent bytes in the accent run
    Unprintable,  // a code in the run of unprintable characters, at its position
    Modifier,     // a combining mark: an amount added to the accent byte before it
    Kana,         // its primary bytes, maybe accent bytes, and a kana code
    Significant,  // General 97: a letter that can carry an accent
    Surrogate,    // half of a surrogate pair: its codes are computed, not tabled
};

struct SortCode {
    CodeKind kind = CodeKind::Ignored;
    std::span<const std::uint8_t> primary;
    // Accent bytes; for an Unprintable its one code, for a Modifier its amount.
    std::span<const std::uint8_t> accents;
    // The letters and digits the primary bytes spell: 2 for ß ("ss") and æ
    // ("ae"), 3 for "ﬃ", 1 for every other character.
    std::uint8_t letters = 1;
    bool smallKana = false;  // Kana: a small kana (code 2) rather than a full one (3)
};

// The code of `unit` in `order`; for General 97 `unit` is a Windows-1252 byte
// (see general97Byte) or a code unit below U+0100.
SortCode sortCode(SortOrder order, char16_t unit);

// General 97 works on Windows-1252 bytes: the byte of `unit` there, the unit
// itself below U+0100; nothing for a character the code page lacks, which
// General 97 leaves out of keys.
std::optional<std::uint8_t> general97Byte(char16_t unit);

}  // namespace jet
