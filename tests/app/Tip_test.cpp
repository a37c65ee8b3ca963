// The tip window: loaded by its first message, gone 4000 ms later.
#include "app/TipWindow.h"
#include "tests/support/MainWindowHarness.h"

#include <QLabel>
#include <QTest>
#include <QTimer>

#include <gtest/gtest.h>

namespace {

class Tip : public ::testing::Test, public MainWindowHarness {
protected:
    void SetUp() override { ASSERT_TRUE(start()); }
};

QTimer* lifetime(TipWindow* tip) { return tip->findChild<QTimer*>(QStringLiteral("lifetimeTimer")); }

TEST_F(Tip, FirstMessageLoadsTheWindowWithItsFourSecondTimer) {
    EXPECT_EQ(window->tip(), nullptr);
    window->showTip(QStringLiteral("first"));
    TipWindow* tip = window->tip();
    ASSERT_NE(tip, nullptr);
    EXPECT_TRUE(tip->isVisible());
    EXPECT_EQ(tip->message(), QStringLiteral("first"));
    EXPECT_TRUE(lifetime(tip)->isActive());
    EXPECT_EQ(lifetime(tip)->interval(), 4000);
    EXPECT_TRUE(lifetime(tip)->isSingleShot());
    EXPECT_TRUE(boxes.shown.empty());
}

TEST_F(Tip, ASecondMessageReplacesTheTextWithoutExtendingTheTime) {
    window->showTip(QStringLiteral("first"));
    TipWindow* tip = window->tip();
    QTest::qWait(50);
    const int before = lifetime(tip)->remainingTime();
    window->showTip(QStringLiteral("second"));
    EXPECT_EQ(window->tip(), tip);
    EXPECT_EQ(tip->message(), QStringLiteral("second"));
    EXPECT_LE(lifetime(tip)->remainingTime(), before);
    EXPECT_LT(lifetime(tip)->remainingTime(), 4000);
}

TEST_F(Tip, TheTickUnloadsItAndTheNextMessageLoadsItAfresh) {
    window->showTip(QStringLiteral("first"));
    QPointer<TipWindow> tip = window->tip();
    tip->lifetimeEnded();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_TRUE(tip.isNull());
    EXPECT_EQ(window->tip(), nullptr);

    window->showTip(QStringLiteral("again"));
    ASSERT_NE(window->tip(), nullptr);
    EXPECT_EQ(window->tip()->message(), QStringLiteral("again"));
    EXPECT_TRUE(lifetime(window->tip())->isActive());
}

// A message set after the tick closed the window, before its deletion, is
// shown by a new window.
TEST_F(Tip, AMessageBetweenTheTickAndTheDeletionIsShown) {
    window->showTip(QStringLiteral("first"));
    QPointer<TipWindow> closing = window->tip();
    closing->lifetimeEnded();
    window->showTip(QStringLiteral("late"));
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_TRUE(closing.isNull());
    ASSERT_NE(window->tip(), nullptr);
    EXPECT_TRUE(window->tip()->isVisible());
    EXPECT_EQ(window->tip()->message(), QStringLiteral("late"));
}

}  // namespace
