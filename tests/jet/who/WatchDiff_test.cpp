// The lines `ravelin-who --watch` logs between two listings.
#include "jet/who/WatchDiff.h"

#include <gtest/gtest.h>

namespace {

using namespace jet::who;

User user(int slot, const std::string& computer, bool connected, bool suspect = false) {
    return {slot, computer, "Admin", connected, suspect, {}, {}, {}, {}, {}};
}

TEST(WatchDiff, ReportsArrivalsDeparturesAndSuspects) {
    const std::vector<DatabaseUsers> first{{"/s/a.mdb", {}, {user(0, "PC-ANN", true), user(1, "PC-BOB", true)}, {}}};
    EXPECT_EQ(watchChanges({}, first), (std::vector<std::string>{"/s/a.mdb: PC-ANN (Admin), slot 0 arrived",
                                                                  "/s/a.mdb: PC-BOB (Admin), slot 1 arrived"}));
    EXPECT_TRUE(watchChanges(first, first).empty());

    // Ann leaves, Bob's client crashes, Cy takes Ann's slot; a stale slot
    // nobody holds is no news.
    const std::vector<DatabaseUsers> second{
        {"/s/a.mdb", {}, {user(0, "PC-CY", true), user(1, "PC-BOB", false, true), user(2, "PC-OLD", false)}, {}}};
    EXPECT_EQ(watchChanges(first, second),
              (std::vector<std::string>{"/s/a.mdb: PC-CY (Admin), slot 0 arrived",
                                        "/s/a.mdb: PC-BOB (Admin), slot 1 turned suspect",
                                        "/s/a.mdb: PC-ANN (Admin), slot 0 left"}));
}

TEST(WatchDiff, ReportsADatabaseThatCanNoLongerBeRead) {
    const std::vector<DatabaseUsers> fine{{"/s/a.mdb", {}, {user(0, "PC-ANN", true)}, {}}};
    const std::vector<DatabaseUsers> gone{{"/s/a.mdb", "/s/a.mdb: No such file or directory", {}, {}}};
    EXPECT_EQ(watchChanges(fine, gone),
              (std::vector<std::string>{"/s/a.mdb: cannot be read: /s/a.mdb: No such file or directory"}));
    EXPECT_TRUE(watchChanges(gone, gone).empty());
    EXPECT_EQ(watchChanges(gone, fine), (std::vector<std::string>{"/s/a.mdb: can be read again",
                                                                  "/s/a.mdb: PC-ANN (Admin), slot 0 arrived"}));
}

}  // namespace
