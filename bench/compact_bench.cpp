// Times jet::compactDatabase and jet::repairDatabase on a user name database
// whose T_Main holds ROWS names (default 100,000), three runs each, the copy
// checked clean as both do. Prints the median and the slowest run; exits 1
// when a copy does not hold every row written. Then deletes every other name
// and compares the compacted file with one written with only the names kept.
// Last, the peak resident memory of compacting and of repairing that database
// and one four times as large, each in a process of its own (getrusage's
// maximum resident set size): flat when tables are copied in bounded stores.
#include "BenchFiles.h"
#include "NameRows.h"

#include "jet/compact/Compact.h"
#include "jet/Recordset.h"
#include "jet/compact/Repair.h"

#include <spawn.h>
#include <sys/resource.h>
#include <sys/wait.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

namespace fs = std::filesystem;
extern char** environ;

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

// Erases the even names of T_Main in one store; returns how many.
std::size_t deleteEveryOther(const std::string& path) {
    std::vector<jet::RowLocation> even;
    jet::Recordset names(path, "T_Main");
    for (std::size_t i = 0; !names.eof(); names.moveNext(), ++i)
        if (i % 2 == 0)
            even.push_back(names.location());
    jet::runStore(path, [&](jet::PageStore& pages) {
        jet::TableWriter writer(pages, "T_Main");
        for (const jet::RowLocation& at : even)
            writer.erase(at);
    });
    return even.size();
}

// The size of the compacted half-deleted database against a database written
// with only the names it keeps; false unless the halves hold the same rows.
bool compareHalves(const fs::path& folder, int rows) {
    const std::string halved = folder / "halved.mdb", compacted = folder / "halved-compacted.mdb",
                      fresh = folder / "fresh.mdb";
    bench::writeNameTable(halved, rows, 10000);
    const std::size_t deleted = deleteEveryOther(halved);
    const std::size_t kept = jet::compactDatabase(halved, compacted).rows;
    jet::createDatabase(fresh);
    std::size_t bytes = 0;
    jet::runStore(fresh, [&](jet::PageStore& pages) {
        jet::TableWriter writer(pages, "T_Main");
        for (int n = 1; n < rows; n += 2)
            writer.insert(bench::nameRow(n, bytes));
    });
    const std::size_t freshRows = jet::compactDatabase(fresh, folder / "fresh-compacted.mdb").rows;
    const auto mb = [](const std::string& path) { return static_cast<double>(fs::file_size(path)) / 1e6; };
    std::printf("half of %d names deleted: %.2f MB, compacted %.2f MB; written with the other half only %.2f MB "
                "(%+.1f%%)\n",
                rows, mb(halved), mb(compacted), mb(fresh), 100.0 * (mb(compacted) / mb(fresh) - 1));
    return deleted == static_cast<std::size_t>(rows + 1) / 2 && kept == freshRows && kept > 0;
}

// The child's part: compacts or repairs `source` into `dest`; 0 when rows were copied.
int copyOnly(const std::string& verb, const std::string& source, const std::string& dest) {
    const std::size_t rows = verb == "repair" ? jet::repairDatabase(source, dest).copied.rows
                                              : jet::compactDatabase(source, dest).rows;
    return rows > 0 ? 0 : 1;
}

// The peak resident memory in MB of `verb` (compact, repair) run on `source`
// in a process of its own; a negative value when it failed.
double peakMb(const std::string& verb, const std::string& source, const std::string& dest) {
    fs::remove(dest);
    std::vector<std::string> args{"/proc/self/exe", "--peak", verb, source, dest};
    std::vector<char*> argv;
    for (auto& a : args)
        argv.push_back(a.data());
    argv.push_back(nullptr);
    pid_t pid = -1;
    int status = 0;
    struct rusage usage {};
    if (::posix_spawn(&pid, argv[0], nullptr, nullptr, argv.data(), environ) != 0 ||
        ::wait4(pid, &status, 0, &usage) != pid || !WIFEXITED(status) || WEXITSTATUS(status) != 0)
        return -1;
    return static_cast<double>(usage.ru_maxrss) / 1024.0;  // KB on Linux
}

// Peak memory of compact and repair for `rows` names and four times as many.
bool peaks(const fs::path& folder, int rows) {
    const std::string large = folder / "large.mdb";
    bench::writeNameTable(large, rows * 4, 10000);
    bool ok = true;
    for (const char* verb : {"compact", "repair"}) {
        const double small = peakMb(verb, folder / "names.mdb", folder / "peak.mdb");
        const double big = peakMb(verb, large, folder / "peak.mdb");
        std::printf("%-8s peak memory: %d names %6.1f MB, %d names (%.1f MB file) %6.1f MB\n", verb, rows, small,
                    rows * 4, static_cast<double>(fs::file_size(large)) / 1e6, big);
        ok = ok && small > 0 && big > 0;
    }
    return ok;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc == 5 && std::string(argv[1]) == "--peak")
        return copyOnly(argv[2], argv[3], argv[4]);
    const int rows = argc > 1 ? std::stoi(argv[1]) : 100000;
    const fs::path folder = makeBenchFolder("compact");
    const std::string source = folder / "names.mdb", dest = folder / "copy.mdb";
    bench::writeNameTable(source, rows, 10000);
    // The rows of the new database's own tables come with the user names.
    const std::size_t all = jet::compactDatabase(source, dest).rows;
    std::printf("%d names, %zu rows in all, %.1f MB\n", rows, all, static_cast<double>(fs::file_size(source)) / 1e6);
    const bool ok = all >= static_cast<std::size_t>(rows) &&
                    timed("compact", dest, [&] { return jet::compactDatabase(source, dest).rows; }, all) &&
                    timed("repair (a sound file)", dest, [&] { return jet::repairDatabase(source, dest).copied.rows; }, all) &&
                    compareHalves(folder, rows) && peaks(folder, rows);
    fs::remove_all(folder);
    return ok ? 0 : 1;
}
