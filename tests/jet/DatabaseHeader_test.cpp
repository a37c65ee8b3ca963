// The header page's enciphered fields. Expected values were read from the
// files' bytes (deciphered by hand).
#include "JetTesting.h"

#include "jet/page/DatabaseHeader.h"
#include "jet/page/Rc4.h"

#include <gtest/gtest.h>

#include <array>

namespace {

jet::DatabaseHeader headerOf(const std::string& path) {
    const auto bytes = jettest::fileBytes(path);
    const auto h = jet::decodeHeader(bytes);
    if (!h)
        throw std::runtime_error("no header: " + path);
    return *h;
}

TEST(DatabaseHeader, CodePageSortOrderAndPasswordOfEachFormat) {
    const auto jet3 = headerOf(jettest::access("testV1997.mdb"));
    EXPECT_EQ(jet3.format.version, jet::Version::Jet3);
    EXPECT_EQ(jet3.codePage, 1252);
    EXPECT_EQ(jet3.sortOrder, 1033);
    EXPECT_FALSE(jet3.passwordSet);
    EXPECT_EQ(jet3.databaseKey, 0u);

    // Jet 4 keeps its password bytes masked with the creation date, so they are
    // not zero although no password is set.
    const auto jet4 = headerOf(jettest::access("testV2000.mdb"));
    EXPECT_EQ(jet4.format.version, jet::Version::Jet4);
    EXPECT_EQ(jet4.codePage, 1252);
    EXPECT_EQ(jet4.sortOrder, 1033);
    EXPECT_FALSE(jet4.passwordSet);
    EXPECT_EQ(static_cast<int>(jet4.creationDate), 38135);

    const auto ace = headerOf(jettest::access("testV2007.accdb"));
    EXPECT_EQ(ace.format.version, jet::Version::Ace12);
    EXPECT_EQ(ace.format.pageSize, 4096u);
    EXPECT_FALSE(ace.passwordSet);

    const auto wg = headerOf(jettest::workgroup());
    EXPECT_TRUE(wg.format.workgroup);
    EXPECT_EQ(wg.databaseKey, 0xA1BD1337u);
}

TEST(DatabaseHeader, RecognisesASetPassword) {
    auto jet3 = jettest::fileBytes(jettest::access("testV1997.mdb"));
    jet3.resize(2048);
    EXPECT_TRUE(jet::decodeHeader(jettest::withPassword(jet3, true, "secret"))->passwordSet);
    EXPECT_FALSE(jet::decodeHeader(jettest::withPassword(jet3, true, ""))->passwordSet);
    auto jet4 = jettest::fileBytes(jettest::access("testV2000.mdb"));
    jet4.resize(4096);
    EXPECT_TRUE(jet::decodeHeader(jettest::withPassword(jet4, false, "x"))->passwordSet);
    EXPECT_FALSE(jet::decodeHeader(jettest::withPassword(jet4, false, ""))->passwordSet);
}

TEST(DatabaseHeader, RefusesShortOrForeignHeaders) {
    auto bytes = jettest::fileBytes(jettest::access("testV2000.mdb"));
    EXPECT_FALSE(jet::decodeHeader(std::span(bytes).first(0x20)));
    bytes[4] = 'X';
    EXPECT_FALSE(jet::decodeHeader(bytes));
    EXPECT_FALSE(jet::decodeHeader(jettest::fileBytes(std::string(RAVELIN_TESTDATA) + "/lockfiles/system.ldb")));
}

TEST(Rc4, KnownVector) {
    // RFC 6229 style check: key "Key", plaintext "Plaintext" -> BBF316E8D940AF0AD3.
    const std::string key = "Key";
    std::vector<std::uint8_t> data = {'P', 'l', 'a', 'i', 'n', 't', 'e', 'x', 't'};
    jet::Rc4({reinterpret_cast<const std::uint8_t*>(key.data()), key.size()}).apply(data);
    const std::vector<std::uint8_t> expected = {0xBB, 0xF3, 0x16, 0xE8, 0xD9, 0x40, 0xAF, 0x0A, 0xD3};
    EXPECT_EQ(data, expected);
}

}  // namespace
