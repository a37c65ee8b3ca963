#pragma once
// The compact form of the sort-order tables, shared by the generator that
// writes it at build time (index/sort-orders/SortTableGenerator.cpp) and the
// lookup that reads it (index/SortTables.cpp).
//
// A table holds one record per code unit, U+0000 up (General 97: per byte),
// and the offset of every kBlockUnits-th record. A record is:
//   head byte:   kind (CodeKind, bits 0-2), primary byte count (bits 3-6),
//                bit 7 set when a second head byte follows;
//   second head: accent byte count (bits 0-1), letters spelt less one
//                (bits 2-3), small kana (bit 4);
//   the primary bytes, then the accent bytes.
#include <cstddef>
#include <cstdint>

namespace jet::sorttable {

inline constexpr unsigned kBlockUnits = 16;

inline constexpr unsigned kKindBits = 0x07;
inline constexpr unsigned kPrimaryShift = 3;
inline constexpr unsigned kPrimaryBits = 0x0F;
inline constexpr unsigned kMoreHead = 0x80;
inline constexpr unsigned kAccentBits = 0x03;
inline constexpr unsigned kLettersShift = 2;
inline constexpr unsigned kLettersBits = 0x03;
inline constexpr unsigned kSmallKana = 0x10;

struct Table {
    const std::uint8_t* records;
    const std::uint32_t* blocks;  // offset of record kBlockUnits * n in `records`
    std::size_t units;
};

struct ByteOf {
    char16_t unit;
    std::uint8_t byte;
};

// Defined in the generated SortTableData.cpp.
extern const Table kGeneral97;
extern const Table kGeneralLegacy;
extern const Table kGeneral2010;
// The Windows-1252 bytes of the units above U+00FF that have one, by unit.
extern const ByteOf kGeneral97Bytes[];
extern const std::size_t kGeneral97ByteCount;

}  // namespace jet::sorttable
