// Engine benchmark: how fast and in how much memory our engine reads every
// row of a table, against mdbtools' mdb-export reading the same table.
//
// Two measurements, on a small table, the largest real test table, a large
// table made from it (bench/engine_grow.h; written to a temporary file), and
// tables of 100,000 and 400,000 rows of four text columns written with the
// engine's table writer (bench/NameRows.h), the shape of a user list:
//   1. process against process: `ravelin-jet export FILE TABLE` and
//      `mdb-export -b hex -D ... -T ... FILE TABLE`, both writing CSV of the
//      whole table to /dev/null; median wall time over repeated runs, and each
//      process's peak resident set size (VmHWM, read in one further run that
//      is stopped at its exit with ptrace: getrusage of a child would also
//      count this program's own memory, which the child holds until exec);
//   2. in process, through the jet API: Database::open, then a TableCursor
//      decoding every value of every row; median time, and the peak heap in
//      use while the rows are read, above what the open database holds (all
//      allocations are counted by this program's operator new).
// Before them, the tool's start-up: `ravelin-jet --version` against /bin/true.
// Run by hand: build/ravelin-bench-engine [COPIES]. It prints figures; it
// exits 1 when it cannot run at all or a table it set up exports no rows. With
// RAVELIN_BENCH_KEEP set it keeps its temporary folder and says where.
#include "bench/NameRows.h"
#include "bench/engine_grow.h"
#include "jet/Database.h"
#include "jet/table/TableCursor.h"

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <new>
#include <spawn.h>
#include <stdexcept>
#include <string>
#include <sys/ptrace.h>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

extern char** environ;

// ---- heap accounting -------------------------------------------------------
namespace {

std::size_t heapLive = 0;
std::size_t heapPeak = 0;
constexpr std::size_t kHeader = alignof(std::max_align_t);

void* countedAlloc(std::size_t n) noexcept {
    auto* p = static_cast<unsigned char*>(std::malloc(n + kHeader));
    if (!p)
        return nullptr;
    *reinterpret_cast<std::size_t*>(p) = n;
    heapLive += n;
    heapPeak = std::max(heapPeak, heapLive);
    return p + kHeader;
}

void countedFree(void* q) noexcept {
    if (!q)
        return;
    // Through an integer, so that the compiler does not read this as indexing
    // before the start of whatever array the caller freed.
    auto* p = reinterpret_cast<unsigned char*>(reinterpret_cast<std::uintptr_t>(q) - kHeader);
    heapLive -= *reinterpret_cast<std::size_t*>(p);
    std::free(p);
}

}  // namespace

void* operator new(std::size_t n) {
    if (void* p = countedAlloc(n))
        return p;
    throw std::bad_alloc();
}
void* operator new[](std::size_t n) {
    return operator new(n);
}
void* operator new(std::size_t n, const std::nothrow_t&) noexcept {
    return countedAlloc(n);
}
void* operator new[](std::size_t n, const std::nothrow_t&) noexcept {
    return countedAlloc(n);
}
void operator delete(void* p) noexcept {
    countedFree(p);
}
void operator delete[](void* p) noexcept {
    countedFree(p);
}
void operator delete(void* p, std::size_t) noexcept {
    countedFree(p);
}
void operator delete[](void* p, std::size_t) noexcept {
    countedFree(p);
}
void operator delete(void* p, const std::nothrow_t&) noexcept {
    countedFree(p);
}
void operator delete[](void* p, const std::nothrow_t&) noexcept {
    countedFree(p);
}

