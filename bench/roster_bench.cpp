// Times what the roster read mode asks of the engine per refresh: a roster
// connection opened (log-on through the Jet 3 workgroup file, the database
// checked) and the roster of a 255-slot lock file read to its end, with no
// user and with every user connected. Prints the time per refresh; asserts
// nothing.
#include "bench/BenchFiles.h"
#include "bench/UserLockHolder.h"
#include "jet/lockfile/LockFile.h"
#include "jet/roster/RosterConnection.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

namespace fs = std::filesystem;

namespace {

constexpr int kRefreshes = 1000;

void timeRefreshes(const char* state, const std::string& db, const std::string& mdw) {
    std::vector<double> us;
    std::size_t records = 0;
    for (int i = 0; i < kRefreshes; ++i) {
        const auto start = std::chrono::steady_clock::now();
        jet::RosterConnection conn;
        conn.setProvider(jet::kJetOleDbProvider);
        conn.setCursorLocation(jet::kUseClientCursor);
        conn.setProperty("Data Source", db);
        conn.setProperty("Jet OLEDB:System database", mdw);
        conn.open("admin", "");
        auto roster = conn.openSchema(jet::kSchemaProviderSpecific, jet::kUserRosterSchema);
        for (records = 0; !roster.eof(); roster.moveNext())
            records += roster.value(2).asBool() ? 1 : 0;
        roster.close();
        conn.close();
        us.push_back(std::chrono::duration<double, std::micro>(std::chrono::steady_clock::now() - start).count());
    }
    std::sort(us.begin(), us.end());
    std::printf("%-36s %3zu connected  median %8.1f us  p99 %8.1f us\n", state, records, us[us.size() / 2],
                us[us.size() * 99 / 100]);
}

}  // namespace

int main() {
    const fs::path dir = makeBenchFolder("roster");
    const std::string db = (dir / "bench.mdb").string();
    const std::string mdw = (dir / "system.mdw").string();
    fs::copy_file(std::string(RAVELIN_TESTDATA) + "/access/testV1997.mdb", db);
    fs::copy_file(std::string(RAVELIN_TESTDATA) + "/workgroup/system.mdw", mdw);
    const std::string ldb = jet::lockFilePathFor(db);
    writeFullLockFile(ldb);
    std::printf("%d refreshes each; lock file of %d slots beside a Jet 3 database\n", kRefreshes,
                jet::kMaxLockSlots);
    timeRefreshes("no user connected", db, mdw);
    {
        UserLockHolder holder(ldb, true);
        timeRefreshes("255 connected, one lock owner each", db, mdw);
    }
    fs::remove_all(dir);
    return 0;
}
