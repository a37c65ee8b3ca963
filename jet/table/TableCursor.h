#pragma once
// Walks the rows of one table in stored order (data pages in page order, rows
// in row order within a page), forwards and backwards. Deleted rows are
// skipped; a row moved to an overflow page is read from there but keeps its
// place in the order. Only the current page is held, so memory does not grow
// with the table. A page the usage map names that is not a data page of this
// table is damage (3343 naming the page): rows are never dropped in silence,
// unless a caller asks to skip such pages and is told of each one.
#include "jet/table/DataPage.h"
#include "jet/Database.h"
#include "jet/table/RowDecoder.h"
#include "jet/table/UsageMap.h"

#include <functional>
#include <memory>
#include <optional>
#include <span>
#include <vector>

namespace jet {

class TableCursor {
public:
    TableCursor(std::shared_ptr<const Database> db, std::shared_ptr<const TableDef> table);
    TableCursor(const TableCursor&) = delete;
    TableCursor& operator=(const TableCursor&) = delete;

    // Called for each page skipped instead of failing: its number and why.
    using SkippedPage = std::function<void(std::uint32_t page, const std::string& why)>;
    void skipDamagedPages(SkippedPage report) { skipped_ = std::move(report); }

    // Each returns whether there is a row there; when not, the cursor has no row.
    bool moveFirst();
    bool moveLast();
    bool moveNext();      // from no row: same as moveFirst
    bool movePrevious();  // from no row: same as moveLast
    // Moves to the row at `at` if it is a live row of this table.
    bool moveTo(RowLocation at);

    RowLocation location() const { return location_; }
    std::span<const std::uint8_t> rowBytes() const { return row_; }

    // The current row's values, in column order (decoded once per row).
    const std::vector<Value>& values();
    // One value of the current row, decoded on its own.
    void readValue(std::size_t column, Value& out);

    const TableDef& table() const { return *table_; }
    const Database& database() const { return *db_; }

private:
    // False when the page is not this table's data page (after reporting it
    // as skipped); damaged() for such a page unless skipping was asked for.
    bool loadPage(std::uint32_t number);
    bool take(std::uint16_t row);         // false for deleted rows
    bool scanForward(std::uint32_t page, std::uint32_t row);
    bool scanBackward(std::uint32_t page, std::int32_t row);  // row -1: from the page's last row

    std::shared_ptr<const Database> db_;
    std::shared_ptr<const TableDef> table_;
    UsageMap map_;
    RowDecoder decoder_;
    PageRef page_;
    std::optional<DataPageView> view_;
    PageRef rowPage_;  // overflow page of the current row, when it has one
    std::span<const std::uint8_t> row_;
    RowLocation location_;
    bool hasRow_ = false;
    bool decoded_ = false;
    std::vector<Value> values_;
    SkippedPage skipped_;
};

}  // namespace jet
