// Samba's view of each slot, from smbstatus of a private smbd whose SMB2
// clients log on as different accounts and hold user locks as Access does.
#include "tests/jet/who/WhoTesting.h"

#include <algorithm>

#include "tests/readers/SambaTesting.h"

#include <gtest/gtest.h>

namespace {

// Unix users for the server's accounts, made for the test and removed after.
class UnixUsers {
public:
    explicit UnixUsers(const std::vector<std::string>& names) {
        for (const std::string& n : names) {
            if (!run({"/usr/sbin/useradd", "-M", "-N", "-s", "/usr/sbin/nologin", n})) {
                removeAll();
                throw std::runtime_error("useradd " + n + " failed");
            }
            made_.push_back(n);
        }
    }
    ~UnixUsers() { removeAll(); }
    UnixUsers(const UnixUsers&) = delete;
    UnixUsers& operator=(const UnixUsers&) = delete;

private:
    void removeAll() {
        for (const std::string& n : made_)
            run({"/usr/sbin/userdel", n});
        made_.clear();
    }
    static bool run(std::vector<std::string> args) {
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, "/dev/null", O_WRONLY, 0);
        const pid_t pid = smbtest::spawn(std::move(args), &actions, false);
        posix_spawn_file_actions_destroy(&actions);
        return smbtest::reap(pid, std::chrono::seconds(20)) == 0;
    }
    std::vector<std::string> made_;
};

std::string smbOf(const std::string& account) {
    return "\"smb\": {\"account\": \"" + account + "\", \"machine\": \"127.0.0.1\", \"address\": \"127.0.0.1\"}";
}

TEST(SambaView, ShowsTheAccountAndAddressHoldingEachSlot) {
    if (const std::string why = smbtest::unavailableReason(); !why.empty())
        GTEST_SKIP() << why;
    const std::string ann = "rvw" + std::to_string(::getpid()) + "ann";
    const std::string bob = "rvw" + std::to_string(::getpid()) + "bob";
    UnixUsers users({ann, bob});
    smbtest::SambaServer server({{ann, "ann-secret"}, {bob, "bob-secret"}});

    for (const std::string share : {"jet", "nolocks"}) {
        SCOPED_TRACE(share);
        const std::string db = locktest::copyTestFile("access/testV2000.mdb", server.share(share) + "/sales.mdb");
        smbtest::SmbClient first(server, share, "sales.ldb", "PC-ANN", "Admin", false, ann + ":ann-secret");
        ASSERT_EQ(first.slot(), 0) << first.errorText();
        smbtest::SmbClient second(server, share, "sales.ldb", "PC-BOB", "Admin", false, bob + ":bob-secret");
        ASSERT_EQ(second.slot(), 1) << second.errorText();

        const auto r = whotest::runWho({"--json", "--samba", "on", "--smb-conf", server.configFile(), db});
        EXPECT_EQ(r.exitCode, 0) << r.err;
        EXPECT_EQ(r.err, "");
        EXPECT_NE(r.out.find("{\"slot\": 0, \"computer\": \"PC-ANN\", \"security\": \"Admin\", \"connected\": true, "
                             "\"suspect\": false, \"person\": \"\", \"contact\": \"\", \"email\": \"\", " +
                             smbOf(ann) + "}"),
                  std::string::npos)
            << r.out;
        EXPECT_NE(r.out.find("{\"slot\": 1, \"computer\": \"PC-BOB\", \"security\": \"Admin\", \"connected\": true, "
                             "\"suspect\": false, \"person\": \"\", \"contact\": \"\", \"email\": \"\", " +
                             smbOf(bob) + "}"),
                  std::string::npos)
            << r.out;

        // Once the first client has logged off, its slot has no SMB session.
        EXPECT_EQ(first.quit(), 0);
        const auto after = whotest::runWho({"--json", "--samba", "on", "--smb-conf", server.configFile(), db});
        EXPECT_EQ(after.out.find(smbOf(ann)), std::string::npos) << after.out;
        EXPECT_NE(after.out.find(smbOf(bob)), std::string::npos) << after.out;
    }
}

TEST(SambaView, SaysOnceWhySambaCanNotBeAskedAndListsAnyway) {
    locktest::TempDir dir;
    const std::string db = locktest::copyTestFile("access/testV2000.mdb", dir / "sales.mdb");
    locktest::Client ann({"--computer", "PC-ANN", db});
    locktest::connectClient(ann);
    const auto r = whotest::runWho({"--csv", "--samba", "on", "--smb-conf", dir / "no-smb.conf", db});
    EXPECT_EQ(r.exitCode, 0);
    EXPECT_NE(r.out.find("\"PC-ANN\",\"Admin\",1,0"), std::string::npos) << r.out;
    EXPECT_TRUE(r.err.starts_with("ravelin-who: no Samba details: ")) << r.err;
    EXPECT_EQ(r.err.find('\n'), r.err.size() - 1) << "said once: " << r.err;
}

}  // namespace
