#pragma once
// Tests that must run. A test that can't run here (no Samba, no X server,
// not root) skips on a developer's machine; in CI (CI=true), where ./dev has
// installed everything the tests need, the same condition fails the test, so
// that a missing tool never passes for a green suite. Use it where
// GTEST_SKIP() would go, reason streamed after it:
//     if (why) SKIP_UNLESS_CI() << why;
#include <gtest/gtest.h>

#include <cstdlib>
#include <string_view>

namespace ravelin_testing {

inline bool inCi() {
    const char* ci = std::getenv("CI");
    return ci && std::string_view(ci) == "true";
}

}  // namespace ravelin_testing

#define SKIP_UNLESS_CI()                                                                                        \
    return GTEST_MESSAGE_(::ravelin_testing::inCi() ? "In CI (CI=true) this test must run, but it can't: "     \
                                                    : "Skipped: ",                                             \
                          ::ravelin_testing::inCi() ? ::testing::TestPartResult::kFatalFailure                 \
                                                    : ::testing::TestPartResult::kSkip)
