#pragma once
// Rows of four text columns for T_Main of a new user name database (computer
// name, person, contact, e-mail), as the benchmarks write them with the
// engine's table writer.
#include "jet/Value.h"
#include "jet/create/CreateDatabase.h"
#include "jet/store/Store.h"
#include "jet/write/TableWriter.h"

#include <algorithm>
#include <string>
#include <vector>

namespace bench {

// Row `n`; adds the UTF-8 bytes of its values to `bytes`.
inline std::vector<jet::Value> nameRow(int n, std::size_t& bytes) {
    std::vector<jet::Value> row{jet::Value::text("PC-" + std::to_string(1000000 + n)),
                                jet::Value::text("User Name " + std::to_string(n)),
                                jet::Value::text("Department " + std::to_string(n % 97)),
                                jet::Value::text("user" + std::to_string(n) + "@example.com")};
    for (const auto& v : row)
        bytes += v.text().size();
    return row;
}

// A new user name database at `path` whose T_Main holds rows 0 to `rows` - 1,
// `batch` rows to a store.
inline void writeNameTable(const std::string& path, int rows, int batch) {
    jet::createDatabase(path);
    std::size_t bytes = 0;
    for (int first = 0; first < rows; first += batch)
        jet::runStore(path, [&](jet::PageStore& pages) {
            jet::TableWriter writer(pages, "T_Main");
            for (int n = first; n < std::min(rows, first + batch); ++n)
                writer.insert(nameRow(n, bytes));
        });
}

}  // namespace bench
