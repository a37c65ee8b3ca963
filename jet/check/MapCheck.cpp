#include "jet/check/MapCheck.h"

#include "jet/page/PageFormat.h"
#include "jet/table/DataPage.h"
#include "jet/table/UsageMap.h"

namespace jet {
namespace {

void addBits(std::vector<std::uint32_t>& pages, const std::uint8_t* bits, std::size_t bytes, std::uint64_t first) {
    for (std::size_t n = 0; n < bytes * 8; ++n)
        if ((bits[n / 8] >> (n % 8)) & 1) {
            const std::uint64_t page = first + n;
            if (page <= UINT32_MAX)
                pages.push_back(static_cast<std::uint32_t>(page));
        }
}

}  // namespace

std::vector<std::uint32_t> mapPages(CheckRun& run, const std::string& table, std::uint32_t pointer) {
    const Pager& pager = run.db->pager();
    PageRef keep;
    const auto row = rowAt(pager, run.db->jet3(), rowPointer(pointer), keep);
    std::vector<std::uint32_t> pages;
    if (row.empty()) {
        run.add(table, rowPointer(pointer).page, "a usage map row is empty");
        return pages;
    }
    if (row[0] == kInlineUsageMap) {
        if (row.size() < kInlineMapBitsAt) {
            run.add(table, rowPointer(pointer).page, "a usage map row is cut short");
            return pages;
        }
        addBits(pages, row.data() + kInlineMapBitsAt, row.size() - kInlineMapBitsAt, readU32(row.data() + kInlineMapStartAt));
        return pages;
    }
    if (row[0] != kReferenceUsageMap) {
        run.add(table, rowPointer(pointer).page, "a usage map of unknown kind " + std::to_string(row[0]));
        return pages;
    }
    const std::size_t perMapPage = pagesPerMapPage(pager.pageSize());
    for (std::size_t at = 1, index = 0; at + 4 <= row.size(); at += 4, ++index) {
        const std::uint32_t mapPage = mapPageAt(row.data() + at);
        if (mapPage == 0)
            continue;
        if (mapPage >= pager.pageCount()) {
            run.add(table, mapPage, "usage map page lies past the end of the file");
            continue;
        }
        const PageRef p = pager.page(mapPage);
        if (p->bytes[0] != kUsageMapPageType) {
            run.add(table, mapPage, "named as a usage map page but holds page type " + std::to_string(p->bytes[0]));
            continue;
        }
        addBits(pages, p->bytes.data() + kMapPageBitsAt, p->bytes.size() - kMapPageBitsAt, std::uint64_t{index} * perMapPage);
    }
    return pages;
}

}  // namespace jet
