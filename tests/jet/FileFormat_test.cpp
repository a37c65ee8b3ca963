#include "jet/Error.h"
#include "jet/page/FileFormat.h"

#include <gtest/gtest.h>

namespace {

const std::string kData = RAVELIN_TESTDATA;

TEST(FileFormat, RecognisesEachVersionFromTheHeaderPage) {
    EXPECT_EQ(jet::readFileFormat(kData + "/access/testV1997.mdb").version, jet::Version::Jet3);
    EXPECT_EQ(jet::readFileFormat(kData + "/access/testV2000.mdb").version, jet::Version::Jet4);
    EXPECT_EQ(jet::readFileFormat(kData + "/access/testV2007.accdb").version, jet::Version::Ace12);
    const auto wg = jet::readFileFormat(kData + "/workgroup/system.mdw");
    EXPECT_TRUE(wg.workgroup);
    EXPECT_EQ(wg.pageSize, 2048u);
}

TEST(FileFormat, RefusesFilesThatAreNotDatabases) {
    try {
        jet::readFileFormat(kData + "/lockfiles/system.ldb");
        FAIL() << "a lock file was taken for a database";
    } catch (const jet::Error& e) {
        EXPECT_EQ(e.number(), jet::NotADatabase);
        EXPECT_NE(e.description().find("system.ldb"), std::string::npos);
    }
    try {
        jet::readFileFormat(kData + "/no-such-file.mdb");
        FAIL() << "a missing file was read";
    } catch (const jet::Error& e) {
        EXPECT_EQ(e.number(), jet::FileNotFound);
    }
}

}  // namespace
