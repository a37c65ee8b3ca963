#pragma once
// A table written as CSV (RFC 4180): UTF-8, CR LF line ends, a header line of
// the column names, then one line per row in stored order. Null is an empty
// unquoted field; text is always quoted, so empty text reads "", and so does
// a zero-length binary value. A hyperlink is the text Access shows (or, when
// asked, its whole stored form); a complex
// column the text of its items (attachments' file names, values, version
// history entries) joined by "; ". A value that cannot be read as what it is
// (a column type Ravelin does not know, a complex column whose items cannot
// be found) is written as a marker, "<not read: ...>", never as its bytes.
#include "jet/Database.h"
#include "jet/table/TableDef.h"
#include "jet/Value.h"

#include <ostream>
#include <string>

namespace jet {

// How a hyperlink is written: the text Access shows, or its whole stored form
// (text#address#sub-address#), which an import keeps as the same link.
enum class HyperlinkForm { Shown, Full };

// Appends one field in the export's format. `column` supplies the Decimal scale.
void appendCsvField(std::string& out, const Value& value, const ColumnDef& column,
                    HyperlinkForm hyperlinks = HyperlinkForm::Shown);

struct CsvExportOptions {
    // A page the table's usage map names that is not its data page is skipped
    // with a line on `notes` instead of ending the export as damage.
    bool skipDamagedPages = false;
    HyperlinkForm hyperlinks = HyperlinkForm::Shown;
};

struct CsvExportResult {
    std::size_t rows = 0;
    std::size_t skippedPages = 0;
};

// Writes the whole table. Says on `notes`, once a column, why a column's
// values are written as a marker.
CsvExportResult exportCsv(const std::shared_ptr<const Database>& db, std::string_view table, std::ostream& out,
                          std::ostream& notes, const CsvExportOptions& options = {});

}  // namespace jet
