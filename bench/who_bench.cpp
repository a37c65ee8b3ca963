// Times what ravelin-who does for an administrator:
//   - --scan of a tree of 100,000 files in 1,000 folders, 1,000 of them
//     databases, 300 with a lock file beside them (one user slot each):
//     finding them, and finding plus listing their users (each lock file
//     once, the header checked, lock file and header page read); and, in the
//     same run, the whole ravelin-who --scan (--samba off and auto) against
//     find ROOT -name '*.ldb' over the same tree, each a process of its own;
//   - one --json listing of a 255-slot lock file, all users connected, each
//     its own lock owner as 255 Samba client processes would be.
// The tree is built in a temporary folder (databases are copies of one
// header page) and timed warm, as a file server's cache holds it. Exits 1
// when the scan does not find the databases in use it set up.
#include "jet/lockfile/LockFile.h"
#include "jet/who/Formats.h"
#include "jet/who/Listing.h"
#include "jet/who/Scan.h"
#include "bench/BenchFiles.h"
#include "bench/UserLockHolder.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;

namespace fs = std::filesystem;

namespace {

constexpr int kFolders = 1000;
constexpr int kFilesPerFolder = 100;  // a database, its lock file (or not) and others
constexpr int kInUse = 300;           // databases with a lock file

void writeFile(const fs::path& path, const std::vector<std::uint8_t>& bytes) {
    std::ofstream(path, std::ios::binary).write(reinterpret_cast<const char*>(bytes.data()),
                                                static_cast<std::streamsize>(bytes.size()));
}

template <typename F>
std::size_t timeRuns(const char* what, int runs, F&& f) {
    std::vector<double> ms;
    std::size_t n = 0;
    for (int i = 0; i < runs; ++i) {
        const auto start = std::chrono::steady_clock::now();
        n = f();
        ms.push_back(std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count());
    }
    std::sort(ms.begin(), ms.end());
    std::printf("%-52s %5zu found  median %8.2f ms  best %8.2f ms\n", what, n, ms[ms.size() / 2], ms.front());
    return n;
}

// Runs `args` with its output thrown away and waits for it.
std::size_t runQuietly(std::vector<std::string> args) {
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, "/dev/null", O_WRONLY, 0);
    std::vector<char*> argv;
    for (auto& a : args)
        argv.push_back(a.data());
    argv.push_back(nullptr);
    pid_t pid = -1;
    int status = 0;
    if (::posix_spawn(&pid, argv[0], &actions, nullptr, argv.data(), environ) == 0)
        ::waitpid(pid, &status, 0);
    posix_spawn_file_actions_destroy(&actions);
    return static_cast<std::size_t>(WIFEXITED(status) ? WEXITSTATUS(status) : 255);
}

}  // namespace

int main() {
    const fs::path dir = makeBenchFolder("who");
    const fs::path original = dir / "original.mdb";
    fs::copy_file(std::string(RAVELIN_TESTDATA) + "/access/testV2000.mdb", original);
    const fs::path tree = dir / "share";
    const auto oneSlot = jet::encodeLockSlot("PC-ANN", "Admin");
    // Each database a file of its own (each is listed once per device and
    // inode), holding the header page, all that ravelin-who reads of it.
    std::vector<std::uint8_t> header(4096);
    std::ifstream(original, std::ios::binary).read(reinterpret_cast<char*>(header.data()), 4096);
    for (int f = 0; f < kFolders; ++f) {
        const fs::path folder = tree / ("dept" + std::to_string(f / 10)) / ("year" + std::to_string(f % 10));
        fs::create_directories(folder);
        const fs::path db = folder / "orders.mdb";
        writeFile(db, header);
        // Every third folder's database in use, up to kInUse.
        const bool inUse = f % 3 == 0 && f / 3 < kInUse;
        if (inUse)
            writeFile(jet::lockFilePathFor(db.string()), oneSlot);
        for (int i = inUse ? 2 : 1; i < kFilesPerFolder; ++i)
            writeFile(folder / ("report" + std::to_string(i) + ".xlsx"), {});
    }
    std::printf("tree: %d folders, %d files, %d databases, %d in use\n", kFolders, kFolders * kFilesPerFolder, kFolders,
                kInUse);
    jet::who::findDatabasesInUse(tree.string());  // warm the cache
    const std::size_t found = timeRuns("--scan: find the databases in use", 10, [&] {
        return jet::who::findDatabasesInUse(tree.string()).databases.size();
    });
    const std::size_t listed = timeRuns("--scan: find them and list their users", 10, [&] {
        std::size_t users = 0;
        for (const auto& db : jet::who::listDatabases(jet::who::findDatabasesInUse(tree.string()).databases, nullptr))
            users += db.users.size();
        return users;
    });
    const std::string who = std::string(RAVELIN_BINARY_DIR) + "/ravelin-who";
    timeRuns("find ROOT -name '*.ldb' (exit code)", 10,
             [&] { return runQuietly({"/usr/bin/find", tree.string(), "-name", "*.ldb"}); });
    for (const char* samba : {"off", "auto"})
        timeRuns(samba == std::string("off") ? "ravelin-who --samba off --csv --scan ROOT (exit code)"
                                             : "ravelin-who --samba auto --csv --scan ROOT (exit code)",
                 10, [&] { return runQuietly({who, "--samba", samba, "--csv", "--scan", tree.string()}); });
    if (found != kInUse || listed != kInUse) {
        std::fprintf(stderr, "expected %d databases in use with one user each\n", kInUse);
        fs::remove_all(dir);
        return 1;
    }

    const fs::path full = dir / "full.mdb";
    fs::copy_file(original, full);
    {
        std::vector<std::uint8_t> file;
        for (int slot = 0; slot < jet::kMaxLockSlots; ++slot) {
            const auto bytes = jet::encodeLockSlot("PC" + std::to_string(slot), "Admin");
            file.insert(file.end(), bytes.begin(), bytes.end());
        }
        writeFile(jet::lockFilePathFor(full.string()), file);
    }
    {
        UserLockHolder holder(jet::lockFilePathFor(full.string()), true);
        timeRuns("--json: 255 connected users, one lock owner each", 200, [&] {
            const std::vector<jet::who::DatabaseUsers> dbs{jet::who::listUsers(full.string(), nullptr)};
            std::ostringstream out;
            jet::who::writeJson(out, dbs, false);
            return static_cast<std::size_t>(dbs[0].connectedCount());
        });
    }
    fs::remove_all(dir);
    return 0;
}
