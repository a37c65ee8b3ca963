#include "jet/text/Windows1252.h"

#include <gtest/gtest.h>

namespace {

TEST(Windows1252, EveryByteRoundTrips) {
    std::string all;
    for (int b = 1; b < 256; ++b)
        all += static_cast<char>(b);
    EXPECT_EQ(jet::utf8ToWindows1252(jet::windows1252ToUtf8(all)), all);
}

TEST(Windows1252, DecodesTheHighRangeAsWindowsDoes) {
    EXPECT_EQ(jet::windows1252ToUtf8("\x80"), "\u20AC");
    EXPECT_EQ(jet::windows1252ToUtf8("M\xFC"
                                     "ller"),
              "M\u00FCller");
    EXPECT_EQ(jet::windows1252ToUtf8("\x9F"), "\u0178");
}

TEST(Windows1252, UnmappableAndMalformedTextBecomesQuestionMarks) {
    EXPECT_EQ(jet::utf8ToWindows1252("\u4E2D"), "?");
    EXPECT_EQ(jet::utf8ToWindows1252("a\xC3"), "a?");
    EXPECT_EQ(jet::utf8ToWindows1252("\xE2\x82"), "??");
    // Decoded strictly: an overlong 'A' and an encoded surrogate are no characters.
    EXPECT_EQ(jet::utf8ToWindows1252("\xC1\x81"), "??");
    EXPECT_EQ(jet::utf8ToWindows1252("\xED\xA0\x80"), "???");
}

}  // namespace
