// What lock files and smbstatus may hold that the listings must survive.
#include "jet/who/Formats.h"
#include "jet/lockfile/LockFile.h"
#include "jet/who/SambaView.h"
#include "tests/jet/LockFileTesting.h"

#include <nlohmann/json.hpp>

#include <gtest/gtest.h>

#include <sstream>

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
// clients chose. Slot 0's lock is held by a process serving one session, slot
// 1's by one serving two accounts, slot 2's by one serving two accounts of
// which only one has the lock file open.
TEST(WhoFormats, SmbstatusOfSeveralMegabytesWithHostileNamesIsJoinedExactly) {
    locktest::TempDir dir;
    const std::string db = dir / "a.mdb";
    locktest::writeBytes(jet::lockFilePathFor(db), locktest::lockFileOf({"PC0", "PC1", "PC2"}));
    struct stat st {};
    ::stat(jet::lockFilePathFor(db).c_str(), &st);
    const std::string fileid = "\"fileid\": {\"devid\": " + std::to_string(st.st_dev) + ", \"inode\": " +
                               std::to_string(st.st_ino) + "}";
    const auto session = [](int id, const std::string& pid, int uid, const std::string& user) {
        return "\"" + std::to_string(id) + "\": {\"server_id\": {\"pid\": \"" + pid + "\", \"vnn\": \"1\"}, \"uid\": " +
               std::to_string(uid) + ", \"username\": \"" + user + "\", \"remote_machine\": \"ts\\u0007\", \"hostname\": \"ipv4:192.0.2.7:445\"}";
    };
    const auto lock = [](const std::string& pid, int slot) {
        return "{\"server_id\": {\"pid\": \"" + pid + "\", \"vnn\": \"1\"}, \"flavour\": \"Windows\", \"start\": " +
               std::to_string(0x10000001 + slot) + ", \"size\": 1}";
    };
    std::string text = "{\"version\": \"4.17.12\", \"sessions\": {" + session(1, "10", 1001, "ann\xFF\\\"\\\\\\u001b") + ", " +
                       session(2, "20", 1002, "bob") + ", " + session(3, "20", 1003, "cy") + ", " +
                       session(4, "30", 1004, "dee") + ", " + session(5, "30", 1005, "eve");
    for (int i = 0; i < 12000; ++i)
        text += ", " + session(100 + i, std::to_string(100 + i), i, "\\ud83d\\ude00\\\"\\u009b\xC0\xAF" + std::to_string(i));
    text += "}, \"open_files\": {\"x\": {" + fileid + ", \"opens\": {\"30/1\": {\"server_id\": {\"pid\": \"30\", "
            "\"vnn\": \"1\"}, \"uid\": 1005}}}}, \"byte_range_locks\": {";
    for (int i = 0; i < 6000; ++i)
        text += "\"/s/\\u001b]52;c;aGk=\\u0007" + std::to_string(i) + "\": {\"fileid\": {\"devid\": 1, \"inode\": " +
                std::to_string(i) + "}, \"locks\": [" + lock("100", 0) + "]}, ";
    text += "\"/s/a.ldb\": {" + fileid + ", \"locks\": [" + lock("10", 0) + ", " + lock("20", 1) + ", " + lock("30", 2) + "]}}}";
    ASSERT_GT(text.size(), 3'000'000u);

    std::vector<DatabaseUsers> dbs{{db, {}, {}, {}}};
    for (int slot = 0; slot < 3; ++slot)
        dbs[0].users.push_back({slot, "PC" + std::to_string(slot), "Admin", false, true, {}, {}, {}, {}, 0});
    ASSERT_EQ(joinSambaView(text, dbs), "");
    const std::vector<std::vector<std::string>> candidates{{"ann\xEF\xBF\xBD\"\\\x1b"}, {"bob", "cy"}, {"eve"}};
    for (int slot = 0; slot < 3; ++slot) {
        const User& u = dbs[0].users[static_cast<std::size_t>(slot)];
        ASSERT_TRUE(u.smb.has_value()) << slot;
        EXPECT_EQ(u.smb->candidates, candidates[static_cast<std::size_t>(slot)]) << slot;
        EXPECT_EQ(u.smb->account, slot == 1 ? "" : candidates[static_cast<std::size_t>(slot)][0]);
        EXPECT_TRUE(u.connected && !u.suspect) << "a slot Samba shows held is no user that left mid-write";
    }
    std::ostringstream json;
    writeJson(json, dbs, true);
    EXPECT_TRUE(nlohmann::json::accept(json.str())) << json.str();
}

}  // namespace
