// Times jet::compactDatabase and jet::repairDatabase on a user name database
// whose T_Main holds ROWS names (default 100,000), three runs each, the copy
// checked clean as both do. Prints the median and the slowest run; exits 1
// when a copy does not hold every row written.
#include "BenchFiles.h"
#include "NameRows.h"

#include "jet/compact/Compact.h"
#include "jet/compact/Repair.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

namespace fs = std::filesystem;

namespace {

bool timed(const char* what, const std::string& dest, const std::function<std::size_t()>& body, std::size_t rows) {
    std::vector<double> s;
    for (int i = 0; i < 3; ++i) {
        fs::remove(dest);
        const auto start = std::chrono::steady_clock::now();
        const std::size_t copied = body();
        s.push_back(std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count());
        if (copied != rows) {
            std::printf("%s: %zu rows copied of %zu\n", what, copied, rows);
            return false;
        }
    }
    std::sort(s.begin(), s.end());
    std::printf("%-28s median %6.3f s  slowest %6.3f s\n", what, s[1], s.back());
    return true;
}

}  // namespace

int main(int argc, char** argv) {
    const int rows = argc > 1 ? std::stoi(argv[1]) : 100000;
    const fs::path folder = makeBenchFolder("compact");
    const std::string source = folder / "names.mdb", dest = folder / "copy.mdb";
    bench::writeNameTable(source, rows, 10000);
    // The rows of the new database's own tables come with the user names.
    const std::size_t all = jet::compactDatabase(source, dest).rows;
    std::printf("%d names, %zu rows in all, %.1f MB\n", rows, all, static_cast<double>(fs::file_size(source)) / 1e6);
    const bool ok = all >= static_cast<std::size_t>(rows) &&
                    timed("compact", dest, [&] { return jet::compactDatabase(source, dest).rows; }, all) &&
                    timed("repair (a sound file)", dest, [&] { return jet::repairDatabase(source, dest).copied.rows; }, all);
    fs::remove_all(folder);
    return ok ? 0 : 1;
}