namespace {

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

struct Subject {
    std::string label;
    std::string path;
    std::string table;
    std::size_t rows = 0;
    int runs = 0;
};

double median(std::vector<double> v) {
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
}

std::string findOnPath(const std::string& program) {
    const char* path = std::getenv("PATH");
    std::string dirs = path ? path : "";
    std::size_t start = 0;
    while (start <= dirs.size()) {
        const std::size_t end = std::min(dirs.find(':', start), dirs.size());
        const fs::path candidate = fs::path(dirs.substr(start, end - start)) / program;
        if (::access(candidate.c_str(), X_OK) == 0)
            return candidate.string();
        start = end + 1;
    }
    return {};
}

struct ProcessRun {
    double ms = 0;
    bool ok = false;
};

// Runs argv with stdout to `output` and stderr discarded.
ProcessRun runProcess(const std::vector<std::string>& argv, const std::string& output) {
    std::vector<char*> args;
    for (const auto& a : argv)
        args.push_back(const_cast<char*>(a.c_str()));
    args.push_back(nullptr);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 1, output.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);
    ProcessRun run;
    const auto t0 = Clock::now();
    pid_t pid = 0;
    const int spawned = posix_spawn(&pid, args[0], &actions, nullptr, args.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    if (spawned != 0)
        return run;
    int status = 0;
    if (::waitpid(pid, &status, 0) != pid)
        return run;
    run.ms = std::chrono::duration<double, std::milli>(Clock::now() - t0).count();
    run.ok = WIFEXITED(status) && WEXITSTATUS(status) == 0;
    return run;
}

std::size_t countRecords(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::size_t lines = 0;
    for (std::string line; std::getline(in, line);)
        ++lines;
    return lines > 0 ? lines - 1 : 0;  // less the header line
}

// The peak resident set size of argv, in KB, or -1 when it cannot be read.
long peakRssKb(const std::vector<std::string>& argv) {
    std::vector<char*> args;
    for (const auto& a : argv)
        args.push_back(const_cast<char*>(a.c_str()));
    args.push_back(nullptr);
    const pid_t pid = ::fork();
    if (pid < 0)
        return -1;
    if (pid == 0) {
        const int null = ::open("/dev/null", O_WRONLY);
        ::dup2(null, 1);
        ::dup2(null, 2);
        ::ptrace(PTRACE_TRACEME, 0, nullptr, nullptr);
        ::execv(args[0], args.data());
        ::_exit(127);
    }
    long kb = -1;
    int status = 0;
    // Stopped at exec: ask to be stopped again when it exits, before its memory goes.
    if (::waitpid(pid, &status, 0) == pid && WIFSTOPPED(status)) {
        ::ptrace(PTRACE_SETOPTIONS, pid, nullptr, reinterpret_cast<void*>(PTRACE_O_TRACEEXIT));
        ::ptrace(PTRACE_CONT, pid, nullptr, nullptr);
        while (::waitpid(pid, &status, 0) == pid && WIFSTOPPED(status)) {
            if (status >> 8 == (SIGTRAP | (PTRACE_EVENT_EXIT << 8))) {
                std::ifstream in("/proc/" + std::to_string(pid) + "/status");
                for (std::string line; std::getline(in, line);)
                    if (line.rfind("VmHWM:", 0) == 0)
                        kb = std::strtol(line.c_str() + 6, nullptr, 10);
            }
            const int signal = WSTOPSIG(status) == SIGTRAP ? 0 : WSTOPSIG(status);
            ::ptrace(PTRACE_CONT, pid, nullptr, reinterpret_cast<void*>(static_cast<long>(signal)));
        }
    }
    return kb;
}

struct ProcessFigures {
    double ms = 0;
    long maxRssKb = 0;
    std::size_t records = 0;
};

ProcessFigures timeProcess(const std::vector<std::string>& argv, int runs, const fs::path& scratch) {
    ProcessFigures f;
    const auto sample = runProcess(argv, scratch.string());
    if (!sample.ok)
        throw std::runtime_error(argv[0] + " failed on " + argv[argv.size() - 2] + " " + argv.back());
    f.records = countRecords(scratch.string());
    std::vector<double> times;
    for (int i = 0; i < runs; ++i)
        times.push_back(runProcess(argv, "/dev/null").ms);
    f.ms = median(times);
    f.maxRssKb = peakRssKb(argv);
    return f;
}

struct InProcessFigures {
    double ms = 0;
    std::size_t openHeap = 0;  // heap held by the open database
    std::size_t readPeak = 0;  // peak heap while reading, above openHeap
    std::size_t rows = 0;
};

InProcessFigures readInProcess(const Subject& s) {
    InProcessFigures f;
    std::vector<double> times;
    for (int i = 0; i < s.runs; ++i) {
        const std::size_t before = heapLive;
        const auto t0 = Clock::now();
        auto db = jet::Database::open(s.path);
        jet::TableCursor cursor(db, db->tableDef(s.table));
        const std::size_t opened = heapLive;
        heapPeak = heapLive;
        std::size_t rows = 0, fields = 0;
        while (cursor.moveNext()) {
            fields += cursor.values().size();
            ++rows;
        }
        times.push_back(std::chrono::duration<double, std::milli>(Clock::now() - t0).count());
        if (i == 0) {
            f.openHeap = opened - before;
            f.readPeak = heapPeak - opened;
            f.rows = rows;
        }
        if (fields == 0 && rows != 0)
            std::printf("(no values read)\n");
    }
    f.ms = median(times);
    return f;
}

std::string kb(std::size_t bytes) {
    char buf[32];
    std::snprintf(buf, sizeof buf, "%.1f KB", static_cast<double>(bytes) / 1024.0);
    return buf;
}

}  // namespace

