// The verdicts an administrator gets from a private smbd's shares, as root
// and as the monitoring user (nobody): lock files named in another case, one
// database under several names, a crash, a share that keeps its locks.
#include "tests/jet/who/WhoTesting.h"

#include "tests/readers/SambaTesting.h"
#include "tests/support/MustRun.h"

#include <gtest/gtest.h>

#include <functional>
#include <memory>

namespace {

namespace fs = std::filesystem;
using Clients = std::vector<std::unique_ptr<smbtest::SmbClient>>;

struct Case {
    const char* what;
    const char* share;
    // Sets up the share (databases, clients); gives the paths to check.
    std::function<std::vector<std::string>(const smbtest::SambaServer&, Clients&)> setUp;
    std::vector<std::string> options;
    int exitCode;
    std::string says;
};

std::string copyDb(const smbtest::SambaServer& server, const std::string& share, const std::string& name) {
    const std::string db = locktest::copyTestFile("access/testV2000.mdb", server.share(share) + "/" + name);
    fs::permissions(db, fs::perms::others_read, fs::perm_options::add);
    return db;
}

void connect(const smbtest::SambaServer& server, Clients& clients, const std::string& share,
             const std::string& lockFile, const std::string& computer) {
    clients.push_back(std::make_unique<smbtest::SmbClient>(server, share, lockFile, computer, "Admin"));
    ASSERT_GE(clients.back()->slot(), 0) << clients.back()->errorText();
}

TEST(SambaVerdicts, HoldAsRootAndAsTheMonitoringUser) {
    if (const std::string why = smbtest::unavailableReason(); !why.empty())
        SKIP_UNLESS_CI() << why;
    smbtest::SambaServer server;
    const Case cases[] = {
        {"a lock file named in the case its first client used", "jet",
         [](const auto& s, Clients& c) {
             const std::string db = copyDb(s, "jet", "Orders.mdb");
             connect(s, c, "jet", "ORDERS.LDB", "PC-ANN");
             return std::vector<std::string>{db};
         },
         {}, 0, "RAVELIN-WHO OK - 1 user connected, 0 suspect |"},
        {"the same found by --scan", "jet",
         [](const auto& s, Clients& c) {
             copyDb(s, "jet", "Stock.mdb");
             connect(s, c, "jet", "STOCK.ldb", "PC-ANN");
             return std::vector<std::string>{"--scan", s.share("jet")};
         },
         {}, 0, "RAVELIN-WHO OK - 1 user connected, 0 suspect |"},
        {"one database under three names, each with its lock file", "jet",
         [](const auto& s, Clients& c) {
             const std::string db = copyDb(s, "jet", "sales.mdb");
             fs::create_hard_link(db, s.share("jet") + "/hard.mdb");
             fs::create_symlink(db, s.share("jet") + "/current.mdb");
             for (const char* lock : {"sales.ldb", "hard.ldb", "current.ldb"})
                 connect(s, c, "jet", lock, "PC-ANN");
             return std::vector<std::string>{db, s.share("jet") + "/current.mdb", s.share("jet") + "/hard.mdb"};
         },
         {}, 1, "RAVELIN-WHO WARNING - 3 users connected, 0 suspect; "},
        {"a client that crashed mid-write on a share with posix locking = yes", "jet",
         [](const auto& s, Clients& c) {
             const std::string db = copyDb(s, "jet", "crash.mdb");
             locktest::pokeU16(db, locktest::kJet4Commit, 0);
             connect(s, c, "jet", "crash.ldb", "PC-ANN");
             c.back()->kill();
             smbtest::waitFor([&] { return smbtest::locksOn(s.share("jet") + "/crash.ldb").empty(); }, std::chrono::seconds(10));
             return std::vector<std::string>{db};
         },
         {}, 2, "RAVELIN-WHO CRITICAL - 0 users connected, 1 suspect on "},
        {"a client that left cleanly on a share with posix locking = yes", "jet",
         [](const auto& s, Clients& c) {
             const std::string db = copyDb(s, "jet", "left.mdb");
             connect(s, c, "jet", "left.ldb", "PC-ANN");
             EXPECT_EQ(c.back()->quit(), 0);
             return std::vector<std::string>{db};
         },
         {}, 0, "RAVELIN-WHO OK - 0 users connected, 0 suspect |"},
        {"--samba off on a share with posix locking = no, a client writing", "nolocks",
         [](const auto& s, Clients& c) {
             const std::string db = copyDb(s, "nolocks", "writing.mdb");
             locktest::pokeU16(db, locktest::kJet4Commit, 0);
             connect(s, c, "nolocks", "writing.ldb", "PC-ANN");
             return std::vector<std::string>{db};
         },
         {"--samba", "off"}, 1, "RAVELIN-WHO WARNING - 0 users connected, 0 suspect; "},
    };
    fs::permissions(fs::path(server.share("jet")).parent_path(), fs::perms::others_exec, fs::perm_options::add);
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        Clients clients;
        const std::vector<std::string> paths = c.setUp(server, clients);
        std::vector<std::string> args{whotest::kWho, "--check", "--smb-conf", server.configFile()};
        args.insert(args.end(), c.options.begin(), c.options.end());
        args.insert(args.end(), paths.begin(), paths.end());
        const auto asRoot = whotest::runProgram(args);
        EXPECT_EQ(asRoot.exitCode, c.exitCode) << asRoot.out;
        EXPECT_TRUE(asRoot.out.starts_with(c.says)) << asRoot.out;
        const auto nobody = whotest::asNobody(args, server.share(c.share));
        if (!nobody)
            SKIP_UNLESS_CI() << "nobody can't run " << whotest::kWho << " or read " << server.share(c.share);
        const auto asNobody = whotest::runProgram(*nobody);
        EXPECT_EQ(asNobody.exitCode, c.exitCode) << asNobody.out;
        EXPECT_TRUE(asNobody.out.starts_with(c.says)) << asNobody.out;
    }
}

}  // namespace
