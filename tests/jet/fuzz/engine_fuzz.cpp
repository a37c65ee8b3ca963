// The database engine under libFuzzer: the input is opened as a database file,
// every row of every table is read, and every index tree is walked and looked
// up in by the keys it holds; then rows are inserted, updated and deleted in
// a copy of the bytes, and the result is read again. Any jet::Error is a fine
// answer; crashes, hangs, sanitizer reports and huge allocations are not.
#include "jet/Database.h"
#include "jet/Error.h"
#include "jet/index/Index.h"
#include "jet/table/ColumnType.h"
#include "jet/table/TableCursor.h"
#include "jet/write/TableWriter.h"
#include "tests/jet/MemoryStore.h"

#include <cstddef>
#include <cstdint>
#include <vector>

namespace {

// An insert, an update that grows the row (long text, a memo past a page) and
// a delete in a copy of the bytes; then everything is read again.
void tryStores(const std::shared_ptr<jet::Database>& db, const std::uint8_t* data, std::size_t size,
               const std::string& table) {
    jettest::MemoryStore store(std::vector<std::uint8_t>(data, data + size), db->format(), "fuzz.mdb");
    try {
        jet::TableWriter writer(store, table);
        const auto& columns = writer.definition().columns;
        std::vector<jet::Value> row(columns.size());
        const auto at = writer.insert(row);
        for (std::size_t c = 0; c < columns.size(); ++c)
            if (columns[c].type == static_cast<std::uint8_t>(jet::ColumnType::Text))
                row[c] = jet::Value::text("José Müller");
            else if (columns[c].type == static_cast<std::uint8_t>(jet::ColumnType::Memo))
                row[c] = jet::Value::text(std::string(5000, 'm'));
        writer.update(at, row);
        if (const auto first = writer.find(0, writer.read(at)[0]))
            writer.erase(*first);
    } catch (const jet::Error&) {
        return;
    }
    try {
        const auto after = jet::Database::openBytes(store.bytes(), "fuzz.mdb");
        jet::TableCursor cursor(after, after->tableDef(table));
        for (bool more = cursor.moveFirst(); more; more = cursor.moveNext())
            cursor.values();
    } catch (const jet::Error&) {
    }
}

}  // namespace

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
        // Stores into the first two tables the catalogue lists.
        for (std::size_t t = 0; t < db->tables().size() && t < 2; ++t)
            tryStores(db, data, size, db->tables()[t].name);
    } catch (const jet::Error&) {
    }
    return 0;
}