int main(int argc, char** argv) {
    const std::uint32_t copies = argc > 1 ? static_cast<std::uint32_t>(std::strtoul(argv[1], nullptr, 10)) : 100000;
    const fs::path testdata = RAVELIN_TESTDATA;
    const std::string tool = RAVELIN_JET_TOOL;
    const std::string mdbExport = findOnPath("mdb-export");
    if (mdbExport.empty()) {
        std::fprintf(stderr, "mdb-export (Debian package mdbtools) is not on the PATH\n");
        return 1;
    }

    fs::path scratch = fs::temp_directory_path() / ("ravelin-bench-engine-" + std::to_string(::getpid()));
    fs::create_directories(scratch);
    std::vector<Subject> subjects;
    try {
        const std::string big = (testdata / "access" / "compIndexTestV2000.mdb").string();
        subjects.push_back({"small: testV2000.mdb Table1", (testdata / "access" / "testV2000.mdb").string(), "Table1", 0, 30});
        subjects.push_back({"largest real: compIndexTestV2000.mdb Table1", big, "Table1", 0, 30});

        std::ifstream in(big, std::ios::binary);
        const std::vector<std::uint8_t> bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
        const auto db = jet::Database::open(big);
        // The same table grown as far as asked (or as its usage map reaches), and to an eighth of that.
        const std::uint32_t tdefPage = db->findTable("Table1")->definitionPage();
        const auto full = bench::growTable(bytes, tdefPage, copies);
        const std::uint32_t pages = full.dataPages / (bench::growTable(bytes, tdefPage, 0).dataPages);
        for (const std::uint32_t n : {std::max<std::uint32_t>((pages - 1) / 8, 1), pages - 1}) {
            const auto grown = bench::growTable(bytes, tdefPage, n);
            const fs::path grownPath = scratch / ("grown-" + std::to_string(n) + ".mdb");
            std::ofstream(grownPath, std::ios::binary)
                .write(reinterpret_cast<const char*>(grown.bytes.data()), static_cast<std::streamsize>(grown.bytes.size()));
            subjects.push_back({"grown: its data pages repeated, " + std::to_string(grown.dataPages) + " pages",
                                grownPath.string(), "Table1", grown.rows, 11});
        }
        for (const int rows : {100000, 400000}) {
            const fs::path written = scratch / ("written-" + std::to_string(rows) + ".mdb");
            bench::writeNameTable(written.string(), rows, 10000);
            subjects.push_back({"written: T_Main, four text columns", written.string(), "T_Main",
                                static_cast<std::size_t>(rows), 11});
        }

        std::printf("Engine benchmark: every row of a table read by ravelin-jet and by mdb-export (%s)\n\n",
                    mdbExport.c_str());
        // Start-up alone: what every run of the tool pays before it reads a page.
        std::vector<double> startTool, startTrue;
        const fs::path version = scratch / "version.txt";
        for (int n = 0; n < 201; ++n) {
            startTool.push_back(runProcess({tool, "--version"}, version.string()).ms);
            startTrue.push_back(runProcess({"/bin/true"}, "/dev/null").ms);
        }
        if (fs::file_size(version) == 0)
            throw std::runtime_error("ravelin-jet --version wrote nothing");
        std::printf("0. Start-up: ravelin-jet --version %.2f ms, /bin/true %.2f ms (median of 201 runs each, "
                    "interleaved): %.2f ms more\n\n",
                    median(startTool), median(startTrue), median(startTool) - median(startTrue));
        std::printf("1. Processes: each tool exports the whole table as CSV to /dev/null (binary as hex, ISO dates);\n"
                    "   median wall time of N runs; peak RSS (VmHWM) of the process.\n\n");
        std::printf("%-62s %8s %4s %12s %12s %7s %10s %10s\n", "table", "rows", "N", "ravelin-jet", "mdb-export",
                    "ratio", "RSS jet", "RSS mdb");
        const fs::path sample = scratch / "sample.csv";
        for (auto& s : subjects) {
            const auto ours = timeProcess({tool, "export", s.path, s.table}, s.runs, sample);
            const auto theirs = timeProcess({mdbExport, "-b", "hex", "-D", "%Y-%m-%d %H:%M:%S", "-T",
                                             "%Y-%m-%d %H:%M:%S", s.path, s.table},
                                            s.runs, sample);
            s.rows = ours.records;
            if (ours.records == 0)
                throw std::runtime_error("ravelin-jet exported no rows of " + s.label);
            std::printf("%-62s %8zu %4d %9.2f ms %9.2f ms %6.1fx %7ld KB %7ld KB%s\n", s.label.c_str(), ours.records,
                        s.runs, ours.ms, theirs.ms, theirs.ms / ours.ms, ours.maxRssKb, theirs.maxRssKb,
                        ours.records == theirs.records ? "" : "  (row counts differ!)");
        }

        std::printf("\n2. In process (jet API): Database::open + TableCursor, every value of every row decoded;\n"
                    "   median time of N runs; heap held by the open database, and peak heap while reading above it.\n\n");
        std::printf("%-62s %8s %4s %12s %12s %14s\n", "table", "rows", "N", "time", "open heap", "read peak");
        for (const auto& s : subjects) {
            const auto f = readInProcess(s);
            std::printf("%-62s %8zu %4d %9.2f ms %12s %14s\n", s.label.c_str(), f.rows, s.runs, f.ms,
                        kb(f.openHeap).c_str(), kb(f.readPeak).c_str());
        }
    } catch (const std::exception& e) {
        std::fprintf(stderr, "ravelin-bench-engine: %s\n", e.what());
        fs::remove_all(scratch);
        return 1;
    }
    if (std::getenv("RAVELIN_BENCH_KEEP"))
        std::printf("\nkept %s\n", scratch.c_str());
    else
        fs::remove_all(scratch);
    return 0;
}
