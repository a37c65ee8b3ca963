#pragma once
// Helpers of the write tests: a private copy of a real Access file, stores
// into it through the table writer, and the two independent readers run on
// the result (through the differential harness, which compares them with
// ravelin-jet's reading of the same file).
#include "JetTesting.h"
#include "jet/check/CheckDatabase.h"
#include "jet/index/Index.h"
#include "jet/store/Store.h"
#include "jet/write/TableWriter.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <stdexcept>
#include <string>

namespace jettest {

// A copy of a test file in a directory of its own, removed afterwards (also
// when the copy fails).
class WritableCopy {
public:
    explicit WritableCopy(const std::string& file) : path_(dir_ / std::filesystem::path(file).filename().string()) {
        std::filesystem::copy_file(access(file), path_);
        std::filesystem::permissions(path_, std::filesystem::perms::owner_read | std::filesystem::perms::owner_write);
    }
    const std::string& path() const { return path_; }

private:
    ravelin_testing::TempDir dir_{"write"};
    std::string path_;
};

// One store changing `table` of the file at `path` (a system table only as
// the engine's catalogue code writes one: `system` Written).
inline void store(const std::string& path, const std::string& table, const std::function<void(jet::TableWriter&)>& change,
                  jet::SystemTables system = jet::SystemTables::Refused) {
    jet::runStore(path, [&](jet::PageStore& pages) {
        jet::TableWriter writer(pages, table, system);
        change(writer);
    });
}

// A row of `table` from column names and values; Null for the others.
inline std::vector<jet::Value> row(const jet::TableDef& def, std::initializer_list<std::pair<std::string, jet::Value>> fields) {
    std::vector<jet::Value> values(def.columns.size());
    for (const auto& [name, value] : fields)
        values.at(static_cast<std::size_t>(def.findColumn(name) - def.columns.data())) = value;
    return values;
}

// One column of every row of `table`, in stored order, as text; "(null)" for Null.
inline std::vector<std::string> column(const std::string& path, const std::string& table, std::size_t col) {
    std::vector<std::string> out;
    for (const auto& r : allRows(jet::Database::open(path), table))
        out.push_back(r[col].isNull() ? "(null)" : r[col].toText());
    return out;
}

// Whether mdb-export and mdb-reader both read `table` of the file (every
// table when none is named) exactly as ravelin-jet does (the differential
// harness prints what differs).
inline bool oraclesAgree(const std::string& path, const std::string& table = "") {
    const std::string command = "node tests/jet/differential/compare.mjs --tool " + std::string(RAVELIN_BINARY_DIR) +
                                "/ravelin-jet --file '" + path + "'" + (table.empty() ? "" : " --table '" + table + "'") +
                                " >&2";
    return std::system(command.c_str()) == 0;
}

// What the checker (ravelin-jet check) finds in the file, one line each,
// holding the row counts of our stores exact; empty for a sound file.
inline std::string checkerFindings(const std::string& path) {
    std::string out;
    for (const auto& f : jet::checkDatabase(path, jet::RowCounts::Exact))
        out += jet::describe(f) + "\n";
    return out;
}

// Whether every index of `table` lists exactly its live rows (rows an index
// that ignores Nulls leaves out apart), each under the key we encode for its
// values, in key order. Describes the first difference in `why`.
inline bool indexesMatchRows(const std::string& path, const std::string& table, std::string& why) {
    const auto db = jet::Database::open(path);
    const auto def = db->tableDef(table);
    for (std::size_t n = 0; n < def->indexes.size(); ++n) {
        const jet::Index index(db, def, n);
        std::vector<std::vector<std::uint8_t>> listed, expected;
        index.forEachEntry([&](const jet::IndexEntry& e) {
            listed.push_back(e.bytes);
            return true;
        });
        if (!std::is_sorted(listed.begin(), listed.end())) {
            why = "index " + def->indexes[n].name + " is out of key order";
            return false;
        }
        jet::TableCursor cursor(db, def);
        for (bool more = cursor.moveFirst(); more; more = cursor.moveNext()) {
            const auto& values = cursor.values();
            std::vector<jet::Value> keyValues;
            bool allNull = true;
            for (const auto& ic : index.tree().columns)
                for (std::size_t c = 0; c < def->columns.size(); ++c)
                    if (def->columns[c].number == ic.columnNumber) {
                        keyValues.push_back(values[c]);
                        allNull = allNull && values[c].isNull();
                    }
            if (allNull && index.tree().ignoreNulls())
                continue;
            auto entry = index.key(keyValues);
            const auto at = cursor.location();
            for (const auto b : {at.page >> 16, at.page >> 8, at.page, std::uint32_t{at.row}})
                entry.push_back(static_cast<std::uint8_t>(b));
            expected.push_back(std::move(entry));
        }
        std::sort(expected.begin(), expected.end());
        if (listed != expected) {
            why = "index " + def->indexes[n].name + " lists " + std::to_string(listed.size()) + " entries for " +
                  std::to_string(expected.size()) + " rows, or other entries";
            return false;
        }
    }
    return true;
}

}  // namespace jettest
