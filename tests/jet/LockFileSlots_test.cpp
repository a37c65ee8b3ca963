// Lock file slots as Jet writes them: parsing, the bytes a client writes, and
// the lock file's name beside a database.
#include "LockFileTesting.h"

#include "jet/lockfile/LockFile.h"

#include <gtest/gtest.h>

namespace {

using namespace locktest;

std::span<const std::uint8_t> view(const Bytes& b) { return {b.data(), b.size()}; }

TEST(LockFileSlots, ReadsTheRealJetLockFile) {
    // One slot: "CDU001", a NUL, blanks; "CONTOURCDU", NULs (testdata README).
    const auto slots = jet::parseLockSlots(view(readBytes(kData + "/lockfiles/system.ldb")));
    ASSERT_EQ(slots.size(), 1u);
    EXPECT_EQ(slots[0].index, 0);
    EXPECT_EQ(slots[0].computerName, "CDU001");
    EXPECT_EQ(slots[0].securityName, "CONTOURCDU");
}

TEST(LockFileSlots, EncodesASlotByteForByteAsJetDid) {
    EXPECT_EQ(jet::encodeLockSlot("CDU001", "CONTOURCDU"), readBytes(kData + "/lockfiles/system.ldb"));
}

TEST(LockFileSlots, EncodingCutsNamesSoTheirNulFits) {
    const std::string longName(40, 'X');
    const auto slot = jet::encodeLockSlot(longName, longName);
    ASSERT_EQ(slot.size(), 64u);
    EXPECT_EQ(slot[30], 'X');
    EXPECT_EQ(slot[31], 0);
    EXPECT_EQ(slot[63], 0);
    const auto parsed = jet::parseLockSlots(view(slot));
    ASSERT_EQ(parsed.size(), 1u);
    EXPECT_EQ(parsed[0].computerName, std::string(31, 'X'));
}

// One slot as a client wrote it, and the names read from it.
TEST(LockFileSlots, NamesAsWritten) {
    Bytes withoutNul(64, 'A');  // the computer name fills its whole field
    withoutNul[32] = 'B';
    withoutNul[33] = 0;
    struct Case {
        const char* what;
        Bytes slot;
        std::string computer, security;
    };
    const Case cases[] = {
        {"padded with blanks", slotBytes("PC01", "ADMIN", ' '), "PC01", "ADMIN"},
        {"padded with NULs", slotBytes("PC02", "ADMIN", 0), "PC02", "ADMIN"},
        {"blanks around a name, trimmed only", slotBytes("  PC 01  ", "  A B "), "PC 01", "A B"},
        {"case kept as written", slotBytes("laptop-7", "jsmith"), "laptop-7", "jsmith"},
        // 0xC9 is É, 0xD6 is Ö, 0x80 is the euro sign, 0x9A is š in Windows-1252.
        {"Windows-1252", slotBytes("REN\xC9-\x80", "J\xD6RG\x9A"), "REN\u00C9-\u20AC", "J\u00D6RG\u0161"},
        {"a field without NUL, taken whole", withoutNul, std::string(32, 'A'), "B"},
    };
    for (const Case& c : cases) {
        const auto slots = jet::parseLockSlots(view(c.slot));
        ASSERT_EQ(slots.size(), 1u) << c.what;
        EXPECT_EQ(slots[0].computerName, c.computer) << c.what;
        EXPECT_EQ(slots[0].securityName, c.security) << c.what;
    }
}

TEST(LockFileSlots, EmptySlotsKeepTheirPlace) {
    Bytes file = slotBytes("PC00", "U");
    file.resize(128, 0);  // slot 1 never written
    const Bytes third = slotBytes("PC02", "U");
    file.insert(file.end(), third.begin(), third.end());
    const auto slots = jet::parseLockSlots(view(file));
    ASSERT_EQ(slots.size(), 3u);
    EXPECT_TRUE(slots[1].computerName.empty());
    EXPECT_EQ(slots[2].index, 2);
    EXPECT_EQ(slots[2].computerName, "PC02");
}

TEST(LockFileSlots, ReadsAtMost255Slots) {
    std::vector<std::string> names;
    for (int i = 0; i < 300; ++i)
        names.push_back("PC" + std::to_string(i));
    const auto slots = jet::parseLockSlots(view(lockFileOf(names)));
    ASSERT_EQ(slots.size(), 255u);
    EXPECT_EQ(slots.back().index, 254);
    EXPECT_EQ(slots.back().computerName, "PC254");
}

TEST(LockFileSlots, AFileCutMidSlotKeepsWhatIsComplete) {
    const Bytes full = lockFileOf({"PC0", "PC1", "PC2"});
    // Cut inside slot 2's computer name: that slot is dropped.
    auto slots = jet::parseLockSlots(view(Bytes(full.begin(), full.begin() + 128 + 20)));
    ASSERT_EQ(slots.size(), 2u);
    EXPECT_EQ(slots[1].computerName, "PC1");
    // Cut inside slot 2's security name: the computer name stands.
    slots = jet::parseLockSlots(view(Bytes(full.begin(), full.begin() + 128 + 34)));
    ASSERT_EQ(slots.size(), 3u);
    EXPECT_EQ(slots[2].computerName, "PC2");
    EXPECT_EQ(slots[2].securityName, "Ad");
    EXPECT_TRUE(jet::parseLockSlots({}).empty());
}

TEST(LockFilePath, ReplacesTheDatabaseExtension) {
    EXPECT_EQ(jet::lockFilePathFor("/data/sales.mdb"), "/data/sales.ldb");
    EXPECT_EQ(jet::lockFilePathFor("/data/SALES.MDE"), "/data/SALES.ldb");
    EXPECT_EQ(jet::lockFilePathFor("/data/system.mdw"), "/data/system.ldb");
    EXPECT_EQ(jet::lockFilePathFor("/data/orders.accdb"), "/data/orders.laccdb");
    EXPECT_EQ(jet::lockFilePathFor("/data/orders.ACCDE"), "/data/orders.laccdb");
    EXPECT_EQ(jet::lockFilePathFor("/data/v1.2/orders"), "/data/v1.2/orders.ldb");
    EXPECT_EQ(jet::lockFilePathFor("/data/.hidden"), "/data/.hidden.ldb");
    EXPECT_EQ(jet::lockFilePathFor("a.b.mdb"), "a.b.ldb");
}

}  // namespace
