// The settings window: choosing files, validating the interval, closing.
#include "settings/SettingsWindow.h"
#include "tests/support/MainWindowHarness.h"
#include "usernames/UserNameWindow.h"

#include <QAction>
#include <QCheckBox>
#include <QCloseEvent>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>
#include <QTimer>

#include <gtest/gtest.h>

namespace {

const QChar NUL(0);

class SettingsWindowTest : public ::testing::Test, public MainWindowHarness {
protected:
    void SetUp() override {
        ASSERT_TRUE(start());
        s = window->settings();
        s->show();
    }
    SettingsWindow* s = nullptr;
};

// A fraction is rounded for the timer but shown as typed.
TEST_F(SettingsWindowTest, IntervalsFrom5000To60000AreAccepted) {
    for (const auto& [text, interval] :
         {std::pair{"5000", 5000}, std::pair{"60000", 60000}, std::pair{"30000", 30000}, std::pair{"5000.6", 5001}}) {
        s->show();
        findControl<QLineEdit>(s, QStringLiteral("intervalEdit"))->setText(QString::fromLatin1(text));
        s->closeSettings();
        EXPECT_FALSE(s->isVisible()) << text;
        EXPECT_EQ(controls().refreshTimer->interval(), interval);
        EXPECT_EQ(controls().autoMonitorCheck->text(),
                  QStringLiteral("Auto Monitoring (Every %1 miliseconds)").arg(QString::fromLatin1(text)));
    }
    EXPECT_TRUE(boxes.shown.empty());
}

TEST_F(SettingsWindowTest, OtherIntervalsAreRefusedAndTheWindowStays) {
    for (const char* text : {"4999", "60001", "", "abc", "5000x", "-6000"}) {
        findControl<QLineEdit>(s, QStringLiteral("intervalEdit"))->setText(QString::fromLatin1(text));
        s->closeSettings();
        EXPECT_TRUE(s->isVisible()) << text;
        EXPECT_EQ(boxes.last().text, QStringLiteral("You must enter in a valid number from 5000 to 60000 (5 Sec to 1 Minute)"));
        EXPECT_EQ(boxes.last().title, QStringLiteral("Invalid Number"));
        EXPECT_EQ(boxes.last().icon, MsgIcon::Exclamation);
        EXPECT_EQ(findControl<QLineEdit>(s, QStringLiteral("intervalEdit"))->text(), QString::fromLatin1(text));
        EXPECT_EQ(controls().refreshTimer->interval(), 60000);
    }
}

TEST_F(SettingsWindowTest, TheCloseBoxAndEscapeBehaveAsClose) {
    findControl<QLineEdit>(s, QStringLiteral("intervalEdit"))->setText(QStringLiteral("abc"));
    s->close();
    EXPECT_TRUE(s->isVisible());
    EXPECT_EQ(boxes.last().title, QStringLiteral("Invalid Number"));
    QTest::keyClick(s, Qt::Key_Escape);
    EXPECT_TRUE(s->isVisible());
    EXPECT_EQ(boxes.shown.size(), 2u);

    findControl<QLineEdit>(s, QStringLiteral("intervalEdit"))->setText(QStringLiteral("20000"));
    window->settingsStore().update([](Settings& v) { v.monitorAtStart = true; });
    s->close();
    EXPECT_FALSE(s->isVisible());
    EXPECT_EQ(window->settings(), s) << "the window and its settings stay loaded";
    EXPECT_TRUE(window->settingsStore().value().monitorAtStart);
    EXPECT_EQ(controls().refreshTimer->interval(), 20000);
}

TEST_F(SettingsWindowTest, PathBoxesIgnoreTyping) {
    const QString db = findControl<QLineEdit>(s, QStringLiteral("userDatabaseEdit"))->text();
    QTest::keyClicks(findControl<QLineEdit>(s, QStringLiteral("userDatabaseEdit")), QStringLiteral("xyz"));
    QTest::keyClick(findControl<QLineEdit>(s, QStringLiteral("userDatabaseEdit")), Qt::Key_Backspace);
    QTest::keyClicks(findControl<QLineEdit>(s, QStringLiteral("workgroupEdit")), QStringLiteral("xyz"));
    EXPECT_EQ(findControl<QLineEdit>(s, QStringLiteral("userDatabaseEdit"))->text(), db);
    EXPECT_EQ(findControl<QLineEdit>(s, QStringLiteral("workgroupEdit"))->text(), SettingsWindow::defaultWorkgroup());
}

TEST_F(SettingsWindowTest, SelectWorkgroupTakesTheChosenFile) {
    files.answers = {std::nullopt, QStringLiteral("/srv/Secured.MDW")};
    s->chooseWorkgroup();
    EXPECT_EQ(findControl<QLineEdit>(s, QStringLiteral("workgroupEdit"))->text(), SettingsWindow::defaultWorkgroup());
    s->chooseWorkgroup();
    EXPECT_EQ(findControl<QLineEdit>(s, QStringLiteral("workgroupEdit"))->text(), QStringLiteral("/srv/Secured.MDW"));
    ASSERT_EQ(files.requests.size(), 2u);
    EXPECT_EQ(files.requests[1].filter, QStringLiteral("Access Workgroup Files (*.mdw;*.mda)") + NUL +
                                            QStringLiteral("*.mdw;*.mda") + NUL + NUL);
    EXPECT_EQ(files.requests[1].owner, s);
}

TEST_F(SettingsWindowTest, OnlyAFileNamedCompnamedbIsAccepted) {
    const QString before = findControl<QLineEdit>(s, QStringLiteral("userDatabaseEdit"))->text();
    files.answers = {QStringLiteral("/srv/names.mdb"), QStringLiteral("/srv/COMPNAMEDB.MDB"),
                     QStringLiteral("/srv/xcompnamedb.mdb")};
    for (int i = 0; i < 3; ++i)
        s->chooseUserDatabase();
    ASSERT_EQ(boxes.shown.size(), 3u);
    EXPECT_EQ(boxes.last().title, QStringLiteral("Invalid Database File"));
    EXPECT_EQ(boxes.last().text, QStringLiteral("The file you selected does not seem to be the 'compnamedb.mdb' file.\r"
                                                "Please select the correct User Name database file."));
    EXPECT_EQ(boxes.last().icon, MsgIcon::Exclamation);
    EXPECT_EQ(findControl<QLineEdit>(s, QStringLiteral("userDatabaseEdit"))->text(), before);
    EXPECT_EQ(files.requests[0].filter, QStringLiteral("Access Databases (*.mdb;*.mdb)") + NUL +
                                            QStringLiteral("*.mdb;*.mdb") + NUL + NUL);
}

TEST_F(SettingsWindowTest, ChangingTheUserNameDatabaseAsksFirst) {
    const QString before = findControl<QLineEdit>(s, QStringLiteral("userDatabaseEdit"))->text();
    files.answers = {before, QStringLiteral("/srv/compnamedb.mdb"), QStringLiteral("/srv/compnamedb.mdb")};
    s->chooseUserDatabase();  // the same file: accepted without a question
    EXPECT_TRUE(boxes.shown.empty());

    boxes.answers = {MsgAnswer::No};
    s->chooseUserDatabase();
    ASSERT_EQ(boxes.shown.size(), 1u);
    EXPECT_EQ(boxes.last().title, QStringLiteral("Change Database Path?"));
    EXPECT_EQ(boxes.last().text,
              QStringLiteral("Changing the current database path will require the User Name database to be refreshed "
                             "based on new path.\rAre you sure you want to do this?"));
    EXPECT_EQ(boxes.last().icon, MsgIcon::Question);
    EXPECT_EQ(boxes.last().buttons, MsgButtons::YesNo);
    EXPECT_EQ(findControl<QLineEdit>(s, QStringLiteral("userDatabaseEdit"))->text(), before);

    boxes.answers = {MsgAnswer::Yes};
    s->chooseUserDatabase();
    EXPECT_EQ(findControl<QLineEdit>(s, QStringLiteral("userDatabaseEdit"))->text(), QStringLiteral("/srv/compnamedb.mdb"));
    EXPECT_EQ(window->data()->databasePath(), QStringLiteral("/srv/compnamedb.mdb"));
}

TEST_F(SettingsWindowTest, TheSettingsCommandShowsTheWindowModally) {
    s->hide();
    bool wasModal = false;
    QTimer::singleShot(0, s, [&] {
        wasModal = s->isVisible() && s->isModal();
        s->closeSettings();
    });
    controls().settingsAction->trigger();
    EXPECT_TRUE(wasModal);
    EXPECT_FALSE(s->isVisible());
}

}  // namespace
