// What lock files and smbstatus may hold that the listings must survive.
#include "jet/who/Formats.h"
#include "jet/lockfile/LockFile.h"
#include "jet/who/SambaView.h"
#include "tests/jet/LockFileTesting.h"

#include <nlohmann/json.hpp>

#include <gtest/gtest.h>

#include <sstream>
#include <tuple>

namespace {

using namespace jet::who;

TEST(WhoFormats, NamesFromALockFileShowAlikeEverywhereAndCannotSteerTheTerminal) {
    // Any client writes its own slot: a name may hold control characters
    // (C0, C1), bytes that are not UTF-8, backslashes, quotes and commas.
    const User odd{3, "PC\x1b[2J\xC2\x9B", "a\"b,c\\", true, false, "M\xC3\xBCller\xFF", {}, {}, {}, {}};
    const std::vector<DatabaseUsers> dbs{{"/s/a.mdb", {}, {odd}, {}}};
    std::ostringstream table, csv, json;
    writeTable(table, dbs, false);
    EXPECT_EQ(table.str(), "/s/a.mdb:\n"
                           "SLOT  COMPUTER           SECURITY  CONNECTED  SUSPECT  PERSON      CONTACT  E-MAIL\n"
                           "3     PC\\x1B[2J\\xC2\\x9B  a\"b,c\\\\   yes        no       M\xC3\xBCller\\xFF\n");
    writeCsv(csv, dbs, true);
    EXPECT_EQ(csv.str(), "\"database\",\"slot\",\"computer\",\"security\",\"connected\",\"suspect\",\"person\","
                         "\"contact\",\"email\",\"smb_account\",\"smb_machine\",\"smb_address\"\r\n"
                         "\"/s/a.mdb\",3,\"PC\\x1B[2J\\xC2\\x9B\",\"a\"\"b,c\\\\\",1,0,\"M\xC3\xBCller\\xFF\",\"\",\"\",,,\r\n");
    writeJson(json, dbs, false);
    const auto parsed = nlohmann::json::parse(json.str());  // valid UTF-8 and JSON, or it throws
    const auto& user = parsed.at(0).at("users").at(0);
    EXPECT_EQ(user.at("computer"), "PC\\x1B[2J\\xC2\\x9B");
    EXPECT_EQ(user.at("security"), "a\"b,c\\\\");
    EXPECT_EQ(user.at("person"), "M\xC3\xBCller\\xFF");
}

TEST(WhoFormats, SmbstatusOutputThatCanNotBeReadIsExplainedNotTrusted) {
    std::vector<DatabaseUsers> dbs{{"/nonexistent/a.mdb", {}, {{0, "PC", "Admin", false, false, {}, {}, {}, {}, {}}}, {}}};
    for (const std::string text : {"", "Usage: smbstatus [OPTION...]", "{\"sessions\": {}}", "[1, 2", "{\"a\": \"\\u12\"}"})
        EXPECT_NE(joinSambaView(text, dbs), "") << text;
    EXPECT_EQ(joinSambaView("{\"version\": \"4.17.12\", \"sessions\": {}}", dbs), "");
    EXPECT_FALSE(dbs[0].users[0].smb.has_value());
    EXPECT_FALSE(dbs[0].users[0].connected);
}

// A busy server's smbstatus: megabytes of sessions and locks whose names SMB
// clients chose. The lock of slot 0 is held by an smbd process serving one
// session, of slot 1 by one serving two accounts, of slot 2 by one serving
// two accounts of which only one has the lock file open.
TEST(WhoFormats, SmbstatusOfSeveralMegabytesWithHostileNamesIsJoinedExactly) {
    locktest::TempDir dir;
    const std::string db = dir / "a.mdb";
    locktest::writeBytes(jet::lockFilePathFor(db), locktest::lockFileOf({"PC0", "PC1", "PC2"}));
    struct stat st {};
    ::stat(jet::lockFilePathFor(db).c_str(), &st);
    const auto id = [](auto pid) { return "\"server_id\": {\"pid\": \"" + std::to_string(pid) + "\", \"vnn\": \"1\"}, "; };
    const auto file = [](auto dev, auto inode) {
        return "\"fileid\": {\"devid\": " + std::to_string(dev) + ", \"inode\": " + std::to_string(inode) + "}, ";
    };
    const auto lock = [&](int pid, int slot) {
        return "{" + id(pid) + "\"flavour\": \"Windows\", \"start\": " + std::to_string(0x10000001 + slot) + ", \"size\": 1}";
    };
    std::string text = "{\"version\": \"4.17.12\", \"sessions\": {";
    for (const auto& [pid, uid, name] : std::vector<std::tuple<int, int, std::string>>{
             {10, 1, "ann\xFF\\\"\\\\\\u001b"}, {20, 2, "bob"}, {20, 3, "cy"}, {30, 4, "dee"}, {30, 5, "eve"}})
        text += "\"" + name + "\": {" + id(pid) + "\"uid\": " + std::to_string(uid) + ", \"username\": \"" + name + "\"}, ";
    for (int i = 100; i < 20100; ++i)
        text += "\"" + std::to_string(i) + "\": {" + id(i) + "\"username\": \"\\ud83d\\ude00\\\"\\u009b\xC0\xAF\"}, ";
    text += "\"x\": {}}, \"open_files\": {\"x\": {" + file(st.st_dev, st.st_ino) + "\"opens\": {\"30/1\": {" + id(30) +
            "\"uid\": 5}}}}, \"byte_range_locks\": {";
    for (int i = 0; i < 8000; ++i)
        text += "\"/s/\\u001b]52;c;aGk=\\u0007" + std::to_string(i) + "\": {" + file(1, i) + "\"locks\": [" + lock(100, 0) + "]}, ";
    text += "\"/s/a.ldb\": {" + file(st.st_dev, st.st_ino) + "\"locks\": [" + lock(10, 0) + ", " + lock(20, 1) + ", " +
            lock(30, 2) + "]}}}";
    ASSERT_GT(text.size(), 3'000'000u);

    std::vector<DatabaseUsers> dbs{{db, {}, {}, {}}};
    for (int slot = 0; slot < 3; ++slot)
        dbs[0].users.push_back({slot, "PC" + std::to_string(slot), "Admin", false, true, {}, {}, {}, {}, 0});
    ASSERT_EQ(joinSambaView(text, dbs), "");
    const std::vector<std::vector<std::string>> candidates{{"ann\xEF\xBF\xBD\"\\\x1b"}, {"bob", "cy"}, {"eve"}};
    for (std::size_t slot = 0; slot < 3; ++slot) {
        const User& u = dbs[0].users[slot];
        ASSERT_TRUE(u.smb.has_value()) << slot;
        EXPECT_EQ(u.smb->candidates, candidates[slot]) << slot;
        EXPECT_EQ(u.smb->account, slot == 1 ? "" : candidates[slot][0]);
        EXPECT_TRUE(u.connected && !u.suspect) << "a slot Samba shows held is no user that left mid-write";
    }
    std::ostringstream json;
    writeJson(json, dbs, true);
    EXPECT_TRUE(nlohmann::json::accept(json.str())) << json.str();
}

}  // namespace
