// The main window as the user meets it: its layout at the design size, the
// status bar with a long path, and the keys.
#include "base/Twips.h"
#include "tests/support/MainWindowHarness.h"

#include <QCheckBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QRadioButton>
#include <QScrollArea>
#include <QScrollBar>
#include <QStatusBar>
#include <QTest>

#include <iostream>

#include <gtest/gtest.h>

namespace {

class MainWindowTest : public ::testing::Test, public MainWindowHarness {
protected:
    void SetUp() override {
        ASSERT_TRUE(start());
        window->show();
        window->activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(window.get()));
    }
};

TEST_F(MainWindowTest, AtTheDesignSizeEveryControlIsVisible) {
    const int menu = window->menuBar()->height();
    EXPECT_EQ(window->width(), twipsToPixelsX(window.get(), 11010));
    EXPECT_EQ(window->height() - menu, twipsToPixelsY(window.get(), 7515));
    QCoreApplication::processEvents();
    EXPECT_FALSE(controls().optionsArea->verticalScrollBar()->isVisible());
    EXPECT_FALSE(controls().optionsArea->horizontalScrollBar()->isVisible());
    // Every control of the lower panel lies inside the visible part.
    const QRect visible = controls().optionsArea->viewport()->rect();
    for (QWidget* w : controls().optionsPanel->findChildren<QWidget*>()) {
        const QRect at(w->mapTo(controls().optionsArea->viewport(), QPoint(0, 0)), w->size());
        EXPECT_TRUE(visible.contains(at)) << w->objectName().toStdString();
    }
    // The thin-client option is indented under the lock-file options.
    EXPECT_GT(controls().allPossibleCheck->mapTo(controls().lockFileGroup, QPoint(0, 0)).x(),
              controls().lockFileChoice[2]->mapTo(controls().lockFileGroup, QPoint(0, 0)).x() + 10);
}

// A long selected path neither widens the window nor sets its minimum width;
// the panel shows it elided and whole in its tooltip.
TEST_F(MainWindowTest, ALongPathDoesNotWidenTheWindow) {
    const int width = window->width();
    const QString path = QStringLiteral("/srv/") + QString(400, QChar('p')) + QStringLiteral(".mdb");
    window->setSelectedDatabasePath(path);
    QCoreApplication::processEvents();
    EXPECT_EQ(window->width(), width);
    EXPECT_LT(window->minimumSizeHint().width(), width);
    EXPECT_EQ(window->selectedDatabasePath(), path);
    EXPECT_EQ(controls().databasePathLabel->toolTip(), path);
    stop();
    ASSERT_TRUE(start());
    EXPECT_EQ(window->width(), width);
}

// Menu shortcuts win everywhere in the window, also in a text box that would
// take the key for itself; Alt+H opens the "&Help" menu.
TEST_F(MainWindowTest, MenuShortcutsWinOverTheControls) {
    controls().userNameEdit->setText(QStringLiteral("admin"));
    controls().userNameEdit->setFocus();
    QTest::keyClick(controls().userNameEdit, Qt::Key_A, Qt::ControlModifier);
    EXPECT_EQ(files.requests.size(), 1u) << "Ctrl+A did not run Add Database Path";
    EXPECT_FALSE(controls().userNameEdit->hasSelectedText());

    QTest::keyClick(window.get(), Qt::Key_H, Qt::AltModifier);
    EXPECT_TRUE(controls().helpMenu->isVisible());
    controls().helpMenu->close();
}

}  // namespace
