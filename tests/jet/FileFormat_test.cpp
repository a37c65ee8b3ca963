#include "JetTesting.h"

#include "jet/Error.h"
#include "jet/page/FileFormat.h"

#include <gtest/gtest.h>

namespace {

const std::string kData = RAVELIN_TESTDATA;

TEST(FileFormat, RecognisesEachVersionFromTheHeaderPage) {
    EXPECT_EQ(jet::readFileFormat(kData + "/access/testV1997.mdb").version, jet::Version::Jet3);
    EXPECT_EQ(jet::readFileFormat(kData + "/access/testV2000.mdb").version, jet::Version::Jet4);
    EXPECT_EQ(jet::readFileFormat(kData + "/access/testV2007.accdb").version, jet::Version::Ace12);
    EXPECT_EQ(jet::readFileFormat(kData + "/access-more/test2V2010.accdb").version, jet::Version::Ace14);
    EXPECT_EQ(jet::readFileFormat(kData + "/access-more/extDateTestV2019.accdb").version, jet::Version::Ace17);
    const auto wg = jet::readFileFormat(kData + "/workgroup/system.mdw");
    EXPECT_TRUE(wg.workgroup);
    EXPECT_EQ(wg.pageSize, 2048u);
}

TEST(FileFormat, RefusesFilesThatAreNotDatabases) {
    const jet::Error lockFile = jettest::caught([] { jet::readFileFormat(kData + "/lockfiles/system.ldb"); });
    EXPECT_EQ(lockFile.number(), jet::NotADatabase);
    EXPECT_NE(lockFile.description().find("system.ldb"), std::string::npos);
    EXPECT_EQ(jettest::errorOf([] { jet::readFileFormat(kData + "/no-such-file.mdb"); }), jet::FileNotFound);
}

TEST(FileFormat, EveryVersionByteAccessWritesAndNoNewerOne) {
    auto head = jettest::fileBytes(kData + "/access/testV2007.accdb");
    head.resize(jet::kFormatProbeSize);
    for (std::uint8_t byte = 2; byte <= 6; ++byte) {
        head[0x14] = byte;
        const auto format = jet::detectFormat(head);
        ASSERT_TRUE(format) << int{byte};
        EXPECT_EQ(static_cast<int>(format->version), byte);
        EXPECT_EQ(format->pageSize, 4096u);
    }
    head[0x14] = 7;
    EXPECT_FALSE(jet::detectFormat(head));
    const std::string why = jet::refusedFormatMessage(head, "future.accdb");
    EXPECT_NE(why.find("newer"), std::string::npos) << why;
    EXPECT_NE(why.find("0x07"), std::string::npos) << why;
}

}  // namespace
