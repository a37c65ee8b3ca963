#pragma once
// How Jet lays numbers and row locations out in bytes: little-endian integers
// and floating point, big-endian index child pointers, and the two forms of a
// row location (where things lie inside pages: PageFormat.h). Callers check
// the bounds first; the page and row code does that through CheckedBytes
// (jet/page/Pager.h).
#include <cstdint>
#include <cstring>
#include <vector>

namespace jet {

inline std::uint16_t readU16(const std::uint8_t* p) {
    return static_cast<std::uint16_t>(p[0] | (p[1] << 8));
}

inline std::uint32_t readU24(const std::uint8_t* p) {
    return static_cast<std::uint32_t>(p[0]) | (static_cast<std::uint32_t>(p[1]) << 8) |
           (static_cast<std::uint32_t>(p[2]) << 16);
}

inline std::uint32_t readU32(const std::uint8_t* p) {
    return readU24(p) | (static_cast<std::uint32_t>(p[3]) << 24);
}

inline std::uint64_t readU64(const std::uint8_t* p) {
    return static_cast<std::uint64_t>(readU32(p)) | (static_cast<std::uint64_t>(readU32(p + 4)) << 32);
}

inline double readDouble(const std::uint8_t* p) {
    const std::uint64_t bits = readU64(p);
    double d;
    std::memcpy(&d, &bits, sizeof d);
    return d;
}

inline float readFloat(const std::uint8_t* p) {
    const std::uint32_t bits = readU32(p);
    float f;
    std::memcpy(&f, &bits, sizeof f);
    return f;
}

inline void writeU16(std::uint8_t* p, std::uint16_t v) {
    p[0] = static_cast<std::uint8_t>(v);
    p[1] = static_cast<std::uint8_t>(v >> 8);
}

inline void writeU32(std::uint8_t* p, std::uint32_t v) {
    for (int i = 0; i < 4; ++i)
        p[i] = static_cast<std::uint8_t>(v >> (8 * i));
}

inline void appendU16(std::vector<std::uint8_t>& out, std::uint16_t v) {
    out.push_back(static_cast<std::uint8_t>(v));
    out.push_back(static_cast<std::uint8_t>(v >> 8));
}

inline void appendU32(std::vector<std::uint8_t>& out, std::uint32_t v) {
    appendU16(out, static_cast<std::uint16_t>(v));
    appendU16(out, static_cast<std::uint16_t>(v >> 16));
}

inline void appendU64(std::vector<std::uint8_t>& out, std::uint64_t v) {
    appendU32(out, static_cast<std::uint32_t>(v));
    appendU32(out, static_cast<std::uint32_t>(v >> 32));
}

// Index entries hold their child page (intermediate pages) big-endian.
inline std::uint32_t readU32BigEndian(const std::uint8_t* p) {
    return static_cast<std::uint32_t>(p[0]) << 24 | static_cast<std::uint32_t>(p[1]) << 16 |
           static_cast<std::uint32_t>(p[2]) << 8 | p[3];
}

inline void writeU32BigEndian(std::uint8_t* p, std::uint32_t v) {
    for (int i = 0; i < 4; ++i)
        p[i] = static_cast<std::uint8_t>(v >> (24 - 8 * i));
}

// Where a row is: the data page number and the row's number on that page.
struct RowLocation {
    std::uint32_t page = 0;
    std::uint16_t row = 0;
    bool operator==(const RowLocation&) const = default;
};

// Jet's 4-byte row pointer, stored little-endian: row number in the low byte,
// page number above it.
constexpr RowLocation rowPointer(std::uint32_t raw) {
    return {raw >> 8, static_cast<std::uint16_t>(raw & 0xFF)};
}
constexpr std::uint32_t rowPointer(std::uint32_t page, std::uint8_t row) { return page << 8 | row; }
constexpr std::uint32_t rowPointer(RowLocation at) { return rowPointer(at.page, static_cast<std::uint8_t>(at.row)); }

// The row location that ends an index entry: the page big-endian in 3 bytes,
// then the row (so that entries of equal keys sort in row order).
inline RowLocation readIndexRow(const std::uint8_t* p) {
    return {static_cast<std::uint32_t>(p[0]) << 16 | static_cast<std::uint32_t>(p[1]) << 8 | p[2], p[3]};
}
inline void appendIndexRow(std::vector<std::uint8_t>& out, RowLocation row) {
    out.push_back(static_cast<std::uint8_t>(row.page >> 16));
    out.push_back(static_cast<std::uint8_t>(row.page >> 8));
    out.push_back(static_cast<std::uint8_t>(row.page));
    out.push_back(static_cast<std::uint8_t>(row.row));
}

}  // namespace jet
