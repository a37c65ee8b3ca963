// Times the table writer on T_Main of a new user name database (a unique
// index on ComputerName):
//   - ROWS rows (default 100,000) inserted, 1,000 to a store, then read back;
//   - 200 stores of one row each (journal, locks and fsyncs included), in
//     turns with a bare pwrite + fsync of one page in the same folder, and
//     200 single-row updates through the record source;
//   - the file's size against the bytes of the values stored;
//   - space used again: 1,000 rows inserted, deleted and inserted again (a
//     store each) in a new database, and the file's size after each.
// Prints times and sizes; asserts nothing. The folder decides the cost of
// fsync: run it on the kind of disk (or share) that matters.
#include "bench/NameRows.h"
#include "jet/Recordset.h"
#include "jet/table/TableCursor.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <fcntl.h>
#include <filesystem>
#include <string>
#include <unistd.h>
#include <vector>

namespace fs = std::filesystem;

namespace {

constexpr int kBatch = 1000;
constexpr int kSingles = 200;

using Clock = std::chrono::steady_clock;

double seconds(Clock::time_point since) { return std::chrono::duration<double>(Clock::now() - since).count(); }

void latency(const char* what, std::vector<double>& us) {
    std::sort(us.begin(), us.end());
    std::printf("%-44s median %8.0f us  p99 %8.0f us\n", what, us[us.size() / 2], us[us.size() * 99 / 100]);
}

// 1,000 rows in, all deleted, 1,000 in again: the file should barely grow
// the second time.
void spaceUsedAgain(const fs::path& db) {
    fs::remove(db);
    jet::createDatabase(db.string());
    std::size_t bytes = 0;
    const auto insertAll = [&] {
        jet::runStore(db.string(), [&](jet::PageStore& pages) {
            jet::TableWriter writer(pages, "T_Main");
            for (int n = 0; n < kBatch; ++n)
                writer.insert(bench::nameRow(n, bytes));
        });
    };
    insertAll();
    const auto first = fs::file_size(db);
    jet::runStore(db.string(), [&](jet::PageStore& pages) {
        jet::TableWriter writer(pages, "T_Main");
        for (int n = 0; n < kBatch; ++n)
            writer.erase(*writer.find(0, jet::Value::text("PC-" + std::to_string(1000000 + n))));
    });
    const auto emptied = fs::file_size(db);
    insertAll();
    const auto again = fs::file_size(db);
    std::printf("1,000 rows in, out, in again: %.0f KB, %.0f KB, %.0f KB (%+.1f%% over the first)\n", first / 1e3,
                emptied / 1e3, again / 1e3, 100.0 * (static_cast<double>(again) / static_cast<double>(first) - 1));
    fs::remove(db);
}

}  // namespace

int main(int argc, char** argv) {
    const fs::path folder = argc > 1 ? fs::path(argv[1]) : fs::temp_directory_path();
    const int rows = argc > 2 ? std::stoi(argv[2]) : 100000;
    const fs::path db = folder / "ravelin-bench-rows.mdb";
    fs::remove(db);
    jet::createDatabase(db.string());
    std::size_t valueBytes = 0;

    auto start = Clock::now();
    for (int first = 0; first < rows; first += kBatch) {
        jet::runStore(db.string(), [&](jet::PageStore& pages) {
            jet::TableWriter writer(pages, "T_Main");
            for (int n = first; n < std::min(rows, first + kBatch); ++n)
                writer.insert(bench::nameRow(n, valueBytes));
        });
    }
    const double insertSeconds = seconds(start);
    std::printf("insert %d rows, %d a store: %.2f s (%.0f rows/s)\n", rows, kBatch, insertSeconds,
                rows / insertSeconds);

    start = Clock::now();
    const auto database = jet::Database::open(db.string());
    jet::TableCursor cursor(database, database->tableDef("T_Main"));
    long read = 0;
    for (bool more = cursor.moveFirst(); more; more = cursor.moveNext()) {
        cursor.values();
        ++read;
    }
    std::printf("read back %ld rows: %.3f s\n", read, seconds(start));

    // One-row stores in turns with a bare page write, so that both meet the disk alike.
    std::vector<double> us, bare;
    const fs::path plain = folder / "ravelin-bench-rows.bare";
    const int fd = ::open(plain.string().c_str(), O_RDWR | O_CREAT, 0644);
    std::vector<std::uint8_t> page(4096);
    for (int i = 0; i < kSingles; ++i) {
        auto t = Clock::now();
        jet::runStore(db.string(), [&](jet::PageStore& pages) {
            jet::TableWriter(pages, "T_Main").insert(bench::nameRow(rows + i, valueBytes));
        });
        us.push_back(seconds(t) * 1e6);
        t = Clock::now();
        page[0] = static_cast<std::uint8_t>(i);
        (void)!::pwrite(fd, page.data(), page.size(), 0);
        ::fsync(fd);
        bare.push_back(seconds(t) * 1e6);
    }
    ::close(fd);
    fs::remove(plain);
    latency("one-row insert store, in turns with:", us);
    latency("bare pwrite + fsync of 1 page (no journal)", bare);
    std::printf("store / bare (medians): %.1f\n", us[us.size() / 2] / bare[bare.size() / 2]);

    us.clear();
    jet::Recordset rs(db.string(), "T_Main");
    for (int i = 0; i < kSingles; ++i) {
        const auto t = Clock::now();
        rs.setField("Email", jet::Value::text("changed" + std::to_string(i) + "@example.com"));
        rs.moveNext();
        us.push_back(seconds(t) * 1e6);
    }
    latency("record source: edit, then move (stores)", us);

    const auto size = fs::file_size(db);
    std::printf("file %.1f MB for %.1f MB of values (UTF-8): %.2f times\n", size / 1e6, valueBytes / 1e6,
                static_cast<double>(size) / static_cast<double>(valueBytes));
    fs::remove(db);
    spaceUsedAgain(folder / "ravelin-bench-reuse.mdb");
    return 0;
}
