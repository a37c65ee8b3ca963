// Times jet::getLdbUsers (options 2 and 4) on a 255-slot lock file beside a
// Jet 3 database, in three states:
//   - no user connected;
//   - 255 users connected, each its own lock owner: a child process holds one
//     OFD lock per open file description, as 255 separate Samba client
//     processes (one per Windows client) would hold them;
//   - 255 user locks held as POSIX locks by one process, which the kernel
//     merges into a single 255-byte lock.
// Prints the time per call; asserts nothing.
#include "jet/LdbUsers.h"
#include "jet/lockfile/LockFile.h"
#include "bench/BenchFiles.h"
#include "bench/UserLockHolder.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <filesystem>
#include <string>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

namespace fs = std::filesystem;

namespace {

constexpr int kCalls = 2000;

void timeCalls(const char* state, const std::string& db, int option) {
    std::vector<double> us;
    us.reserve(kCalls);
    std::size_t found = 0;
    for (int i = 0; i < kCalls; ++i) {
        const auto start = std::chrono::steady_clock::now();
        found = jet::getLdbUsers(db, option).size();
        us.push_back(std::chrono::duration<double, std::micro>(std::chrono::steady_clock::now() - start).count());
    }
    std::sort(us.begin(), us.end());
    double sum = 0;
    for (const double u : us)
        sum += u;
    std::printf("%-42s option %d  %3zu names  median %8.1f us  mean %8.1f us  p99 %8.1f us\n", state, option,
                found, us[us.size() / 2], sum / static_cast<double>(us.size()), us[us.size() * 99 / 100]);
}

}  // namespace

int main() {
    const fs::path dir = makeBenchFolder("lock");
    const std::string db = (dir / "bench.mdb").string();
    fs::copy_file(std::string(RAVELIN_TESTDATA) + "/access/testV1997.mdb", db);
    const std::string ldb = jet::lockFilePathFor(db);
    writeFullLockFile(ldb);
    std::printf("%d calls each; lock file of %d slots beside a Jet 3 database\n", kCalls, jet::kMaxLockSlots);
    for (const int option : {jet::LdbConnectedUsers, jet::LdbSuspectUsers})
        timeCalls("no user connected", db, option);
    {
        UserLockHolder holder(ldb, true);
        for (const int option : {jet::LdbConnectedUsers, jet::LdbSuspectUsers})
            timeCalls("255 connected, one lock owner each", db, option);
    }
    {
        UserLockHolder holder(ldb, false);
        for (const int option : {jet::LdbConnectedUsers, jet::LdbSuspectUsers})
            timeCalls("255 connected, one process (merged)", db, option);
    }
    fs::remove_all(dir);
    return 0;
}
