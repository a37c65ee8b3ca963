#pragma once
// Little-endian reads from raw bytes. Callers check the bounds first; the
// page and row code does that through PageBytes.
#include <cstdint>
#include <cstring>

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

inline void writeU32(std::uint8_t* p, std::uint32_t v) {
    for (int i = 0; i < 4; ++i)
        p[i] = static_cast<std::uint8_t>(v >> (8 * i));
}

}  // namespace jet
