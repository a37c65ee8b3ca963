#pragma once
// The column a new table gets for one column of a CSV file. A column whose
// fields are all unquoted (Null aside) gets the first type of Long, Double,
// Currency, Date/Time, GUID and Binary that holds every one of them such
// that the export writes the very same field again: "42" is a Long, "3.5000"
// Currency, "1974-09-21 00:00:00" a date, but "007", "1.0" and "2024-01-05"
// stay text, so no import changes a value. Every other column is Text(255),
// or Memo when a value is longer than 255 characters. Where a row would not
// fit a data page, the Text columns holding its longest values become Memo
// (which keeps at most 76 bytes in the row) until every row fits.
#include "jet/create/TableCreator.h"
#include "jet/import/CsvReader.h"

#include <string>
#include <vector>

namespace jet {

// The table `name` for `rows`, with a column for each of `columns` (the
// header's names, one per field of every row).
NewTable guessTable(const std::string& name, const std::vector<std::string>& columns, const std::vector<CsvRecord>& rows);

}  // namespace jet
