#pragma once
// ravelin-jet import FILE TABLE [CSV]: loads CSV (a file, or standard input
// when CSV is missing or "-") into a table, making the table when it does
// not exist (see jet/import/CsvImport.h). Says on stderr how many rows went
// in and, for a new table, what it was made of; while rows are stored, a
// progress line when stderr is a terminal. Returns the exit status; errors
// are thrown as jet::Error.
#include <string>
#include <vector>

namespace ravelin {

int importCommand(const std::vector<std::string>& args);

}  // namespace ravelin
