#pragma once
// The value bytes of a text column in an index key, as Access writes them.
//
// The text is cut to its first 255 UTF-16 code units and its trailing spaces
// are dropped; letter case is not recorded.
//
// General legacy and General 2010: the primary bytes of every unit, 01, the
// accent run (an accent byte for each accented character, a 02 placeholder
// for each position without one before it, trailing placeholders dropped),
// then, when the text holds unprintable characters or kana, 01 01, the kana
// codes packed three to a byte and a fixed suffix, 01 and a 4-byte entry for
// each unprintable character (its position and code); 00 ends the key. A
// position counts the units that have primary bytes; surrogates have
// computed codes. Descending: every byte turned over, and another 00.
//
// General 97 (Windows-1252 text): the primary bytes, then the accent nibbles
// (none: the single byte 00). Descending: every byte turned over.
#include "jet/index/SortTables.h"

#include <cstdint>
#include <string_view>
#include <vector>

namespace jet {

// How many positions an expansion letter (ß as "ss", æ as "ae") counts in a
// General legacy or 2010 key: Access builds differ, one writes one position,
// another one per letter. The two give different keys only when such a
// letter comes before an accented, unprintable or kana character.
enum class Expansions : std::uint8_t { OnePosition, PerLetter };

// Appends the key bytes of the UTF-8 text `utf8` (malformed bytes stand for
// U+FFFD, as when the text is stored), without the flag byte before them.
void appendTextKey(std::vector<std::uint8_t>& key, SortOrder order, std::string_view utf8, bool ascending,
                   Expansions expansions);

}  // namespace jet
