// Which files' locks Samba keeps to itself, from testparm's listing of shares.
#include "jet/who/SambaShares.h"

#include <gtest/gtest.h>

namespace {

TEST(SambaShares, PosixLockingIsLearntPerShareWithTheGlobalValueAsDefault) {
    const auto shares = jet::who::SambaShares::parse(
        "# Global parameters\n[global]\n\tposix locking = No\n\n"
        "[office]\n\tpath = /nonexistent/srv/office\n\tposix locking = Yes\n\n"
        "[archive]\n\tpath = /nonexistent/srv/office/archive\n\n"
        "[users]\n\tpath = /nonexistent/home/%U\n\tposix locking = Yes\n");
    const struct {
        const char* path;
        bool visible;
    } cases[] = {
        {"/nonexistent/srv/office/sales.ldb", true},         // its share says yes
        {"/nonexistent/srv/office/archive/old.ldb", false},  // the longer path wins; global no
        {"/nonexistent/srv/office-old/x.ldb", true},         // a name that only starts alike: no share
        {"/nonexistent/elsewhere/x.ldb", true},              // under no share
    };
    for (const auto& c : cases)
        EXPECT_EQ(shares.locksVisible(c.path), c.visible) << c.path;
    EXPECT_FALSE(jet::who::SambaShares::parse("").locksVisible("/nonexistent/x.ldb")) << "testparm not read";
    EXPECT_FALSE(jet::who::SambaShares::parse("[global]\n[homes]\n\tposix locking = no\n").locksVisible("/x.ldb"))
        << "[homes] serves folders not named";
}

}  // namespace
