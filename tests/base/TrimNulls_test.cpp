// TrimNulls: blanks are trimmed first, then trailing NULs removed, so blanks
// that stand before the NULs stay.
#include "base/Strings.h"

#include <gtest/gtest.h>

TEST(TrimNulls, BlanksFirstThenTrailingNuls) {
    const QChar nul(0);
    EXPECT_EQ(TrimNulls(QString(3, nul)), QString());
    EXPECT_EQ(TrimNulls(QStringLiteral("  X") + nul), QStringLiteral("X"));
    EXPECT_EQ(TrimNulls(QStringLiteral("   ")), QString());
    EXPECT_EQ(TrimNulls(QStringLiteral("AB  ") + nul + nul), QStringLiteral("AB  "));
    EXPECT_EQ(TrimNulls(QStringLiteral("A") + nul + QStringLiteral("B") + nul), QStringLiteral("A") + nul + "B");
}
