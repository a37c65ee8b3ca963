// The database engine under libFuzzer: the input is opened as a database file
// and every row of every table is read. Any jet::Error is a fine answer;
// crashes, hangs, sanitizer reports and huge allocations are not.
#include "jet/Database.h"
#include "jet/Error.h"
#include "jet/TableCursor.h"

#include <cstddef>
#include <cstdint>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    try {
        const auto db = jet::Database::openBytes(std::vector<std::uint8_t>(data, data + size), "fuzz.mdb");
        for (const auto& t : db->tables()) {
            try {
                jet::TableCursor cursor(db, db->tableDef(t.name));
                for (bool more = cursor.moveFirst(); more; more = cursor.moveNext())
                    cursor.values();
                // Backwards as well: the record source moves both ways.
                for (bool more = cursor.moveLast(); more; more = cursor.movePrevious())
                    cursor.location();
            } catch (const jet::Error&) {
                // A damaged table; the others may still be readable.
            }
        }
    } catch (const jet::Error&) {
    }
    return 0;
}
