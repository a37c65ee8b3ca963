#pragma once
// A usage map: the set of pages a table (or index) owns, as a bitmap. Small
// maps are stored inline in a row (a start page and the bits); large ones are
// a row of pointers to map pages, each a bitmap of its own range of pages.
// The pages are found by walking the bits, so memory does not grow with the
// table.
#include "jet/table/DataPage.h"

#include <cstdint>
#include <optional>
#include <vector>

namespace jet {

// The map page that a map of the referenced kind names in its 4 bytes at
// `at`; 0 for none, which Jet writes as 0 or as a negative number (a global
// map of that kind ends in FFFFFF80).
std::uint32_t mapPageAt(const std::uint8_t* at);

class UsageMap {
public:
    UsageMap() = default;
    // Reads the map whose row the 4-byte row pointer `pointer` names.
    static UsageMap read(const Pager& pager, bool jet3, std::uint32_t pointer);

    // The first page in the map numbered `from` or higher.
    std::optional<std::uint32_t> firstFrom(std::uint32_t from) const;
    // The last page in the map numbered `from` or lower.
    std::optional<std::uint32_t> lastFrom(std::uint32_t from) const;

    bool referenced() const { return !mapPages_.empty(); }  // pages hold the bits

private:
    // The stretch of bits that covers page `n`: `bits` holds one bit per page
    // from page `first` for `count` pages (null bits: none of them is used).
    struct Segment {
        const std::uint8_t* bits = nullptr;
        std::uint32_t first = 0;
        std::uint32_t count = 0;
        PageRef keep;
    };
    Segment segmentFor(std::uint64_t n) const;
    std::uint64_t limit() const;  // one past the last page number the map can name
    std::uint32_t existing(std::uint64_t n) const;  // `n`, or damaged() when the file lacks that page

    const Pager* pager_ = nullptr;
    std::uint32_t start_ = 0;
    std::vector<std::uint8_t> inlineBits_;
    std::vector<std::uint32_t> mapPages_;  // 0 where a range has no map page
    std::uint32_t pagesPerMapPage_ = 0;
};

}  // namespace jet
