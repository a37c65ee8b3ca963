#pragma once
// Where a database's bytes come from: a file opened read-only (read with
// pread, never written, never locked) or a buffer in memory.
#include <cstdint>
#include <memory>
#include <span>
#include <string>
#include <vector>

namespace jet {

class PageSource {
public:
    virtual ~PageSource() = default;
    virtual std::uint64_t size() const = 0;
    // Fills `out` from `offset`; throws Error (DiskIo) when the bytes cannot be read.
    virtual void read(std::uint64_t offset, std::span<std::uint8_t> out) const = 0;
};

// Opens `path` read-only; throws Error FileNotFound when it does not exist and
// DiskIo when it cannot be opened.
std::unique_ptr<PageSource> openFileSource(const std::string& path);

std::unique_ptr<PageSource> memorySource(std::vector<std::uint8_t> bytes);

}  // namespace jet
