#include "jet/check/TableCheck.h"

#include "jet/page/PageFormat.h"
#include "jet/table/TableCursor.h"

#include <algorithm>

namespace jet {

// Rows run from their offset to the start of the row before them, so offsets
// fall from the page's end towards the row table; the free space is what lies
// between the table and the lowest row.
void checkDataPage(CheckRun& run, const std::string& table, const Page& page) {
    const bool jet3 = run.db->jet3();
    const std::size_t tableStart = dataRowOffsetsAt(jet3);
    const std::size_t size = page.bytes.size();
    const std::uint16_t rows = readU16(&page.bytes[dataRowCountAt(jet3)]);
    if (tableStart + 2 * std::size_t{rows} > size) {
        run.add(table, page.number, "claims " + std::to_string(rows) + " rows, more than fit the page");
        return;
    }
    const std::size_t tableEnd = tableStart + 2 * std::size_t{rows};
    std::size_t previous = size;
    std::size_t lowest = size;
    for (std::uint16_t n = 0; n < rows; ++n) {
        const std::uint16_t raw = readU16(&page.bytes[tableStart + 2 * std::size_t{n}]);
        const std::size_t start = raw & kRowOffsetMask;
        if (start < tableEnd || start > previous) {
            if (!(raw & kRowDeleted))
                run.add(table, page.number,
                        "row " + std::to_string(n) + " starts at offset " + std::to_string(start) +
                            ", outside the space between the row table and the row before it");
            continue;
        }
        previous = start;
        lowest = std::min(lowest, start);
    }
    const std::size_t free = readU16(&page.bytes[kDataFreeSpaceAt]);
    if (lowest >= tableEnd && free != lowest - tableEnd)
        run.add(table, page.number,
                "records " + std::to_string(free) + " bytes free, but its rows leave " +
                    std::to_string(lowest - tableEnd));
}

void checkRowCount(CheckRun& run, const CatalogEntry& entry, const std::shared_ptr<const TableDef>& table) {
    // Access keeps the stored counts of some system tables apart from their
    // rows; only user tables must agree.
    if (entry.system)
        return;
    std::uint32_t live = 0;
    TableCursor cursor(run.db, table);
    for (bool more = cursor.moveFirst(); more; more = cursor.moveNext())
        ++live;
    if (live != table->storedRowCount)
        run.add(entry.name, table->page,
                "the definition records " + std::to_string(table->storedRowCount) + " rows, the table holds " +
                    std::to_string(live));
}

}  // namespace jet
