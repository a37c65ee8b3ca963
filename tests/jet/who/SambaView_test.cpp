// Samba's view of each slot, from smbstatus of a private smbd whose SMB2
// clients log on as different accounts and hold user locks as Access does.
#include "tests/jet/who/WhoTesting.h"

#include <algorithm>
#include <tuple>

#include "tests/readers/SambaTesting.h"
#include "tests/support/MustRun.h"

#include <gtest/gtest.h>

namespace {

std::string smbOf(const std::string& account) {
    return "\"smb\": {\"account\": \"" + account + "\", \"machine\": \"127.0.0.1\", \"address\": \"127.0.0.1\", "
           "\"ambiguous\": false, \"candidates\": [\"" + account + "\"]}";
}

TEST(SambaView, ShowsTheAccountAndAddressHoldingEachSlot) {
    if (const std::string why = smbtest::unavailableReason(); !why.empty())
        SKIP_UNLESS_CI() << why;
    const std::string ann = "rvw" + std::to_string(::getpid()) + "ann";
    const std::string bob = "rvw" + std::to_string(::getpid()) + "bob";
    smbtest::SambaServer server({{ann, "ann-secret"}, {bob, "bob-secret"}});

    {
        // A terminal server carries its users' sessions over one connection,
        // one smbd process: Samba's table can't tell which holds a slot.
        const std::string db = locktest::copyTestFile("access/testV2000.mdb", server.share("nolocks") + "/ts.mdb");
        smbtest::SmbClient ts(server, "nolocks", "ts.ldb", "PC-ANN", "Admin", false, ann + ":ann-secret");
        ASSERT_EQ(ts.slot(), 0) << ts.errorText();
        ts.send("session " + bob + ":bob-secret PC-BOB");
        ASSERT_EQ(smbtest::SmbClient::slotIn(ts.reply()), 1) << ts.errorText();
        const auto r = whotest::runWho({"--csv", "--samba", "on", "--smb-conf", server.configFile(), db});
        const std::string both = ",\"ambiguous: " + std::min(ann, bob) + ", " + std::max(ann, bob) + "\",\"127.0.0.1\",\"127.0.0.1\"\r\n";
        EXPECT_NE(r.out.find("\"PC-ANN\",\"Admin\",1,0,\"\",\"\",\"\"" + both), std::string::npos) << r.out;
        EXPECT_NE(r.out.find("\"PC-BOB\",\"Admin\",1,0,\"\",\"\",\"\"" + both), std::string::npos) << r.out;
    }
    for (const std::string share : {"jet", "nolocks"}) {
        SCOPED_TRACE(share);
        const std::string db = locktest::copyTestFile("access/testV2000.mdb", server.share(share) + "/sales.mdb");
        // Slot 0's user is writing a transaction: connected, so not suspect.
        locktest::pokeU16(db, locktest::kJet4Commit, 0);
        smbtest::SmbClient first(server, share, "sales.ldb", "PC-ANN", "Admin", false, ann + ":ann-secret");
        ASSERT_EQ(first.slot(), 0) << first.errorText();
        smbtest::SmbClient second(server, share, "sales.ldb", "PC-BOB", "Admin", false, bob + ":bob-secret");
        ASSERT_EQ(second.slot(), 1) << second.errorText();

        const auto r = whotest::runWho({"--json", "--samba", "on", "--smb-conf", server.configFile(), db});
        EXPECT_EQ(r.exitCode, 0) << r.err;
        EXPECT_EQ(r.err, "");
        for (const auto& [slot, computer, account] : {std::tuple{0, "PC-ANN", ann}, {1, "PC-BOB", bob}})
            EXPECT_NE(r.out.find("{\"slot\": " + std::to_string(slot) + ", \"computer\": \"" + computer +
                                 "\", \"security\": \"Admin\", \"connected\": true, \"suspect\": false, \"person\": \"\", "
                                 "\"contact\": \"\", \"email\": \"\", " + smbOf(account) + "}"),
                      std::string::npos)
                << r.out;

        // As a user smbstatus refuses, a check that needs Samba's view (the
        // file system shows no lock: posix locking = no) says so, never OK.
        namespace fs = std::filesystem;
        fs::permissions(fs::path(server.share(share)).parent_path(), fs::perms::others_exec, fs::perm_options::add);
        fs::permissions(db, fs::perms::others_read, fs::perm_options::add);
        const auto blind = whotest::asNobody({whotest::kWho, "--check", "--smb-conf", server.configFile(), db}, db);
        if (!blind)
            SKIP_UNLESS_CI() << "nobody can't run " << whotest::kWho << " or read " << db;
        const auto check = whotest::runProgram(*blind);
        EXPECT_TRUE(check.out.starts_with(share == "jet" ? "RAVELIN-WHO OK - 2 users connected, 0 suspect |"
                                                         : "RAVELIN-WHO WARNING - 0 users connected, 0 suspect; " + db +
                                                               ": who is connected can't be seen (Samba keeps its "
                                                               "clients' locks; smbstatus failed: "))
            << check.out;
        EXPECT_EQ(check.exitCode, share == "jet" ? 0 : 1);
        auto on = *blind;
        on.insert(on.end() - 1, {"--samba", "on"});
        const auto asked = whotest::runProgram(on);
        EXPECT_EQ(asked.exitCode, share == "jet" ? 3 : 1);
        EXPECT_NE(asked.out.find("; no Samba view: smbstatus failed: "), std::string::npos) << asked.out;

        // Once the first client has logged off, its slot has no SMB session.
        EXPECT_EQ(first.quit(), 0);
        const auto after = whotest::runWho({"--json", "--samba", "on", "--smb-conf", server.configFile(), db});
        EXPECT_EQ(after.out.find(smbOf(ann)), std::string::npos) << after.out;
        EXPECT_NE(after.out.find(smbOf(bob)), std::string::npos) << after.out;
    }
}

TEST(SambaViewWithoutSamba, SaysOnceWhySambaCanNotBeAskedAndListsAnyway) {
    locktest::TempDir dir;
    const std::string db = locktest::copyTestFile("access/testV2000.mdb", dir / "sales.mdb");
    locktest::Client ann({"--computer", "PC-ANN", db});
    locktest::connectClient(ann);
    std::ofstream(dir / "smb.conf") << "[global]\nlock directory = /nonexistent/lock\n";
    const auto r = whotest::runWho({"--csv", "--samba", "on", "--smb-conf", dir / "smb.conf", db});
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_NE(r.out.find("\"PC-ANN\",\"Admin\",1,0"), std::string::npos) << r.out;
    EXPECT_TRUE(r.err.starts_with("ravelin-who: no Samba details: ")) << r.err;
    EXPECT_EQ(r.err.find('\n'), r.err.size() - 1) << "said once: " << r.err;

    // A hung smbstatus is ended when --smbstatus-timeout says.
    std::ofstream(dir / "smbstatus") << "#!/bin/sh\nexec sleep 60\n";
    std::filesystem::permissions(dir / "smbstatus", std::filesystem::perms::owner_all);
    const auto hung = whotest::runProgram({"/usr/bin/env", "PATH=" + (dir / "") + ":/usr/bin:/bin", whotest::kWho,
                                           "--check", "--samba", "on", "--smbstatus-timeout", "1", db});
    EXPECT_EQ(hung.exitCode, 3) << hung.out;
    EXPECT_NE(hung.out.find("no Samba view: smbstatus did not answer within 1 s"), std::string::npos) << hung.out;
}

}  // namespace
