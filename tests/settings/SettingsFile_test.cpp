// settings.set: the 14 lines, how each is read back, and how the file is kept.
#include "base/Twips.h"
#include "settings/SettingsFile.h"
#include "settings/SettingsWindow.h"
#include "tests/support/MainWindowHarness.h"
#include "tests/support/SettingsLines.h"

#include <QCheckBox>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QRadioButton>
#include <QTemporaryDir>
#include <QTimer>
#include <QTreeView>

#include <gtest/gtest.h>

#include <functional>

#include <sys/stat.h>
#include <unistd.h>

namespace {

class SettingsFile : public ::testing::Test, public MainWindowHarness {
protected:
    const Settings& value() { return window->settingsStore().value(); }
    void edit(const std::function<void(Settings&)>& change) { window->settingsStore().update(change); }
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
    window->setPanelHeightTwips(controls().databasePanel, 1800);
    window->setPanelHeightTwips(controls().userPanel, 2400);
    controls().userNameEdit->setText(QStringLiteral("  Contour "));
    controls().passwordEdit->setText(QStringLiteral("pa ss"));
    controls().readModeChoice[1]->click();
    findControl<QLineEdit>(window->settings(), QStringLiteral("intervalEdit"))->setText(QStringLiteral("15000"));
    window->settings()->closeSettings();
    edit([](Settings& s) {
        s.workgroupPath = QStringLiteral("/srv/share/Secured.mdw");
        s.monitorAtStart = true;
        s.doubleClickGoesToComputer = false;
        s.userDatabasePath = QStringLiteral("/srv/names/compnamedb.mdb");
    });
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
    EXPECT_NEAR(window->panelHeightTwips(controls().databasePanel), 1800, 15);
    EXPECT_NEAR(window->panelHeightTwips(controls().userPanel), 2400, 15);
    EXPECT_EQ(value().workgroupPath, QStringLiteral("/srv/share/Secured.mdw"));
    EXPECT_EQ(controls().userNameEdit->text(), QStringLiteral("Contour"));
    EXPECT_EQ(controls().passwordEdit->text(), QStringLiteral("pa ss"));
    EXPECT_TRUE(controls().readModeChoice[1]->isChecked());
    EXPECT_EQ(window->users().columnCount(), 5);
    EXPECT_EQ(value().intervalText, QStringLiteral("15000"));
    EXPECT_EQ(controls().refreshTimer->interval(), 15000);
    EXPECT_EQ(controls().autoMonitorCheck->text(), QStringLiteral("Auto Monitoring (Every 15000 miliseconds)"));
    EXPECT_TRUE(value().monitorAtStart);
    EXPECT_TRUE(controls().autoMonitorCheck->isChecked());
    EXPECT_TRUE(window->autoMonitoring());
    EXPECT_FALSE(value().doubleClickGoesToComputer);
    EXPECT_EQ(value().userDatabasePath, QStringLiteral("/srv/names/compnamedb.mdb"));
}

TEST_F(SettingsFile, GeometryIsReadInTwips) {
    writeHomeFile("settings.set", SettingsLines().set(1, "2880").set(2, "1440").keep(2).bytes());
    ASSERT_TRUE(start());
    EXPECT_EQ(window->x(), twipsToPixelsX(window.get(), 2880));
    EXPECT_EQ(window->y(), twipsToPixelsY(window.get(), 1440));
}

// What start-up applied from the file: where a line cannot be applied the
// reading stops, and what came before it stays applied.
struct Applied {
    int mode = 0;
    QString interval = "60000";  // the interval's text
    int timerInterval = 60000;
    bool monitoring = false;
    int dbClick = 0;
    QString workgroup = "/wg/System.mdw";
    QString password = "secret";
    QString userDatabase = "/data/compnamedb.mdb";
    QString selected;
    bool operator==(const Applied&) const = default;
};

std::ostream& operator<<(std::ostream& os, const Applied& a) {
    return os << a.mode << " " << a.interval.toStdString() << " " << a.timerInterval << " " << a.monitoring << " "
              << a.dbClick << " " << a.workgroup.toStdString() << " " << a.password.toStdString() << " "
              << a.userDatabase.toStdString() << " '" << a.selected.toStdString() << "'";
}

TEST_F(SettingsFile, EachLineIsAppliedOrStopsTheReading) {
    const QString design = QStringLiteral("(design)");  // the value the window starts with
    struct Case {
        const char* name;
        std::optional<SettingsLines> file;  // nothing: there is none
        QByteArray paths;                   // ravelin.set
        Applied applied;
        bool folder = false;  // a folder stands in the file's place
    };
// Each case names only what differs from the defaults above.
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wmissing-field-initializers"
    const Case cases[] = {
        {"defaults", SettingsLines(), {}, {}},
        // The read-mode line must be exactly "0" for the roster.
        {"mode 1", SettingsLines().set(10, "1"), {}, {.mode = 1}},
        {"mode 2", SettingsLines().set(10, "2"), {}, {.mode = 1}},
        {"mode empty", SettingsLines().set(10, ""), {}, {.mode = 1}},
        {"mode blank before", SettingsLines().set(10, " 0"), {}, {.mode = 1}},
        {"mode blank after", SettingsLines().set(10, "0 "), {}, {.mode = 1}},
        {"interval", SettingsLines().set(11, "15000"), {}, {.interval = "15000", .timerInterval = 15000}},
        {"letters for the interval", SettingsLines().set(11, "fast").set(12, "1").set(13, "1"),
         "1\r\n/d/a.mdb\r\n", {.interval = "fast", .userDatabase = design}},
        {"an interval the timer refuses", SettingsLines().set(11, "70000").set(13, "1"), {},
         {.interval = "70000", .userDatabase = design}},
        {"start-up flag, no paths", SettingsLines().set(12, "1"), {}, {.monitoring = true}},
        // Flag lines compare exactly too.
        {"flags with blanks", SettingsLines().set(12, " 1").set(13, " 0"), {}, {.dbClick = 1}},
        {"twelve lines", SettingsLines().set(11, "20000").keep(12), {},
         {.interval = "20000", .timerInterval = 20000, .userDatabase = design}},
        {"a bad position", SettingsLines().set(1, "left").set(10, "1"), {},
         {.workgroup = design, .password = "", .userDatabase = design}},
        {"no file", std::nullopt, {}, {.workgroup = design, .password = "", .userDatabase = design}},
        {"a folder in its place", std::nullopt, {}, {.workgroup = design, .password = "", .userDatabase = design},
         true},
    };
#pragma GCC diagnostic pop
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        QFile::remove(homeFile("ravelin.set"));
        QFile::remove(homeFile("settings.set"));
        if (c.file)
            writeHomeFile("settings.set", c.file->bytes());
        if (c.folder) {
            ASSERT_TRUE(QDir(home.path()).mkdir(QStringLiteral("settings.set")));
        }
        if (!c.paths.isEmpty())
            writeHomeFile("ravelin.set", c.paths);
        ASSERT_TRUE(start());
        const auto orDesign = [&](const QString& text, const QString& atDesign) {
            return text == atDesign ? design : text;
        };
        const Applied applied{
            controls().readModeChoice[0]->isChecked() ? 0 : 1, value().intervalText, controls().refreshTimer->interval(),
            value().monitorAtStart, value().doubleClickGoesToComputer ? 0 : 1,
            orDesign(value().workgroupPath, Settings::defaultWorkgroupPath()), controls().passwordEdit->text(),
            orDesign(value().userDatabasePath, defaultDB()), window->selectedDatabasePath()};
        EXPECT_EQ(applied, c.applied);
        // The rest follows: the caption the interval, the columns and the
        // lock-file options the read mode, the timer the monitoring box.
        EXPECT_EQ(controls().autoMonitorCheck->text(),
                  QStringLiteral("Auto Monitoring (Every ") + applied.interval + " miliseconds)");
        EXPECT_EQ(window->users().columnCount(), applied.mode == 0 ? 7 : 5);
        EXPECT_EQ(controls().lockFileChoice[0]->isEnabled(), applied.mode == 1);
        EXPECT_EQ(controls().autoMonitorCheck->isChecked(), applied.monitoring);
        EXPECT_EQ(window->autoMonitoring(), applied.monitoring);
        EXPECT_TRUE(boxes.shown.empty());
        stop();
        QDir(home.path()).rmdir(QStringLiteral("settings.set"));
    }
}

