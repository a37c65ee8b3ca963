#include "jet/table/DataPage.h"

#include "jet/page/PageFormat.h"

#include <string>

namespace jet {

bool isDataPage(const Page& page) { return !page.bytes.empty() && page.bytes[0] == kDataPageType; }

DataPageView::DataPageView(const PageRef& page, const Pager& pager, bool jet3)
    : page_(page), pager_(&pager) {
    const auto& b = page_->bytes;
    owner_ = readU32(&b[kDataOwnerAt]);
    rowCount_ = readU16(&b[dataRowCountAt(jet3)]);
    tableStart_ = dataRowOffsetsAt(jet3);
    if (tableStart_ + 2 * std::size_t{rowCount_} > b.size())
        pager.damaged("data page " + std::to_string(page_->number) + " claims " + std::to_string(rowCount_) +
                      " rows, more than fit");
}

std::uint16_t DataPageView::rawOffset(std::uint16_t n) const {
    return readU16(&page_->bytes[tableStart_ + 2 * std::size_t{n}]);
}

RowSlot DataPageView::row(std::uint16_t n) const {
    const std::uint16_t raw = rawOffset(n);
    RowSlot slot;
    slot.deleted = (raw & kRowDeleted) != 0;
    slot.moved = (raw & kRowMoved) != 0;
    const std::size_t start = raw & kRowOffsetMask;
    const std::size_t end = n == 0 ? page_->bytes.size() : (rawOffset(static_cast<std::uint16_t>(n - 1)) & kRowOffsetMask);
    if (start < tableStart_ + 2 * std::size_t{rowCount_} || start > end || end > page_->bytes.size()) {
        if (slot.deleted)
            return slot;  // a deleted row's bytes are never read
        pager_->damaged("row " + std::to_string(n) + " of page " + std::to_string(page_->number) +
                        " lies outside the page");
    }
    slot.bytes = std::span<const std::uint8_t>(page_->bytes).subspan(start, end - start);
    return slot;
}

std::span<const std::uint8_t> rowAt(const Pager& pager, bool jet3, RowLocation at, PageRef& keep) {
    keep = pager.page(at.page);
    if (!isDataPage(*keep))
        pager.damaged("a row pointer leads to page " + std::to_string(at.page) + ", which holds no rows");
    const DataPageView view(keep, pager, jet3);
    if (at.row >= view.rowCount())
        pager.damaged("a row pointer leads to row " + std::to_string(at.row) + " of page " +
                      std::to_string(at.page) + ", which has " + std::to_string(view.rowCount()) + " rows");
    const RowSlot slot = view.row(at.row);
    if (slot.bytes.data() == nullptr)
        pager.damaged("a row pointer leads to a deleted row on page " + std::to_string(at.page));
    return slot.bytes;
}

}  // namespace jet
