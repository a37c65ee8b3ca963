// settings.set: the 14 lines, how each is read back, and how the file is kept.
#include "app/IntervalTimer.h"
#include "app/Twips.h"
#include "settings/frmSettings.h"
#include "tests/support/MainWindowHarness.h"
#include "tests/support/SettingsLines.h"

#include <QCheckBox>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QRadioButton>
#include <QTreeWidget>

#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

namespace {

class SettingsFile : public ::testing::Test, public MainWindowHarness {
protected:
    frmSettings* s() { return window->settings(); }
    QStringList savedLines() {
        const QByteArray bytes = readHomeFile("settings.set");
        EXPECT_TRUE(bytes.endsWith("\r\n"));
        QStringList lines = QString::fromLocal8Bit(bytes).split(QStringLiteral("\r\n"));
        lines.removeLast();
        return lines;
    }
    unsigned fileMode() const {
        struct stat st {};
        ::stat(QFile::encodeName(homeFile("settings.set")).constData(), &st);
        return st.st_mode & 07777;
    }
    QString defaultDB() const { return home.path() + QStringLiteral("/compnamedb.mdb"); }
};

TEST_F(SettingsFile, EverySettingSurvivesARestart) {
    ASSERT_TRUE(start());
    window->show();
    window->move(twipsToPixelsX(window.get(), 1500), twipsToPixelsY(window.get(), 1200));
    window->resize(twipsToPixelsX(window.get(), 12000), twipsToPixelsY(window.get(), 9000));
    window->setPanelHeightTwips(window->pLeft, 1800);
    window->setPanelHeightTwips(window->pRtTop, 2400);
    s()->txtWorkgroup->setText(QStringLiteral("/srv/share/Secured.mdw"));
    window->txtUserName->setText(QStringLiteral("  Contour "));
    window->txtPassword->setText(QStringLiteral("pa ss"));
    window->optMode[1]->click();
    s()->txtTSpeed->setText(QStringLiteral("15000"));
    s()->btnClose_Click();
    s()->chkAutoMon->setChecked(true);
    s()->optDBClk[1]->setChecked(true);
    s()->txtDB->setText(QStringLiteral("/srv/names/compnamedb.mdb"));
    stop();

    const QStringList lines = savedLines();
    ASSERT_EQ(lines.size(), 14);
    EXPECT_EQ(lines.mid(0, 6), QStringList({"1500", "1200", "12000", "9000", "2400", "1800"}));
    EXPECT_EQ(lines.mid(6), QStringList({"/srv/share/Secured.mdw", "Contour", "pa ss", "1", "15000", "1", "1",
                                         "/srv/names/compnamedb.mdb"}));
    EXPECT_EQ(fileMode(), 0600u);

    ASSERT_TRUE(start());
    EXPECT_EQ(window->x(), twipsToPixelsX(window.get(), 1500));
    EXPECT_EQ(window->y(), twipsToPixelsY(window.get(), 1200));
    EXPECT_EQ(window->width(), twipsToPixelsX(window.get(), 12000));
    EXPECT_EQ(window->height(), twipsToPixelsY(window.get(), 9000));
    EXPECT_NEAR(window->panelHeightTwips(window->pLeft), 1800, 15);
    EXPECT_NEAR(window->panelHeightTwips(window->pRtTop), 2400, 15);
    EXPECT_EQ(s()->txtWorkgroup->text(), QStringLiteral("/srv/share/Secured.mdw"));
    EXPECT_EQ(window->txtUserName->text(), QStringLiteral("Contour"));
    EXPECT_EQ(window->txtPassword->text(), QStringLiteral("pa ss"));
    EXPECT_TRUE(window->optMode[1]->isChecked());
    EXPECT_EQ(window->lvUsers->columnCount(), 5);
    EXPECT_EQ(s()->txtTSpeed->text(), QStringLiteral("15000"));
    EXPECT_EQ(window->Timer1->interval(), 15000);
    EXPECT_EQ(window->chkAutoMonitor->text(), QStringLiteral("Auto Monitoring (Every 15000 miliseconds)"));
    EXPECT_TRUE(s()->chkAutoMon->isChecked());
    EXPECT_TRUE(window->chkAutoMonitor->isChecked());
    EXPECT_TRUE(window->Timer1->enabled());
    EXPECT_TRUE(s()->optDBClk[1]->isChecked());
    EXPECT_EQ(s()->txtDB->text(), QStringLiteral("/srv/names/compnamedb.mdb"));
}

TEST_F(SettingsFile, AnUnchangedFileIsRewrittenTheSame) {
    const QByteArray original = SettingsLines().bytes();
    writeHomeFile("settings.set", original);
    ASSERT_TRUE(start());
    stop();
    EXPECT_EQ(readHomeFile("settings.set"), original);
}

TEST_F(SettingsFile, GeometryIsReadInTwips) {
    writeHomeFile("settings.set", SettingsLines().set(1, "2880").set(2, "1440").keep(2).bytes());
    ASSERT_TRUE(start());
    EXPECT_EQ(window->x(), twipsToPixelsX(window.get(), 2880));
    EXPECT_EQ(window->y(), twipsToPixelsY(window.get(), 1440));
}

TEST_F(SettingsFile, ReadModeLineMustBeExactlyZeroForTheRoster) {
    const std::pair<const char*, int> cases[] = {{"0", 0}, {"1", 1}, {"2", 1}, {"", 1}, {" 0", 1}, {"0 ", 1}};
    for (const auto& [line, mode] : cases) {
        writeHomeFile("settings.set", SettingsLines().set(10, QString::fromLatin1(line)).bytes());
        ASSERT_TRUE(start());
        EXPECT_TRUE(window->optMode[mode]->isChecked()) << "line 10 '" << line << "'";
        EXPECT_EQ(window->lvUsers->columnCount(), mode == 0 ? 7 : 5) << "line 10 '" << line << "'";
        EXPECT_EQ(window->optLDB[0]->isEnabled(), mode == 1);
        stop();
    }
}

TEST_F(SettingsFile, IntervalLineSetsTimerAndCaption) {
    writeHomeFile("settings.set", SettingsLines().set(11, "15000").bytes());
    ASSERT_TRUE(start());
    EXPECT_EQ(window->Timer1->interval(), 15000);
    EXPECT_EQ(window->chkAutoMonitor->text(), QStringLiteral("Auto Monitoring (Every 15000 miliseconds)"));
    EXPECT_EQ(s()->txtTSpeed->text(), QStringLiteral("15000"));
}

TEST_F(SettingsFile, LettersOnTheIntervalLineStopTheReadingAfterTheCaption) {
    writeHomeFile("ravelin.set", "1\r\n/d/a.mdb\r\n");
    writeHomeFile("settings.set", SettingsLines().set(11, "fast").set(12, "1").set(13, "1").bytes());
    ASSERT_TRUE(start());
    EXPECT_EQ(s()->txtTSpeed->text(), QStringLiteral("fast"));
    EXPECT_EQ(window->chkAutoMonitor->text(), QStringLiteral("Auto Monitoring (Every fast miliseconds)"));
    EXPECT_EQ(window->Timer1->interval(), 60000);
    EXPECT_FALSE(window->chkAutoMonitor->isChecked());
    EXPECT_FALSE(window->Timer1->enabled());
    EXPECT_FALSE(s()->chkAutoMon->isChecked());
    EXPECT_TRUE(s()->optDBClk[0]->isChecked());
    EXPECT_EQ(s()->txtDB->text(), defaultDB());
    // What came before the failing line stays applied.
    EXPECT_EQ(window->txtPassword->text(), QStringLiteral("secret"));
}

TEST_F(SettingsFile, AnIntervalTheTimerRefusesStopsTheReading) {
    writeHomeFile("settings.set", SettingsLines().set(11, "70000").set(13, "1").bytes());
    ASSERT_TRUE(start());
    EXPECT_EQ(window->chkAutoMonitor->text(), QStringLiteral("Auto Monitoring (Every 70000 miliseconds)"));
    EXPECT_EQ(window->Timer1->interval(), 60000);
    EXPECT_TRUE(s()->optDBClk[0]->isChecked());
}

TEST_F(SettingsFile, StartUpFlagTurnsMonitoringOnAndSelectsTheFirstPath) {
    writeHomeFile("ravelin.set", "2\r\n/d/b.mdb\r\n/d/a.mdb\r\n");
    writeHomeFile("settings.set", SettingsLines().set(12, "1").bytes());
    ASSERT_TRUE(start());
    EXPECT_TRUE(s()->chkAutoMon->isChecked());
    EXPECT_TRUE(window->chkAutoMonitor->isChecked());
    EXPECT_TRUE(window->Timer1->isRunning());
    EXPECT_EQ(window->List1Index(), 0);
    EXPECT_EQ(window->selectedDatabasePath(), QStringLiteral("/d/a.mdb"));
}

TEST_F(SettingsFile, StartUpFlagWithAnEmptyListSelectsNothing) {
    writeHomeFile("settings.set", SettingsLines().set(12, "1").bytes());
    ASSERT_TRUE(start());
    EXPECT_TRUE(window->Timer1->enabled());
    EXPECT_TRUE(window->selectedDatabasePath().isEmpty());
    EXPECT_TRUE(boxes.shown.empty());
}

TEST_F(SettingsFile, FlagLinesCompareExactly) {
    writeHomeFile("settings.set", SettingsLines().set(12, " 1").set(13, " 0").bytes());
    ASSERT_TRUE(start());
    EXPECT_FALSE(window->Timer1->enabled());
    EXPECT_FALSE(s()->chkAutoMon->isChecked());
    EXPECT_TRUE(s()->optDBClk[1]->isChecked());
    stop();
    writeHomeFile("settings.set", SettingsLines().set(13, "0").bytes());
    ASSERT_TRUE(start());
    EXPECT_TRUE(s()->optDBClk[0]->isChecked());
}

TEST_F(SettingsFile, ATwelveLineFileLeavesTheLastTwoAtTheirDefaults) {
    writeHomeFile("settings.set", SettingsLines().set(11, "20000").keep(12).bytes());
    ASSERT_TRUE(start());
    EXPECT_EQ(window->Timer1->interval(), 20000);
    EXPECT_TRUE(s()->optDBClk[0]->isChecked());
    EXPECT_EQ(s()->txtDB->text(), defaultDB());
}

TEST_F(SettingsFile, MissingOrUnreadableFileLeavesTheDesign) {
    ASSERT_TRUE(QDir(home.path()).mkdir(QStringLiteral("settings.set")));
    ASSERT_TRUE(start());
    EXPECT_TRUE(window->optMode[0]->isChecked());
    EXPECT_FALSE(window->optLDB[0]->isEnabled());
    EXPECT_EQ(window->Timer1->interval(), 60000);
    EXPECT_EQ(s()->txtDB->text(), defaultDB());
    EXPECT_TRUE(boxes.shown.empty());
}

TEST_F(SettingsFile, ABadPositionStopsBeforeAnythingElse) {
    writeHomeFile("settings.set", SettingsLines().set(1, "left").set(10, "1").bytes());
    ASSERT_TRUE(start());
    EXPECT_TRUE(window->optMode[0]->isChecked());
    EXPECT_EQ(s()->txtWorkgroup->text(), frmSettings::defaultWorkgroup());
}

TEST_F(SettingsFile, UserNameAndIntervalAreTrimmedButTheWorkgroupPathIsNot) {
    ASSERT_TRUE(start());
    window->txtUserName->setText(QStringLiteral("  bob  "));
    window->txtPassword->setText(QStringLiteral(" pw "));
    s()->txtWorkgroup->setText(QStringLiteral("  /wg/x.mdw "));
    s()->txtTSpeed->setText(QStringLiteral(" 30000 "));
    s()->txtDB->setText(QStringLiteral(" /n/compnamedb.mdb "));
    stop();
    const QStringList lines = savedLines();
    ASSERT_EQ(lines.size(), 14);
    EXPECT_EQ(lines[6], QStringLiteral("  /wg/x.mdw "));
    EXPECT_EQ(lines[7], QStringLiteral("bob"));
    EXPECT_EQ(lines[8], QStringLiteral("pw"));
    EXPECT_EQ(lines[10], QStringLiteral("30000"));
    EXPECT_EQ(lines[13], QStringLiteral("/n/compnamedb.mdb"));
}

TEST_F(SettingsFile, AMinimisedWindowIsWrittenWithItsNormalPlacement) {
    ASSERT_TRUE(start());
    window->show();
    window->move(twipsToPixelsX(window.get(), 3000), twipsToPixelsY(window.get(), 1500));
    window->resize(twipsToPixelsX(window.get(), 9000), twipsToPixelsY(window.get(), 6000));
    window->showMinimized();
    QCoreApplication::processEvents();
    ASSERT_TRUE(window->isMinimized());
    window->SavSettings();
    EXPECT_FALSE(window->isMinimized()) << "the window was not restored before its placement was written";
    EXPECT_EQ(savedLines().mid(0, 4), QStringList({"3000", "1500", "9000", "6000"}));
}

TEST_F(SettingsFile, AFailedWriteLeavesTheOldFile) {
    const QByteArray original = SettingsLines().bytes();
    writeHomeFile("settings.set", original);
    ASSERT_TRUE(start());
    window->txtUserName->setText(QString(500, QChar('u')));
    {
        const FileSizeLimit full(100);
        window->SavSettings();
    }
    EXPECT_EQ(readHomeFile("settings.set"), original);
}

TEST_F(SettingsFile, EveryWriteLeavesTheFilePrivateToItsOwner) {
    writeHomeFile("settings.set", SettingsLines().bytes());
    ::chmod(QFile::encodeName(homeFile("settings.set")).constData(), 0644);
    ASSERT_TRUE(start());
    window->SavSettings();
    EXPECT_EQ(fileMode(), 0600u);
    ::chmod(QFile::encodeName(homeFile("settings.set")).constData(), 0666);
    window->SavSettings();
    EXPECT_EQ(fileMode(), 0600u);
    struct stat st {};
    ::stat(QFile::encodeName(homeFile("settings.set")).constData(), &st);
    EXPECT_EQ(st.st_uid, ::getuid());
}

TEST_F(SettingsFile, UnchangedEightBitLinesAreWrittenBackAsTheirBytes) {
    // Lines 7 and 14 written the Windows way (Windows-1252), line 8 in UTF-8.
    QByteArray file;
    const QList<QByteArray> lines{"1200", "900", "11130", "8235", "2070", "1410", "/wg/B\xE4r.mdw",
                                  "J\xC3\xBCrgen", "secret", "0", "60000", "0", "0", "/d/\xC9quipe/compnamedb.mdb"};
    for (const QByteArray& l : lines)
        file += l + "\r\n";
    writeHomeFile("settings.set", file);
    ASSERT_TRUE(start());
    EXPECT_EQ(s()->txtWorkgroup->text(), QString::fromUtf8("/wg/B\u00E4r.mdw"));
    EXPECT_EQ(window->txtUserName->text(), QString::fromUtf8("J\u00FCrgen"));
    EXPECT_EQ(s()->txtDB->text(), QString::fromUtf8("/d/\u00C9quipe/compnamedb.mdb"));
    stop();
    EXPECT_EQ(readHomeFile("settings.set"), file);

    // Text the user types goes out in the locale's encoding.
    ASSERT_TRUE(start());
    window->txtPassword->setText(QString::fromUtf8("g\u00E9heim"));
    stop();
    EXPECT_EQ(readHomeFile("settings.set").split('\n').value(8), QByteArray("g\xC3\xA9heim\r"));
}

TEST_F(SettingsFile, AFileThatCannotBeReadWholeIsKeptAsideOnce) {
    const QByteArray unreadable = SettingsLines().set(11, "fast").set(14, "/kept/compnamedb.mdb").bytes();
    writeHomeFile("settings.set", unreadable);
    ASSERT_TRUE(start());
    stop();
    EXPECT_EQ(readHomeFile("settings.set.unreadable"), unreadable);
    EXPECT_EQ(savedLines().value(13), defaultDB());

    const QByteArray second = SettingsLines().set(1, "left").bytes();
    writeHomeFile("settings.set", second);
    ASSERT_TRUE(start());
    stop();
    EXPECT_EQ(readHomeFile("settings.set.unreadable"), unreadable);
    EXPECT_EQ(readHomeFile("settings.set"), second);
}

TEST_F(SettingsFile, SizesNoScreenCanShowStopTheReading) {
    for (const auto& [line, text] : std::vector<std::pair<int, QString>>{
             {3, "1e12"}, {4, "-500"}, {3, "0"}, {1, "1e300"}, {5, "-1"}, {6, "9e15"}}) {
        writeHomeFile("settings.set", SettingsLines().set(line, text).set(10, "1").bytes());
        ASSERT_TRUE(start());
        const std::string label = "line " + std::to_string(line) + " = " + text.toStdString();
        EXPECT_GT(window->width(), 100) << label;
        EXPECT_GT(window->height(), 100) << label;
        EXPECT_LT(window->width(), 32768) << label;
        EXPECT_TRUE(window->optMode[0]->isChecked()) << label << ": reading went on";
        stop();
    }
}
}  // namespace
