// Index benchmark: how long finding the rows with a given key takes through
// the index B-tree (root to leaf, then along the leaves) against scanning the
// table and comparing every row, on the largest index of the real test files
// (compIndexTestV2000, Table1, 512 rows, a two-level tree). Every key the
// index holds is looked up once per round; the figures are the median round
// divided by the number of keys. Also the record source's FindFirst, which
// goes through the index, against the same search by scanning.
// Run by hand: build/ravelin-bench-index [ROUNDS]. It prints figures and
// asserts nothing; it exits 1 only when it cannot run at all.
#include "jet/Database.h"
#include "jet/Error.h"
#include "jet/index/Index.h"
#include "jet/Recordset.h"
#include "jet/table/TableCursor.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <string>
#include <vector>

namespace {

double medianMicros(int rounds, const std::function<void()>& work) {
    std::vector<double> times;
    for (int r = 0; r < rounds; ++r) {
        const auto start = std::chrono::steady_clock::now();
        work();
        times.push_back(std::chrono::duration<double, std::micro>(std::chrono::steady_clock::now() - start).count());
    }
    std::sort(times.begin(), times.end());
    return times[times.size() / 2];
}

}  // namespace

int main(int argc, char** argv) {
    const int rounds = argc > 1 ? std::max(1, std::atoi(argv[1])) : 21;
    try {
        const std::string file = std::string(RAVELIN_TESTDATA) + "/access/compIndexTestV2000.mdb";
        const auto db = jet::Database::open(file);
        const auto def = db->tableDef("Table1");
        const jet::Index index(db, def, "CD_AGENTE");
        const std::size_t column = static_cast<std::size_t>(index.columns().front().column - def->columns.data());

        std::vector<jet::Value> keys;
        {
            jet::TableCursor cursor(db, def);
            jet::Value v;
            for (bool more = cursor.moveFirst(); more; more = cursor.moveNext()) {
                cursor.readValue(column, v);
                if (!v.isNull())
                    keys.push_back(v);
            }
        }
        std::size_t sink = 0;
        const double viaIndex = medianMicros(rounds, [&] {
            for (const auto& k : keys)
                sink += index.find(std::span<const jet::Value>(&k, 1)).size();
        });
        const double viaScan = medianMicros(rounds, [&] {
            jet::TableCursor cursor(db, def);
            jet::Value v;
            for (const auto& k : keys)
                for (bool more = cursor.moveFirst(); more; more = cursor.moveNext()) {
                    cursor.readValue(column, v);
                    if (jet::jetEquals(v, k)) {
                        ++sink;
                        break;
                    }
                }
        });
        jet::Recordset rs(db, "Table1");
        const std::string field = index.columns().front().column->name;
        const double findFirst = medianMicros(rounds, [&] {
            for (const auto& k : keys)
                sink += rs.findFirst(field, k);
        });
        const double n = static_cast<double>(keys.size());
        std::printf("%s, Table1 (%zu keys, index '%s')\n", file.c_str(), keys.size(), index.definition().name.c_str());
        std::printf("  lookup through the index   %8.2f us per key\n", viaIndex / n);
        std::printf("  first match by scanning    %8.2f us per key\n", viaScan / n);
        std::printf("  Recordset::findFirst       %8.2f us per key (through the index)\n", findFirst / n);
        std::printf("  (%zu rows found in all)\n", sink);
        return 0;
    } catch (const jet::Error& e) {
        std::fprintf(stderr, "ravelin-bench-index: %s\n", e.what());
        return 1;
    }
}
