#pragma once
// ravelin-jet's commands that change a table, one store each:
//   insert FILE TABLE COLUMN=VALUE ...
//   update FILE TABLE KEYCOLUMN=KEYVALUE COLUMN=VALUE ...
//   delete FILE TABLE KEYCOLUMN=KEYVALUE
// A value is text, converted to the column's type as Jet converts it (numbers,
// dates as YYYY-MM-DD[ HH:MM[:SS]], True/False). `COLUMN=` is zero-length
// text, `COLUMN=\N` is Null, and `\\N` stands for the text \N. Columns not
// named in an insert are Null (an AutoNumber gets its next number). update
// and delete change the first row, in table order, whose key column equals
// the key value. Each returns the exit status; errors are thrown as jet::Error.
#include <string>
#include <vector>

namespace ravelin {

int insertCommand(const std::vector<std::string>& args);
int updateCommand(const std::vector<std::string>& args);
int deleteCommand(const std::vector<std::string>& args);

}  // namespace ravelin
