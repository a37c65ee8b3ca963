// The roster connection: logging on through the real workgroup file, the
// provider's refusals, and the roster of real lock files held by simulated
// Jet clients.
#include "JetTesting.h"
#include "LockFileTesting.h"

#include "jet/Error.h"
#include "jet/roster/RosterConnection.h"
#include "jet/roster/WorkgroupAccounts.h"

#include <gtest/gtest.h>

namespace {

using namespace locktest;

const std::string kWorkgroup = kData + "/workgroup/system.mdw";
using jettest::caught;

jet::RosterConnection connection(const std::string& db, const std::string& workgroup) {
    jet::RosterConnection c;
    c.setProvider(jet::kJetOleDbProvider);
    c.setCursorLocation(jet::kUseClientCursor);
    c.setProperty("Data Source", db);
    c.setProperty("Jet OLEDB:System database", workgroup);
    return c;
}

struct Record {
    std::string computer, security;
    bool connected;
    std::optional<bool> suspect;
    bool operator==(const Record&) const = default;
};

std::ostream& operator<<(std::ostream& os, const Record& r) {
    return os << r.computer << "/" << r.security << "/" << r.connected << "/"
              << (r.suspect ? (*r.suspect ? "True" : "False") : "Null");
}

std::vector<Record> rosterOf(const std::string& db) {
    auto c = connection(db, kWorkgroup);
    c.open("admin", "");
    auto rs = c.openSchema(jet::kSchemaProviderSpecific, jet::kUserRosterSchema);
    std::vector<Record> out;
    for (; !rs.eof(); rs.moveNext()) {
        EXPECT_EQ(rs.fieldCount(), 4u);
        Record r{rs.value(0).text(), rs.value(1).text(), rs.value(2).asBool(), std::nullopt};
        if (!rs.value(3).isNull())
            r.suspect = rs.value(3).asBool();
        out.push_back(r);
    }
    rs.close();
    c.close();
    return out;
}

// A name as the roster gives it: the 32-byte field, NULs after the name.
std::string field(const std::string& name) { return name + std::string(32 - name.size(), '\0'); }

TEST(WorkgroupLogOn, UserAccountsOfTheRealWorkgroupFile) {
    EXPECT_NO_THROW(jet::logOn(kWorkgroup, "admin", ""));
    EXPECT_NO_THROW(jet::logOn(kWorkgroup, "ADMIN", "")) << "names compare without letter case";
    EXPECT_NO_THROW(jet::logOn(kWorkgroup, "contour", ""));

    // Groups and unknown names; and empty passwords are known either way: a
    // given one for an empty stored password, or an empty one for a stored
    // password, is wrong.
    for (const auto& a : std::initializer_list<std::pair<const char*, const char*>>{
             {"Admins", ""}, {"users", ""}, {"nobody", ""}, {"", ""}, {"admin", "secret"}, {"CONTOURCDU", ""}}) {
        const jet::Error e = caught([&] { jet::logOn(kWorkgroup, a.first, a.second); });
        EXPECT_EQ(e.number(), jet::InvalidAccount) << a.first << "/" << a.second;
        EXPECT_EQ(e.description().find("cannot be verified"), std::string::npos) << a.first << "/" << a.second;
    }
}

TEST(WorkgroupLogOn, AStoredPasswordIsRefusedAsNotVerifiableNeverAccepted) {
    for (const char* user : {"SMSUser", "SecurePak", "CONTOURCDU"}) {
        const jet::Error e = caught([&] { jet::logOn(kWorkgroup, user, "anything"); });
        EXPECT_EQ(e.number(), jet::InvalidAccount);
        EXPECT_NE(e.description().find("cannot be verified"), std::string::npos) << e.description();
    }
}

TEST(WorkgroupLogOn, MissingOrNoWorkgroupFile) {
    TempDir dir;
    writeBytes(dir / "text.mdw", Bytes(5000, 'x'));
    for (const std::string& path : {dir / "missing.mdw", dir / "text.mdw", kData + "/access/testV1997.mdb", dir / "."}) {
        const jet::Error e = caught([&] { jet::logOn(path, "admin", ""); });
        EXPECT_EQ(e.number(), jet::WorkgroupUnavailable) << path;
    }
}

TEST(RosterConnectionRefusals, ProviderDatabaseAndSchema) {
    TempDir dir;
    const std::string db = copyTestFile("access/testV1997.mdb", dir / "shared.mdb");

    jet::RosterConnection other;
    other.setProvider("Microsoft.ACE.OLEDB.12.0");
    EXPECT_EQ(caught([&] { other.setProperty("Data Source", db); }).number(), jet::ProviderNotFound);
    EXPECT_EQ(caught([&] { connection(db, kWorkgroup).setProperty("Mode", "x"); }).number(), jet::FieldNotFound);

    auto missing = connection(dir / "gone.mdb", kWorkgroup);
    const jet::Error gone = caught([&] { missing.open("admin", ""); });
    EXPECT_EQ(gone.number(), jet::FileNotFound);
    EXPECT_EQ(gone.description(), "Could not find file '" + (dir / "gone.mdb") + "'.");
    writeBytes(dir / "text.mdb", Bytes(5000, 'x'));
    auto text = connection(dir / "text.mdb", kWorkgroup);
    EXPECT_EQ(caught([&] { text.open("admin", ""); }).number(), jet::NotADatabase);
    auto noWorkgroup = connection(db, dir / "none.mdw");
    EXPECT_EQ(caught([&] { noWorkgroup.open("admin", ""); }).number(), jet::WorkgroupUnavailable);

    auto c = connection(db, kWorkgroup);
    EXPECT_EQ(caught([&] { c.openSchema(jet::kSchemaProviderSpecific, jet::kUserRosterSchema); }).number(),
              jet::ObjectClosed);
    c.open("", "");  // the provider's default account, Admin
    EXPECT_EQ(caught([&] { c.openSchema(20, "{c8b522be-5cf3-11ce-ade5-00aa0044773d}"); }).number(),
              jet::NotCapable);
    EXPECT_EQ(caught([&] { c.openSchema(jet::kSchemaProviderSpecific, "{947bb102-5d43-11d1-bdbf-00c04fb92676}"); })
                  .number(),
              jet::NotCapable);
    auto rs = c.openSchema(jet::kSchemaProviderSpecific, "{947BB102-5D43-11D1-BDBF-00C04FB92675}");
    EXPECT_TRUE(rs.eof()) << "no lock file: nobody uses the database";
    EXPECT_EQ(caught([&] { rs.moveNext(); }).number(), jet::NoCurrentRecord);
    EXPECT_FALSE(fs::exists(dir / "shared.ldb")) << "the connection registers no user";
}

TEST(RosterOfRealLockFiles, JetsOwnLockFile) {
    TempDir dir;
    const std::string mdw = copyTestFile("workgroup/system.mdw", dir / "system.mdw");
    copyTestFile("lockfiles/system.ldb", dir / "system.ldb");
    EXPECT_EQ(rosterOf(mdw), (std::vector<Record>{{field("CDU001"), field("CONTOURCDU"), false, std::nullopt}}));
}

TEST(RosterOfRealLockFiles, ConnectedDepartedAndCrashedClientsLeavingTheFilesAlone) {
    TempDir dir;
    const std::string db = copyTestFile("access/testV1997.mdb", dir / "shared.mdb");
    Client a({"--computer", "PC-A", "--user", "Ann", "--keep-lockfile", db});
    ASSERT_EQ(connectClient(a), 0);
    Client b({"--computer", "PC-B", "--keep-lockfile", db});
    ASSERT_EQ(connectClient(b), 1);
    Client c({"--computer", "PC-C", "--crash", "--keep-lockfile", db});
    ASSERT_EQ(connectClient(c), 2);
    EXPECT_EQ(c.wait(), 0);
    EXPECT_EQ(b.stop(), 0);

    const FileStamp dbBefore = stampOf(db);
    const FileStamp ldbBefore = stampOf(dir / "shared.ldb");
    const FileStamp mdwBefore = stampOf(kWorkgroup);
    for (int i = 0; i < 20; ++i)
        rosterOf(db);
    EXPECT_EQ(rosterOf(db), (std::vector<Record>{{field("PC-A"), field("Ann"), true, std::nullopt},
                                                 {field("PC-B"), field("Admin"), false, std::nullopt},
                                                 {field("PC-C"), field("Admin"), false, true}}));
    EXPECT_TRUE(stampOf(db) == dbBefore);
    EXPECT_TRUE(stampOf(dir / "shared.ldb") == ldbBefore);
    EXPECT_TRUE(stampOf(kWorkgroup) == mdwBefore);
    EXPECT_EQ(a.stop(), 0) << "the client kept its lock throughout";
}

}  // namespace
