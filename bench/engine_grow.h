#pragma once
// Makes a large table for the engine benchmark out of a small real one: the
// test files hold at most a few hundred rows per table, too few to show how
// reading time and memory scale. The copy is written to a temporary file and
// read by both our engine and mdb-export; the original is never changed.
#include <cstdint>
#include <string>
#include <vector>

namespace bench {

struct GrownTable {
    std::vector<std::uint8_t> bytes;  // the whole new database file
    std::uint32_t dataPages = 0;      // data pages of the table now
    std::uint32_t rows = 0;           // rows of the table now
};

// A Jet 4 database whose table (definition on page `tdefPage`) holds its
// data pages `copies` more times: each copy is appended at the end of the
// file and added to the table's usage map, and the table's row count is
// raised to match. Only an inline (type 0) usage map is handled, so the file
// may grow to the map's reach; `copies` is lowered to fit. Throws
// std::runtime_error when the file is not laid out as expected.
GrownTable growTable(const std::vector<std::uint8_t>& file, std::uint32_t tdefPage, std::uint32_t copies);

}  // namespace bench