TEST_F(SettingsFile, StartUpFlagTurnsMonitoringOnAndSelectsTheFirstPath) {
    writeHomeFile("ravelin.set", "2\r\n/d/b.mdb\r\n/d/a.mdb\r\n");
    writeHomeFile("settings.set", SettingsLines().set(12, "1").bytes());
    ASSERT_TRUE(start());
    EXPECT_TRUE(value().monitorAtStart);
    EXPECT_TRUE(controls().autoMonitorCheck->isChecked());
    EXPECT_TRUE(controls().refreshTimer->isActive());
    EXPECT_EQ(window->databaseIndex(), 0);
    EXPECT_EQ(window->selectedDatabasePath(), QStringLiteral("/d/a.mdb"));
}

TEST_F(SettingsFile, UserNameAndIntervalAreTrimmedButTheWorkgroupPathIsNot) {
    ASSERT_TRUE(start());
    controls().userNameEdit->setText(QStringLiteral("  bob  "));
    controls().passwordEdit->setText(QStringLiteral(" pw "));
    edit([](Settings& s) {
        s.workgroupPath = QStringLiteral("  /wg/x.mdw ");
        s.intervalText = QStringLiteral(" 30000 ");
        s.userDatabasePath = QStringLiteral(" /n/compnamedb.mdb ");
    });
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
    window->saveSettings();
    EXPECT_FALSE(window->isMinimized()) << "the window was not restored before its placement was written";
    EXPECT_EQ(savedLines().mid(0, 4), QStringList({"3000", "1500", "9000", "6000"}));
}

