#pragma once
// Reads CSV as RFC 4180 lays it out, the form `ravelin-jet export` writes:
// records end with CR LF, LF or CR; fields are separated by commas; a field
// in double quotes may hold commas, line breaks and doubled quotes ("" for
// one "). A UTF-8 byte-order mark at the start is passed over. Whether a
// field was quoted is kept, as the export tells Null (an empty unquoted
// field) from empty text ("") that way. An empty line is a record of one
// empty field; a line break at the very end starts no record.
#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace jet {

struct CsvField {
    std::string text;
    bool quoted = false;
};

struct CsvRecord {
    std::size_t line = 0;  // the line the record starts on, from 1
    std::vector<CsvField> fields;
};

// The records of `csv`. Error InvalidArgument (3001) naming the line for a
// quote that is never closed, anything but a comma or a line end after a
// closing quote, a quote inside an unquoted field, and bytes that are not
// UTF-8.
std::vector<CsvRecord> readCsv(std::string_view csv);

}  // namespace jet
