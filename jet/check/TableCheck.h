#pragma once
// Rows against what the file records about them: a data page's free space
// and row offsets, and a user table's stored row count against its live rows.
#include "jet/check/Finding.h"

namespace jet {

// Every page holding rows (table rows, usage maps, long values): its row
// offsets fall from the page's end and its free space is what they leave.
// `table` names the page's owner in findings.
void checkDataPage(CheckRun& run, const std::string& table, const Page& page);

void checkRowCount(CheckRun& run, const CatalogEntry& entry, const std::shared_ptr<const TableDef>& table);

}  // namespace jet
