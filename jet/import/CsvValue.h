#pragma once
// A CSV field read back into a column's value: the inverse of the export's
// field formats (jet/table/CsvExport.h). An empty unquoted field is Null;
// an unquoted field of a binary or OLE column is its bytes in hex; any
// other field is text, converted to the column's type as Jet converts an
// assigned value (jet/write/FieldValue.h).
#include "jet/Value.h"
#include "jet/import/CsvReader.h"
#include "jet/table/TableDef.h"

namespace jet {

// Errors as toColumnValue raises them (3421, 3349); 3421 for hex that is no bytes.
Value csvValue(const ColumnDef& column, const CsvField& field);

}  // namespace jet
