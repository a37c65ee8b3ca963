// Times jet::importCsv, from CSV text in memory to the file synced:
//   - ROWS rows (default 100,000) of four quoted text columns into a new
//     table of an empty database (the table made by the import), five runs;
//   - the same rows into T_Main of a new user name database (a unique index
//     on ComputerName), five runs;
//   - reading the CSV alone, to show what parsing takes of it.
// Prints the median and the slowest run; asserts nothing. The folder decides
// the cost of fsync: run it on the kind of disk (or share) that matters.
#include "jet/create/CreateDatabase.h"
#include "jet/import/CsvImport.h"
#include "jet/import/CsvReader.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

namespace fs = std::filesystem;

namespace {

constexpr int kRuns = 5;

using Clock = std::chrono::steady_clock;

std::string csvOf(int rows) {
    std::string csv = "ComputerName,Name,Contact,Email\r\n";
    for (int n = 0; n < rows; ++n)
        csv += "\"PC-" + std::to_string(1000000 + n) + "\",\"User Name " + std::to_string(n) + "\",\"Department " +
               std::to_string(n % 97) + "\",\"user" + std::to_string(n) + "@example.com\"\r\n";
    return csv;
}

void timed(const char* what, const std::function<void()>& prepare, const std::function<void()>& body) {
    std::vector<double> s;
    for (int i = 0; i < kRuns; ++i) {
        prepare();
        const auto start = Clock::now();
        body();
        s.push_back(std::chrono::duration<double>(Clock::now() - start).count());
    }
    std::sort(s.begin(), s.end());
    std::printf("%-52s median %6.3f s  slowest %6.3f s\n", what, s[s.size() / 2], s.back());
}

}  // namespace

int main(int argc, char** argv) {
    const fs::path folder = argc > 1 ? fs::path(argv[1]) : fs::temp_directory_path();
    const int rows = argc > 2 ? std::stoi(argv[2]) : 100000;
    const std::string db = (folder / "ravelin-bench-import.mdb").string();
    const std::string csv = csvOf(rows);
    std::printf("%d rows, %.1f MB of CSV\n", rows, static_cast<double>(csv.size()) / 1e6);

    timed("read the CSV alone", [] {}, [&] { jet::readCsv(csv); });
    timed("import into a new table (four Text(255) columns)",
          [&] {
              fs::remove(db);
              jet::createEmptyDatabase(db);
          },
          [&] { jet::importCsv(db, "Computers", csv); });
    std::printf("file: %.1f MB\n", static_cast<double>(fs::file_size(db)) / 1e6);
    timed("import into T_Main (a unique index on ComputerName)",
          [&] {
              fs::remove(db);
              jet::createDatabase(db);
          },
          [&] { jet::importCsv(db, "T_Main", csv); });
    fs::remove(db);
    return 0;
}
