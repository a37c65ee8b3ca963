// What lock files and smbstatus may hold that the listings must survive.
#include "jet/who/Formats.h"
#include "jet/who/Json.h"
#include "jet/who/SambaView.h"

#include <gtest/gtest.h>

#include <sstream>

namespace {

using namespace jet::who;

TEST(WhoFormats, NamesFromALockFileCannotSteerTheTerminalOrBreakTheFormats) {
    // Any client writes its own slot: a name may hold control characters,
    // quotes and commas.
    const User odd{3, "PC\x1b[2J", "a\"b,c", true, false, "M\xC3\xBCller", {}, {}, {}};
    const std::vector<DatabaseUsers> dbs{{"/s/a.mdb", {}, {odd}}};
    std::ostringstream table, csv, json;
    writeTable(table, dbs, false);
    EXPECT_EQ(table.str(), "/s/a.mdb:\n"
                           "SLOT  COMPUTER  SECURITY  CONNECTED  SUSPECT  PERSON  CONTACT  E-MAIL\n"
                           "3     PC?[2J    a\"b,c     yes        no       M\xC3\xBCller\n");
    writeCsv(csv, dbs, true);
    EXPECT_EQ(csv.str(), "\"database\",\"slot\",\"computer\",\"security\",\"connected\",\"suspect\",\"person\","
                         "\"contact\",\"email\",\"smb_account\",\"smb_machine\",\"smb_address\"\r\n"
                         "\"/s/a.mdb\",3,\"PC\x1b[2J\",\"a\"\"b,c\",1,0,\"M\xC3\xBCller\",\"\",\"\",,,\r\n");
    writeJson(json, dbs, false);
    EXPECT_NE(json.str().find("\"computer\": \"PC\\u001b[2J\", \"security\": \"a\\\"b,c\""), std::string::npos)
        << json.str();
    EXPECT_EQ(parseJson(json.str()).items.at(0).get("users")->items.at(0).get("computer")->scalar(), "PC\x1b[2J");
}

TEST(WhoFormats, SmbstatusOutputThatCanNotBeJoinedIsExplainedNotTrusted) {
    std::vector<DatabaseUsers> dbs{{"/nonexistent/a.mdb", {}, {{0, "PC", "Admin", false, false, {}, {}, {}, {}}}}};
    for (const std::string text : {"", "Usage: smbstatus [OPTION...]", "{\"sessions\": {}}", "[1, 2", "{\"a\": \"\\u12\"}"})
        EXPECT_NE(joinSambaView(text, dbs), "") << text;
    EXPECT_NE(joinSambaView("{\"version\": \"4.17.12\", \"sessions\": {}}", dbs), "");
    EXPECT_FALSE(dbs[0].users[0].smb.has_value());
    EXPECT_FALSE(dbs[0].users[0].connected);
    EXPECT_THROW(parseJson(std::string(100, '[') + std::string(100, ']')), std::runtime_error);
}

}  // namespace
