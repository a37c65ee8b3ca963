// The tip window: loaded by its first message, gone 4000 ms later.
#include "app/frmTip.h"
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

TEST_F(Tip, FirstMessageLoadsTheWindowWithItsFourSecondTimer) {
    EXPECT_EQ(window->tip(), nullptr);
    window->showTip(QStringLiteral("first"));
    frmTip* tip = window->tip();
    ASSERT_NE(tip, nullptr);
    EXPECT_TRUE(tip->isVisible());
    EXPECT_EQ(tip->lbMsg->text(), QStringLiteral("first"));
    EXPECT_TRUE(tip->Timer1->isActive());
    EXPECT_EQ(tip->Timer1->interval(), 4000);
    EXPECT_TRUE(tip->Timer1->isSingleShot());
    EXPECT_TRUE(boxes.shown.empty());
}

TEST_F(Tip, ASecondMessageReplacesTheTextWithoutExtendingTheTime) {
    window->showTip(QStringLiteral("first"));
    frmTip* tip = window->tip();
    QTest::qWait(50);
    const int before = tip->Timer1->remainingTime();
    window->showTip(QStringLiteral("second"));
    EXPECT_EQ(window->tip(), tip);
    EXPECT_EQ(tip->lbMsg->text(), QStringLiteral("second"));
    EXPECT_LE(tip->Timer1->remainingTime(), before);
    EXPECT_LT(tip->Timer1->remainingTime(), 4000);
}

TEST_F(Tip, TheTickUnloadsItAndTheNextMessageLoadsItAfresh) {
    window->showTip(QStringLiteral("first"));
    QPointer<frmTip> tip = window->tip();
    tip->Timer1_Timer();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_TRUE(tip.isNull());
    EXPECT_EQ(window->tip(), nullptr);

    window->showTip(QStringLiteral("again"));
    ASSERT_NE(window->tip(), nullptr);
    EXPECT_EQ(window->tip()->lbMsg->text(), QStringLiteral("again"));
    EXPECT_TRUE(window->tip()->Timer1->isActive());
}

// A message set after the tick closed the window, before its deletion, is
// shown by a new window.
TEST_F(Tip, AMessageBetweenTheTickAndTheDeletionIsShown) {
    window->showTip(QStringLiteral("first"));
    QPointer<frmTip> closing = window->tip();
    closing->Timer1_Timer();
    window->showTip(QStringLiteral("late"));
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_TRUE(closing.isNull());
    ASSERT_NE(window->tip(), nullptr);
    EXPECT_TRUE(window->tip()->isVisible());
    EXPECT_EQ(window->tip()->lbMsg->text(), QStringLiteral("late"));
}

}  // namespace
