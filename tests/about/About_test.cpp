// The About box: the version caption and the modal box the command shows.
#include "about/BuildVersion.h"
#include "about/AboutWindow.h"
#include "tests/support/MainWindowHarness.h"

#include <QAction>
#include <QApplication>
#include <QPushButton>
#include <QTimer>

#include <gtest/gtest.h>

namespace {

class About : public ::testing::Test, public MainWindowHarness {};

TEST(VersionCaption, TakesMajorMinorAndRevision) {
    EXPECT_EQ(versionCaption(QVersionNumber({1, 7, 0, 49})), QStringLiteral("Version 1.7 (Build: 49)"));
}

TEST_F(About, TheCommandShowsAModalBoxThatOkCloses) {
    ASSERT_TRUE(start());
    bool seen = false;
    QTimer::singleShot(0, window.get(), [&] {
        auto* box = qobject_cast<AboutWindow*>(QApplication::activeModalWidget());
        ASSERT_NE(box, nullptr);
        seen = true;
        box->closeAbout();
    });
    controls().aboutAction->trigger();
    EXPECT_TRUE(seen);
    EXPECT_EQ(QApplication::activeModalWidget(), nullptr);
}

}  // namespace
