// Auto monitoring: the check box, the timer, and refreshes that overlap.
#include "settings/SettingsWindow.h"
#include "tests/support/MainWindowHarness.h"

#include <QCheckBox>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <QTreeView>

#include <gtest/gtest.h>

namespace {

const QString kNoSelection = QStringLiteral("You must select a database");

class AutoMonitor : public ::testing::Test, public MainWindowHarness {
protected:
    void SetUp() override { ASSERT_TRUE(start()); }
};

TEST_F(AutoMonitor, CheckingStartsTheTimerWithoutRefreshingAtOnce) {
    EXPECT_FALSE(window->autoMonitoring());
    controls().autoMonitorCheck->click();
    EXPECT_TRUE(window->autoMonitoring());
    EXPECT_TRUE(controls().refreshTimer->isActive());
    EXPECT_GT(controls().refreshTimer->remainingTime(), 50000);
    EXPECT_TRUE(boxes.shown.empty());

    window->users().appendRow({QStringLiteral("PC01")});
    controls().autoMonitorCheck->click();
    EXPECT_FALSE(window->autoMonitoring());
    EXPECT_FALSE(controls().refreshTimer->isActive());
    EXPECT_EQ(window->users().rowCount(), 1);
}

TEST_F(AutoMonitor, EachTickRunsTheDisplayUsersCommand) {
    window->setMonitorInterval(20, QStringLiteral("20"));
    controls().autoMonitorCheck->setChecked(true);
    EXPECT_TRUE(QTest::qWaitFor([&] { return boxes.shown.size() >= 2; }, 5000));
    controls().autoMonitorCheck->setChecked(false);
    for (const auto& b : boxes.shown)
        EXPECT_EQ(b.request.text, kNoSelection);
}

TEST_F(AutoMonitor, ATickDuringARunningRefreshDoesNotStartAnother) {
    int nestedTicks = 0;
    boxes.whileOpen = [&] {
        // The box is open inside a refresh; the timer falls due meanwhile.
        ++nestedTicks;
        if (nestedTicks <= 3)
            window->refreshTick();
    };
    window->refreshTick();
    EXPECT_EQ(nestedTicks, 1);
    EXPECT_EQ(boxes.shown.size(), 1u);
    // Once the refresh has ended, the next tick refreshes again.
    window->refreshTick();
    EXPECT_EQ(boxes.shown.size(), 2u);
}

TEST_F(AutoMonitor, ChangingTheIntervalWhileRunningKeepsMonitoring) {
    controls().autoMonitorCheck->setChecked(true);
    SettingsWindow* s = window->settings();
    s->show();
    findControl<QLineEdit>(s, QStringLiteral("intervalEdit"))->setText(QStringLiteral("5000"));
    s->closeSettings();
    EXPECT_TRUE(controls().autoMonitorCheck->isChecked());
    EXPECT_TRUE(controls().refreshTimer->isActive());
    EXPECT_LE(controls().refreshTimer->remainingTime(), 5000);
}

TEST_F(AutoMonitor, OnlyTheStartUpFlagSurvivesARestart) {
    controls().autoMonitorCheck->setChecked(true);
    ASSERT_TRUE(restart());
    EXPECT_FALSE(controls().autoMonitorCheck->isChecked());
    EXPECT_FALSE(window->autoMonitoring());

    window->settingsStore().update([](Settings& v) { v.monitorAtStart = true; });
    ASSERT_TRUE(restart());
    EXPECT_TRUE(controls().autoMonitorCheck->isChecked());
    EXPECT_TRUE(controls().refreshTimer->isActive());
}

TEST_F(AutoMonitor, AZeroIntervalNeverTicksAndNoneAbove65535IsTaken) {
    controls().autoMonitorCheck->click();
    EXPECT_TRUE(window->setMonitorInterval(0, QStringLiteral("0")));
    EXPECT_TRUE(window->autoMonitoring());
    EXPECT_FALSE(controls().refreshTimer->isActive());
    EXPECT_FALSE(window->setMonitorInterval(65536, QStringLiteral("65536")));
    EXPECT_FALSE(window->setMonitorInterval(-1, QStringLiteral("-1")));
    EXPECT_EQ(controls().refreshTimer->interval(), 0);
    EXPECT_TRUE(window->setMonitorInterval(65535, QStringLiteral("65535")));
    EXPECT_TRUE(controls().refreshTimer->isActive());
}

}  // namespace
