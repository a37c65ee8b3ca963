// The database engine under libFuzzer: the input is opened as a database file,
// every row of every table is read, and every index tree is walked and looked
// up in by the keys it holds. Any jet::Error is a fine answer;
// crashes, hangs, sanitizer reports and huge allocations are not.
#include "jet/Database.h"
#include "jet/Error.h"
#include "jet/index/Index.h"
#include "jet/table/TableCursor.h"

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
            try {
                const auto def = db->tableDef(t.name);
                for (std::size_t n = 0; n < def->indexes.size(); ++n) {
                    try {
                        const jet::Index index(db, def, n);
                        std::vector<std::vector<std::uint8_t>> keys;
                        index.forEachEntry([&](const jet::IndexEntry& e) {
                            if (keys.size() < 8)
                                keys.emplace_back(e.key().begin(), e.key().end());
                            return true;
                        });
                        for (const auto& k : keys)
                            index.findPrefix(k);
                    } catch (const jet::Error&) {
                    }
                }
            } catch (const jet::Error&) {
            }
        }
    } catch (const jet::Error&) {
    }
    return 0;
}
