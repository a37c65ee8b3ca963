#include "jet/table/TableCursor.h"

#include "jet/page/Coding.h"

namespace jet {

TableCursor::TableCursor(std::shared_ptr<const Database> db, std::shared_ptr<const TableDef> table)
    : db_(std::move(db)),
      table_(std::move(table)),
      map_(UsageMap::read(db_->pager(), db_->jet3(), table_->usedPagesPointer)),
      decoder_(db_->pager(), db_->jet3(), *table_, db_->textDecoder()) {}

bool TableCursor::loadPage(std::uint32_t number) {
    if (page_ && page_->number == number && view_)
        return true;
    view_.reset();
    page_ = db_->pager().page(number);
    std::string holds = "holds no rows";
    if (isDataPage(*page_)) {
        DataPageView view(page_, db_->pager(), db_->jet3());
        if (view.owner() == table_->page) {
            view_.emplace(view);
            return true;
        }
        holds = "belongs to the table defined at page " + std::to_string(view.owner());
    }
    const std::string why = "the usage map of the table defined at page " + std::to_string(table_->page) +
                            " names page " + std::to_string(number) + ", which " + holds;
    if (!skipped_)
        db_->pager().damaged(why);
    skipped_(number, why);
    return false;
}

bool TableCursor::take(std::uint16_t row) {
    const RowSlot slot = view_->row(row);
    if (slot.deleted)
        return false;
    rowPage_.reset();
    if (slot.moved) {
        if (slot.bytes.size() < 4)
            db_->pager().damaged("a moved row on page " + std::to_string(page_->number) + " has no pointer");
        row_ = rowAt(db_->pager(), db_->jet3(), rowPointer(readU32(slot.bytes.data())), rowPage_);
    } else {
        row_ = slot.bytes;
    }
    location_ = {page_->number, row};
    hasRow_ = true;
    decoded_ = false;
    return true;
}

bool TableCursor::scanForward(std::uint32_t page, std::uint32_t row) {
    hasRow_ = false;
    for (auto p = map_.firstFrom(page); p; p = *p == UINT32_MAX ? std::nullopt : map_.firstFrom(*p + 1)) {
        if (*p != page)
            row = 0;
        if (!loadPage(*p))
            continue;
        for (std::uint32_t r = row; r < view_->rowCount(); ++r)
            if (take(static_cast<std::uint16_t>(r)))
                return true;
    }
    return false;
}

bool TableCursor::scanBackward(std::uint32_t page, std::int32_t row) {
    hasRow_ = false;
    for (auto p = map_.lastFrom(page); p; p = *p == 0 ? std::nullopt : map_.lastFrom(*p - 1)) {
        if (*p != page)
            row = -1;
        if (!loadPage(*p) || view_->rowCount() == 0)
            continue;
        const std::int32_t last = view_->rowCount() - 1;
        for (std::int32_t r = row >= 0 && row < last ? row : last; r >= 0; --r)
            if (take(static_cast<std::uint16_t>(r)))
                return true;
    }
    return false;
}

bool TableCursor::moveFirst() { return scanForward(0, 0); }

bool TableCursor::moveLast() { return scanBackward(UINT32_MAX, -1); }

bool TableCursor::moveNext() {
    if (!hasRow_)
        return moveFirst();
    // The rest of the page in hand first: the map led here, and asking it
    // again for every row would cost more than the row.
    if (view_ && page_->number == location_.page) {
        for (std::uint32_t r = location_.row + 1u; r < view_->rowCount(); ++r)
            if (take(static_cast<std::uint16_t>(r)))
                return true;
        if (location_.page == UINT32_MAX) {
            hasRow_ = false;
            return false;
        }
        return scanForward(location_.page + 1, 0);
    }
    return scanForward(location_.page, location_.row + 1u);
}

bool TableCursor::movePrevious() {
    if (!hasRow_)
        return moveLast();
    if (location_.row > 0)
        return scanBackward(location_.page, location_.row - 1);
    if (location_.page == 0) {
        hasRow_ = false;
        return false;
    }
    return scanBackward(location_.page - 1, -1);
}

bool TableCursor::moveTo(RowLocation at) {
    hasRow_ = false;
    if (!map_.firstFrom(at.page) || *map_.firstFrom(at.page) != at.page || !loadPage(at.page) ||
        at.row >= view_->rowCount())
        return false;
    return take(at.row);
}

const std::vector<Value>& TableCursor::values() {
    if (!hasRow_) {
        values_.clear();
        return values_;
    }
    if (!decoded_) {
        decoder_.decode(row_, values_);
        decoded_ = true;
    }
    return values_;
}

void TableCursor::readValue(std::size_t column, Value& out) {
    if (decoded_ && column < values_.size()) {
        out = values_[column];
        return;
    }
    decoder_.decodeColumn(row_, column, out);
}

}  // namespace jet
