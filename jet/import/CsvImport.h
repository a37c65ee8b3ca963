#pragma once
// Loads CSV into a table: the other half of the export (jet/table/CsvExport.h).
// The first record names the columns. Into an existing table, each name is
// one of its fields (letter case ignored) and fields the CSV does not name
// are Null (an AutoNumber gets its next number); into a table that does not
// exist yet, a new table is made with a column per name (ColumnGuess.h).
// Every row goes through the table writer, so Jet's rules and types apply as
// for any insert. All of it is one store: one row that is refused refuses the
// whole import, naming its line and the reason, and leaves the database as it
// was.
#include "jet/create/TableCreator.h"
#include "jet/store/Store.h"

#include <cstddef>
#include <functional>
#include <optional>
#include <string>
#include <string_view>

namespace jet {

struct ImportOptions {
    // Called now and then while rows are stored, with the rows stored so far
    // and the rows in all, and once more when all are.
    std::function<void(std::size_t done, std::size_t total)> progress;
    StoreOptions store;
};

struct ImportResult {
    std::size_t rows = 0;
    std::optional<NewTable> created;  // the table the import made, if it made one
};

// Imports `csv` into `table` of the database at `path`. Errors are jet::Error:
// those of readCsv and runStore; 3001 for a CSV without a header line, a
// header naming a column twice or not at all, a record with another number
// of fields than the header; 3265 for a name the table has no field for; the
// refusals of createTable and of the table writer. A row's error names its
// line.
ImportResult importCsv(const std::string& path, const std::string& table, std::string_view csv,
                       const ImportOptions& options = {});

}  // namespace jet
