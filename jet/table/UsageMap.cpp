#include "jet/table/UsageMap.h"

#include "jet/page/PageFormat.h"

#include <algorithm>
#include <string>

namespace jet {

std::uint32_t mapPageAt(const std::uint8_t* at) {
    const std::uint32_t page = readU32(at);
    return page & 0x80000000u ? 0 : page;
}

UsageMap UsageMap::read(const Pager& pager, bool jet3, std::uint32_t pointer) {
    PageRef keep;
    const auto row = rowAt(pager, jet3, rowPointer(pointer), keep);
    if (row.empty())
        pager.damaged("an empty usage map at page " + std::to_string(rowPointer(pointer).page));
    UsageMap map;
    map.pager_ = &pager;
    switch (row[0]) {
    case kInlineUsageMap:
        if (row.size() < kInlineMapBitsAt)
            pager.damaged("a usage map at page " + std::to_string(rowPointer(pointer).page) + " is cut short");
        map.start_ = readU32(&row[kInlineMapStartAt]);
        map.inlineBits_.assign(row.begin() + kInlineMapBitsAt, row.end());
        break;
    case kReferenceUsageMap:
        map.pagesPerMapPage_ = pagesPerMapPage(pager.pageSize());
        for (std::size_t at = 1; at + 4 <= row.size(); at += 4)
            map.mapPages_.push_back(mapPageAt(&row[at]));
        break;
    default:
        pager.damaged("a usage map of unknown kind " + std::to_string(row[0]) + " at page " +
                      std::to_string(rowPointer(pointer).page));
    }
    return map;
}

std::uint64_t UsageMap::limit() const {
    return mapPages_.empty() ? std::uint64_t{start_} + inlineBits_.size() * 8
                             : std::uint64_t{pagesPerMapPage_} * mapPages_.size();
}

std::uint32_t UsageMap::existing(std::uint64_t n) const {
    // A page the map lists but the file lacks: the file was cut short, and
    // reading on would silently lose what that page held.
    if (pager_ && n >= pager_->pageCount())
        pager_->damaged("page " + std::to_string(n) + " of a usage map lies beyond the end of the file");
    return static_cast<std::uint32_t>(n);
}

UsageMap::Segment UsageMap::segmentFor(std::uint64_t n) const {
    Segment s;
    if (mapPages_.empty()) {
        s.bits = inlineBits_.data();
        s.first = start_;
        s.count = static_cast<std::uint32_t>(inlineBits_.size() * 8);
        return s;
    }
    const auto index = static_cast<std::uint32_t>(n / pagesPerMapPage_);
    s.first = index * pagesPerMapPage_;
    s.count = pagesPerMapPage_;
    const std::uint32_t mapPage = mapPages_[index];
    if (mapPage == 0)
        return s;
    s.keep = pager_->page(mapPage);
    if (s.keep->bytes[0] != kUsageMapPageType)
        pager_->damaged("usage map page " + std::to_string(mapPage) + " is not a usage map page");
    s.bits = s.keep->bytes.data() + kMapPageBitsAt;
    return s;
}

std::optional<std::uint32_t> UsageMap::firstFrom(std::uint32_t from) const {
    // Page numbers are counted in 64 bits: an inline map whose range runs past
    // the last 32-bit page number names pages no file has (damage), and must
    // not wrap round to page 0.
    const std::uint64_t end = limit();
    std::uint64_t n = from;
    while (n < end) {
        const Segment s = segmentFor(n);
        if (n < s.first)
            n = s.first;
        const std::uint64_t stop = std::min<std::uint64_t>(std::uint64_t{s.first} + s.count, end);
        if (s.bits) {
            for (; n < stop; ++n) {
                const auto rel = static_cast<std::uint32_t>(n - s.first);
                if (rel % 8 == 0 && s.bits[rel / 8] == 0) {
                    n += 7;
                    continue;
                }
                if ((s.bits[rel / 8] >> (rel % 8)) & 1)
                    return existing(n);
            }
        }
        if (mapPages_.empty())
            break;
        n = std::uint64_t{s.first} + s.count;
    }
    return std::nullopt;
}

std::optional<std::uint32_t> UsageMap::lastFrom(std::uint32_t from) const {
    const std::uint64_t end = limit();
    if (end == 0)
        return std::nullopt;
    std::int64_t n = from < end ? from : end - 1;
    while (n >= 0) {
        const Segment s = segmentFor(static_cast<std::uint64_t>(n));
        if (n >= std::int64_t{s.first} + s.count)
            n = std::int64_t{s.first} + s.count - 1;
        if (s.bits) {
            for (; n >= std::int64_t{s.first}; --n) {
                const auto rel = static_cast<std::uint32_t>(n - s.first);
                if ((s.bits[rel / 8] >> (rel % 8)) & 1)
                    return existing(static_cast<std::uint64_t>(n));
            }
        }
        if (mapPages_.empty())
            break;
        n = std::int64_t{s.first} - 1;
    }
    return std::nullopt;
}

}  // namespace jet
