// The settings window: choosing files, validating the interval, closing.
#include "app/IntervalTimer.h"
#include "settings/frmSettings.h"
#include "tests/support/MainWindowHarness.h"
#include "usernames/frmData.h"

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

class SettingsWindow : public ::testing::Test, public MainWindowHarness {
protected:
    void SetUp() override {
        ASSERT_TRUE(start());
        s = window->settings();
        s->show();
    }
    frmSettings* s = nullptr;
};

// A fraction is rounded for the timer but shown as typed.
TEST_F(SettingsWindow, IntervalsFrom5000To60000AreAccepted) {
    for (const auto& [text, interval] :
         {std::pair{"5000", 5000}, std::pair{"60000", 60000}, std::pair{"30000", 30000}, std::pair{"5000.6", 5001}}) {
        s->show();
        s->txtTSpeed->setText(QString::fromLatin1(text));
        s->btnClose->click();
        EXPECT_FALSE(s->isVisible()) << text;
        EXPECT_EQ(window->Timer1->interval(), interval);
        EXPECT_EQ(window->chkAutoMonitor->text(),
                  QStringLiteral("Auto Monitoring (Every %1 miliseconds)").arg(QString::fromLatin1(text)));
    }
    EXPECT_TRUE(boxes.shown.empty());
}

TEST_F(SettingsWindow, OtherIntervalsAreRefusedAndTheWindowStays) {
    for (const char* text : {"4999", "60001", "", "abc", "5000x", "-6000"}) {
        s->txtTSpeed->setText(QString::fromLatin1(text));
        s->btnClose->click();
        EXPECT_TRUE(s->isVisible()) << text;
        EXPECT_EQ(boxes.last().text, QStringLiteral("You must enter in a valid number from 5000 to 60000 (5 Sec to 1 Minute)"));
        EXPECT_EQ(boxes.last().title, QStringLiteral("Invalid Number"));
        EXPECT_EQ(boxes.last().icon, MsgIcon::Exclamation);
        EXPECT_EQ(s->txtTSpeed->text(), QString::fromLatin1(text));
        EXPECT_EQ(window->Timer1->interval(), 60000);
    }
}

TEST_F(SettingsWindow, TheCloseBoxAndEscapeBehaveAsClose) {
    s->txtTSpeed->setText(QStringLiteral("abc"));
    s->close();
    EXPECT_TRUE(s->isVisible());
    EXPECT_EQ(boxes.last().title, QStringLiteral("Invalid Number"));
    QTest::keyClick(s, Qt::Key_Escape);
    EXPECT_TRUE(s->isVisible());
    EXPECT_EQ(boxes.shown.size(), 2u);

    s->txtTSpeed->setText(QStringLiteral("20000"));
    s->chkAutoMon->setChecked(true);
    s->close();
    EXPECT_FALSE(s->isVisible());
    EXPECT_EQ(window->settings(), s) << "the window and its settings stay loaded";
    EXPECT_TRUE(s->chkAutoMon->isChecked());
    EXPECT_EQ(window->Timer1->interval(), 20000);
}

TEST_F(SettingsWindow, PathBoxesIgnoreTyping) {
    const QString db = s->txtDB->text();
    QTest::keyClicks(s->txtDB, QStringLiteral("xyz"));
    QTest::keyClick(s->txtDB, Qt::Key_Backspace);
    QTest::keyClicks(s->txtWorkgroup, QStringLiteral("xyz"));
    EXPECT_EQ(s->txtDB->text(), db);
    EXPECT_EQ(s->txtWorkgroup->text(), frmSettings::defaultWorkgroup());
}

TEST_F(SettingsWindow, SelectWorkgroupTakesTheChosenFile) {
    files.answers = {std::nullopt, QStringLiteral("/srv/Secured.MDW")};
    s->cmdSelectWorkGroup->click();
    EXPECT_EQ(s->txtWorkgroup->text(), frmSettings::defaultWorkgroup());
    s->cmdSelectWorkGroup->click();
    EXPECT_EQ(s->txtWorkgroup->text(), QStringLiteral("/srv/Secured.MDW"));
    ASSERT_EQ(files.requests.size(), 2u);
    EXPECT_EQ(files.requests[1].filter, QStringLiteral("Access Workgroup Files (*.mdw;*.mda)") + NUL +
                                            QStringLiteral("*.mdw;*.mda") + NUL + NUL);
    EXPECT_EQ(files.requests[1].owner, s);
}

TEST_F(SettingsWindow, OnlyAFileNamedCompnamedbIsAccepted) {
    const QString before = s->txtDB->text();
    files.answers = {QStringLiteral("/srv/names.mdb"), QStringLiteral("/srv/COMPNAMEDB.MDB"),
                     QStringLiteral("/srv/xcompnamedb.mdb")};
    for (int i = 0; i < 3; ++i)
        s->Command1->click();
    ASSERT_EQ(boxes.shown.size(), 3u);
    EXPECT_EQ(boxes.last().title, QStringLiteral("Invalid Database File"));
    EXPECT_EQ(boxes.last().text, QStringLiteral("The file you selected does not seem to be the 'compnamedb.mdb' file.\r"
                                                "Please select the correct User Name database file."));
    EXPECT_EQ(boxes.last().icon, MsgIcon::Exclamation);
    EXPECT_EQ(s->txtDB->text(), before);
    EXPECT_EQ(files.requests[0].filter, QStringLiteral("Access Databases (*.mdb;*.mdb)") + NUL +
                                            QStringLiteral("*.mdb;*.mdb") + NUL + NUL);
}

TEST_F(SettingsWindow, ChangingTheUserNameDatabaseAsksFirst) {
    const QString before = s->txtDB->text();
    files.answers = {before, QStringLiteral("/srv/compnamedb.mdb"), QStringLiteral("/srv/compnamedb.mdb")};
    s->Command1->click();  // the same file: accepted without a question
    EXPECT_TRUE(boxes.shown.empty());

    boxes.answers = {MsgAnswer::No};
    s->Command1->click();
    ASSERT_EQ(boxes.shown.size(), 1u);
    EXPECT_EQ(boxes.last().title, QStringLiteral("Change Database Path?"));
    EXPECT_EQ(boxes.last().text,
              QStringLiteral("Changing the current database path will require the User Name database to be refreshed "
                             "based on new path.\rAre you sure you want to do this?"));
    EXPECT_EQ(boxes.last().icon, MsgIcon::Question);
    EXPECT_EQ(boxes.last().buttons, MsgButtons::YesNo);
    EXPECT_EQ(s->txtDB->text(), before);

    boxes.answers = {MsgAnswer::Yes};
    s->Command1->click();
    EXPECT_EQ(s->txtDB->text(), QStringLiteral("/srv/compnamedb.mdb"));
    EXPECT_EQ(window->data()->Data1.DatabaseName, QStringLiteral("/srv/compnamedb.mdb"));
}

TEST_F(SettingsWindow, TheSettingsCommandShowsTheWindowModally) {
    s->hide();
    bool wasModal = false;
    QTimer::singleShot(0, s, [&] {
        wasModal = s->isVisible() && s->isModal();
        s->btnClose->click();
    });
    window->mSettings->trigger();
    EXPECT_TRUE(wasModal);
    EXPECT_FALSE(s->isVisible());
}

}  // namespace
