// Index maintenance benchmark: computer names ("WS-004711", some with
// accented letters) inserted in random order (fixed seed) into the unique
// text index of testV2000.mdb's Table1, in memory, each after a uniqueness
// check as a store makes it; then every key looked up again, through the
// writer's lookup and through the reader's Index::find on the result. Prints
// the time per key, the tree's depth and the pages it took. First, the cost
// of making the text key alone, in each sort order, for those names and for
// names in other scripts.
// Run by hand: build/ravelin-bench-index-write [KEYS]. It asserts nothing;
// it exits 1 only when it cannot run at all.
#include "jet/Database.h"
#include "jet/Error.h"
#include "jet/index/Index.h"
#include "jet/index/TextKey.h"
#include "jet/write/IndexUpdate.h"
#include "tests/jet/MemoryStore.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <random>
#include <string>
#include <vector>

namespace {

double secondsSince(std::chrono::steady_clock::time_point start) {
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

}  // namespace

int main(int argc, char** argv) {
    const std::size_t count = argc > 1 ? static_cast<std::size_t>(std::max(1, std::atoi(argv[1]))) : 100000;
    try {
        const std::string file = std::string(RAVELIN_TESTDATA) + "/access/testV2000.mdb";
        const auto original = jet::Database::open(file);
        const auto def = original->tableDef("Table1");
        std::ifstream in(file, std::ios::binary);
        jettest::MemoryStore store({std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()},
                                   original->format());
        const std::uint32_t pagesBefore = store.pageCount();
        const jet::Index reader0(original, def, std::size_t{0});
        std::size_t real = 0;
        while (def->realIndexes[real].unique() == false || def->realIndexes[real].columns.size() != 1)
            ++real;
        jet::IndexUpdate update(store, *def, real);
        const std::size_t column = [&] {
            for (std::size_t c = 0; c < def->columns.size(); ++c)
                if (def->columns[c].number == def->realIndexes[real].columns[0].columnNumber)
                    return c;
            throw jet::Error(jet::InvalidArgument, "no key column");
        }();

        std::vector<std::uint32_t> order(count);
        for (std::uint32_t n = 0; n < count; ++n)
            order[n] = n;
        std::shuffle(order.begin(), order.end(), std::mt19937(42));
        const auto name = [](std::uint32_t n) {
            char buffer[32];
            std::snprintf(buffer, sizeof buffer, n % 7 == 0 ? "PC-M\xC3\xBCller-%06u" : "WS-%06u", n);
            return std::string(buffer);
        };

        std::vector<std::string> names, scripts;
        const std::vector<std::string> others = {"Νικόλαος Παπαδόπουλος", "Дмитрий Иванович Петров",
                                                 "山田太郎 やまだたろう", "Zoë Ångström-Øberg"};
        for (std::size_t n = 0; n < count; ++n) {
            names.push_back(name(order[n]));
            scripts.push_back(others[n % others.size()]);
        }
        for (const auto sortOrder : {jet::SortOrder::General97, jet::SortOrder::GeneralLegacy, jet::SortOrder::General2010})
            for (const auto* texts : {&names, &scripts}) {
                std::vector<std::uint8_t> key;
                const auto start = std::chrono::steady_clock::now();
                for (const std::string& text : *texts) {
                    key.clear();
                    jet::appendTextKey(key, sortOrder, text, true, jet::Expansions::OnePosition);
                }
                std::printf("text key, sort order %d, %s: %6.3f us per text\n", static_cast<int>(sortOrder),
                            texts == &names ? "computer names" : "other scripts",
                            secondsSince(start) * 1e6 / static_cast<double>(count));
            }

        std::vector<jet::Value> row(def->columns.size());
        std::vector<std::vector<std::uint8_t>> keys(count);
        const auto insertStart = std::chrono::steady_clock::now();
        for (std::size_t n = 0; n < count; ++n) {
            row[column] = jet::Value::text(name(order[n]));
            keys[n] = update.key(row);
            if (update.contains(keys[n]))
                throw jet::Error(jet::InvalidArgument, "duplicate " + name(order[n]));
            update.insert(keys[n], {0x1000 + static_cast<std::uint32_t>(n / 200), static_cast<std::uint16_t>(n % 200)});
        }
        const double insertSeconds = secondsSince(insertStart);

        const auto lookupStart = std::chrono::steady_clock::now();
        std::size_t held = 0;
        for (std::size_t n = count; n-- > 0;)
            held += update.contains(keys[n]);
        const double lookupSeconds = secondsSince(lookupStart);

        const auto db = jet::Database::openBytes(store.bytes());
        const auto table = db->tableDef("Table1");
        std::size_t logical = 0;
        while (table->indexes[logical].realIndex != real)
            ++logical;
        const jet::Index index(db, table, logical);
        const auto findStart = std::chrono::steady_clock::now();
        std::size_t found = 0;
        for (std::size_t n = 0; n < count; ++n) {
            const jet::Value v = jet::Value::text(name(order[n]));
            found += index.find(std::span<const jet::Value>(&v, 1)).size();
        }
        const double findSeconds = secondsSince(findStart);

        int depth = 1;
        for (auto node = jet::readIndexNode(store, table->realIndexes[real].firstPage, table->page); !node.leaf;
             node = jet::readIndexNode(store, node.childAt(0), table->page))
            ++depth;
        std::printf("%zu keys into the unique index of testV2000.mdb Table1 (%d levels, %u new pages)\n", count, depth,
                    store.pageCount() - pagesBefore);
        std::printf("insert (key, uniqueness check, insert): %8.2f us per key, %.2f s in all\n",
                    insertSeconds * 1e6 / static_cast<double>(count), insertSeconds);
        std::printf("writer lookup (contains):                %8.2f us per key (%zu held)\n",
                    lookupSeconds * 1e6 / static_cast<double>(count), held);
        std::printf("reader lookup (Index::find):             %8.2f us per key (%zu found)\n",
                    findSeconds * 1e6 / static_cast<double>(count), found);
        return held == count && found == count ? 0 : 1;
    } catch (const jet::Error& e) {
        std::fprintf(stderr, "ravelin-bench-index-write: %s\n", e.what());
        return 1;
    }
}
