#pragma once
// A table written as CSV (RFC 4180): UTF-8, CR LF line ends, a header line of
// the column names, then one line per row in stored order. Null is an empty
// unquoted field; text is always quoted, so empty text reads "".
#include "jet/Database.h"
#include "jet/Value.h"

#include <ostream>
#include <string>

namespace jet {

// Appends one field in the export's format. `column` supplies the Decimal scale.
void appendCsvField(std::string& out, const Value& value, const ColumnDef& column);

// Writes the whole table; returns the number of rows written.
std::size_t exportCsv(const std::shared_ptr<const Database>& db, std::string_view table, std::ostream& out);

}  // namespace jet