TEST_F(SettingsFile, AFailedWriteLeavesTheOldFile) {
    const QByteArray original = SettingsLines().bytes();
    writeHomeFile("settings.set", original);
    ASSERT_TRUE(start());
    controls().userNameEdit->setText(QString(500, QChar('u')));
    {
        const FileSizeLimit full(100);
        window->saveSettings();
    }
    EXPECT_EQ(readHomeFile("settings.set"), original);
}

TEST_F(SettingsFile, EveryWriteLeavesTheFilePrivateToItsOwner) {
    writeHomeFile("settings.set", SettingsLines().bytes());
    ::chmod(QFile::encodeName(homeFile("settings.set")).constData(), 0644);
    ASSERT_TRUE(start());
    window->saveSettings();
    EXPECT_EQ(fileMode(), 0600u);
    ::chmod(QFile::encodeName(homeFile("settings.set")).constData(), 0666);
    window->saveSettings();
    EXPECT_EQ(fileMode(), 0600u);
    struct stat st {};
    ::stat(QFile::encodeName(homeFile("settings.set")).constData(), &st);
    EXPECT_EQ(st.st_uid, ::getuid());
}

// An unchanged file is written back as it was, also its eight-bit lines.
TEST_F(SettingsFile, UnchangedEightBitLinesAreWrittenBackAsTheirBytes) {
    // Lines 7 and 14 written the Windows way (Windows-1252), line 8 in UTF-8.
    QByteArray file;
    const QList<QByteArray> lines{"1200", "900", "11130", "8235", "2070", "1410", "/wg/B\xE4r.mdw",
                                  "J\xC3\xBCrgen", "secret", "0", "60000", "0", "0", "/d/\xC9quipe/compnamedb.mdb"};
    for (const QByteArray& l : lines)
        file += l + "\r\n";
    writeHomeFile("settings.set", file);
    ASSERT_TRUE(start());
    EXPECT_EQ(value().workgroupPath, QString::fromUtf8("/wg/B\u00E4r.mdw"));
    EXPECT_EQ(controls().userNameEdit->text(), QString::fromUtf8("J\u00FCrgen"));
    EXPECT_EQ(value().userDatabasePath, QString::fromUtf8("/d/\u00C9quipe/compnamedb.mdb"));
    stop();
    EXPECT_EQ(readHomeFile("settings.set"), file);

    // Text the user types goes out in the locale's encoding.
    ASSERT_TRUE(start());
    controls().passwordEdit->setText(QString::fromUtf8("g\u00E9heim"));
    stop();
    EXPECT_EQ(readHomeFile("settings.set").split('\n').value(8), QByteArray("g\xC3\xA9heim\r"));
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
        EXPECT_TRUE(controls().readModeChoice[0]->isChecked()) << label << ": reading went on";
        stop();
    }
}
// The file alone, without a window: where reading stops, what the value
// holds, and that a value read is written back as the bytes it came from.
TEST(SettingsFileFormat, ReadsWhatItWritesAndStopsAtTheFirstLineItCantApply) {
    struct Case {
        const char* name;
        SettingsLines file;
        int applied;
        QString interval;
    };
    const Case cases[] = {
        {"whole", SettingsLines(), 14, "60000"},
        {"twelve lines", SettingsLines().keep(12), 12, "60000"},
        {"a width of nothing", SettingsLines().set(3, "0"), 2, "60000"},
        {"letters for the interval", SettingsLines().set(11, "fast"), 10, "fast"},
    };
    const QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("settings.set"));
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        QFile out(path);
        ASSERT_TRUE(out.open(QIODevice::WriteOnly | QIODevice::Truncate));
        out.write(c.file.bytes());
        out.close();
        const SettingsFileRead read = readSettingsFile(path, Settings{}, 96, 96);
        EXPECT_EQ(read.applied, c.applied);
        EXPECT_EQ(read.keepAside, c.applied < 12);
        EXPECT_EQ(read.lines.size(), std::min<qsizetype>(c.applied + 1, c.file.lines.size()));
        EXPECT_EQ(read.settings.intervalText, c.interval);
        EXPECT_EQ(read.settings.readsLockFile, false);
        ASSERT_TRUE(writeSettingsFile(path, read.settings, read.lines));
        if (c.applied == 14) {
            EXPECT_EQ(read.settings.placement[2], 11130);
            EXPECT_EQ(read.settings.userDatabasePath, QStringLiteral("/data/compnamedb.mdb"));
            QFile back(path);
            ASSERT_TRUE(back.open(QIODevice::ReadOnly));
            EXPECT_EQ(back.readAll(), c.file.bytes());
        }
    }
}

}  // namespace
