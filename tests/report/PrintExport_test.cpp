// Print-export: the two reports line by line, the empty-list messages and
// the text editor it opens, through the window as the user meets it.
#include "base/DatabasePathModel.h"
#include "base/UserListModel.h"
#include "report/PrintExport.h"
#include "report/ReportWindow.h"
#include "tests/support/DesktopEnvironment.h"
#include "tests/support/MainWindowHarness.h"

#include <QAction>
#include <QApplication>
#include <QToolButton>
#include <QGroupBox>
#include <QListView>
#include <QPushButton>
#include <QRadioButton>
#include <QTimer>
#include <QTreeView>

#include <gtest/gtest.h>

namespace {

const QString kSeparator(83, QChar('-'));

class PrintExport : public ::testing::Test, public MainWindowHarness {
protected:
    void SetUp() override {
        // A program folder with blanks and a quote: the editor must get it whole.
        ASSERT_TRUE(QDir(home.path()).mkpath(QStringLiteral("my reports 'q'")));
        folder = home.filePath(QStringLiteral("my reports 'q'"));
        qputenv("RAVELIN_HOME", QFile::encodeName(folder));
        desktop.setDefaultApplication(QStringLiteral("text/plain"), QStringLiteral("myeditor.desktop"),
                                      "myeditor --new-window %F");
        ASSERT_TRUE(start());
        window->setSelectedDatabasePath(QStringLiteral("/srv/data/sales.mdb"));
    }

    QString reportPath() const { return folder + QStringLiteral("/tmpprintexport.prn"); }

    QStringList reportLines() const {
        QFile f(reportPath());
        if (!f.open(QIODevice::ReadOnly))
            return {};
        QByteArray bytes = f.readAll();
        EXPECT_TRUE(bytes.isEmpty() || bytes.endsWith("\r\n"));
        bytes.chop(2);
        return QString::fromLocal8Bit(bytes).split(QStringLiteral("\r\n"));
    }

    // Sets the read mode and lays the user list out for it.
    void readMode(int index) {
        controls().readModeChoice[index]->setChecked(true);
        window->chooseReadMode(index);
    }

    void addRow(const QStringList& values) {
        window->users().appendRow(values);
    }

    // Presses "Show Print Preview" in a freshly shown window, `paths` choosing
    // the paths report.
    void printExport(bool paths = false) {
        ReportWindow w(window.get(), {&window->users(), window->databasePaths().paths(), window->selectedDatabasePath(),
                                  controls().readModeChoice[0]->isChecked()});
        w.chooseDatabasePaths(paths);
        w.showPreview();
    }

    DesktopEnvironment desktop;
    QString folder;
};

TEST_F(PrintExport, UsersReportInRosterSchemaMode) {
    readMode(0);
    addRow({"PC1", "Admin", "True", "False", "Ann Smith", "Room 4, 2nd floor", "ann@example.com"});
    addRow({"PC2", "", "True", "False", "Bob", "x", ""});
    printExport();

    const QStringList lines = reportLines();
    // A comma inside a value is not marked; an empty value leaves its separators.
    EXPECT_EQ(lines, QStringList({QString(), report::bannerLine(QDate::currentDate()), kSeparator,
                                  "/srv/data/sales.mdb", kSeparator,
                                  "TIP: COMMAS IN DATA CORRESPOND TO COLUMN HEADINGS BELOW", kSeparator,
                                  "COMPUTER NAME | SECURITY NAME | CONNECTED | SUSPECT | USER NAME | CONTACT | EMAIL",
                                  kSeparator,
                                  "PC1, Admin, True, False, Ann Smith, Room 4, 2nd floor, ann@example.com",
                                  "PC2, , True, False, Bob, x, "}));

    // The editor is the desktop's default for text/plain, given the path as
    // one argument; the window stays open.
    ASSERT_EQ(programs.started.size(), 1u);
    EXPECT_EQ(programs.started[0].program, QStringLiteral("myeditor"));
    EXPECT_EQ(programs.started[0].arguments, QStringList({QStringLiteral("--new-window"), reportPath()}));
}

TEST_F(PrintExport, UsersReportInLockFileModeAndRowsTheListHasNoColumnsFor) {
    readMode(1);
    addRow({"PC1", "ADMIN", "Ann", "", "ann@example.com"});
    addRow({"PC2", "BOB"});  // sub-items never set read as empty
    printExport();
    QStringList lines = reportLines();
    ASSERT_EQ(lines.size(), 11);
    EXPECT_EQ(lines[7], QStringLiteral("COMPUTER NAME | SECURITY NAME | USER NAME | CONTACT | EMAIL"));
    EXPECT_EQ(lines[9], QStringLiteral("PC1, ADMIN, Ann, , ann@example.com"));
    EXPECT_EQ(lines[10], QStringLiteral("PC2, BOB, , , "));

    // The heading follows the mode selected now, not the list's layout: the
    // roster schema mode asks for sub-items the five columns lack, so every
    // row is left out and the report still ends with its heading.
    controls().readModeChoice[0]->setChecked(true);
    printExport();
    lines = reportLines();
    ASSERT_EQ(lines.size(), 9);
    EXPECT_EQ(lines[7].size(), 81);
    EXPECT_EQ(programs.started.size(), 2u);
}

TEST_F(PrintExport, EmptyListsSayWhyLeaveAnEmptyFileAndOpenNothing) {
    boxes.whileOpen = [&] {
        // The file is already truncated while the box is open.
        EXPECT_EQ(QFileInfo(reportPath()).size(), 0);
    };
    window->databasePaths().clear();
    QFile old(reportPath());
    ASSERT_TRUE(old.open(QIODevice::WriteOnly));
    old.write("an older report\r\n");
    old.close();

    printExport(false);
    ASSERT_EQ(boxes.shown.size(), 1u);
    EXPECT_EQ(boxes.last().title, QStringLiteral("No Data To Print-Export"));
    EXPECT_EQ(boxes.last().text, QStringLiteral("There is no LDB User data to Print-Export.\rYou must select a "
                                                "database that lists users that will allow you to use this "
                                                "function."));
    EXPECT_EQ(boxes.last().icon, MsgIcon::Exclamation);

    printExport(true);
    ASSERT_EQ(boxes.shown.size(), 2u);
    EXPECT_EQ(boxes.last().title, QStringLiteral("No Database To Print-Export"));
    EXPECT_EQ(boxes.last().text, QStringLiteral("There is no Database file paths to Print-Export.\rYou must add a "
                                                "database to use this function."));
    EXPECT_TRUE(QFileInfo::exists(reportPath()));
    EXPECT_EQ(QFileInfo(reportPath()).size(), 0);
    EXPECT_TRUE(programs.started.empty());
}

TEST_F(PrintExport, APathsReportAfterAUsersReportLeavesNoRemnant) {
    readMode(1);
    for (int i = 0; i < 50; ++i)
        addRow({QStringLiteral("PC%1").arg(i), "U", "", "", ""});
    printExport();
    EXPECT_EQ(reportLines().size(), 59);

    window->databasePaths().insert(QStringLiteral("/srv/b.mdb"));
    window->databasePaths().insert(QStringLiteral("/srv/A b.mdb"));
    printExport(true);
    const QStringList lines = reportLines();
    EXPECT_EQ(lines, QStringList({QString(), report::bannerLine(QDate::currentDate()), kSeparator,
                                  QStringLiteral("DATABASE FILE PATHS"), kSeparator, QStringLiteral("/srv/A b.mdb"),
                                  QStringLiteral("/srv/b.mdb")}));
}

// A link in place of the report is replaced, never written through; a report
// that can't be written is said so, and no editor opens.
TEST_F(PrintExport, TheReportIsNeverWrittenThroughALinkAndAFailureIsReported) {
    readMode(1);
    addRow({"PC1", "ADMIN", "", "", ""});
    const QString target = home.filePath(QStringLiteral("precious.txt"));
    writeHomeFile(QStringLiteral("precious.txt"), "mine\n");
    ASSERT_TRUE(QFile::link(target, reportPath()));
    printExport();
    EXPECT_EQ(readHomeFile(QStringLiteral("precious.txt")), QByteArray("mine\n"));
    EXPECT_FALSE(QFileInfo(reportPath()).isSymLink());
    EXPECT_EQ(reportLines().size(), 10);
    ASSERT_EQ(programs.started.size(), 1u);

    ASSERT_TRUE(QFile::setPermissions(folder, QFile::ReadOwner | QFile::ExeOwner));
    {
        const FileSizeLimit nothingWritable(0);  // permissions don't stop root
        printExport();
    }
    QFile::setPermissions(folder, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    ASSERT_EQ(boxes.shown.size(), 1u);
    EXPECT_EQ(boxes.last().title, QStringLiteral("Ravelin"));
    EXPECT_TRUE(boxes.last().text.startsWith(QStringLiteral("The report could not be written to '") + reportPath() +
                                             QStringLiteral("'.\r")))
        << boxes.last().text.toStdString();
    EXPECT_EQ(programs.started.size(), 1u);
    EXPECT_EQ(reportLines().size(), 10);
}

TEST_F(PrintExport, BannerDateIgnoresTheLocale) {
    const QLocale before;
    QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany));
    EXPECT_EQ(report::bannerLine(QDate(2026, 3, 7)), QStringLiteral("RAVELIN PRINTOUT  -  03-07-2026"));
    EXPECT_EQ(report::bannerLine(QDate(2026, 12, 25)), QStringLiteral("RAVELIN PRINTOUT  -  12-25-2026"));
    QLocale::setDefault(before);
}

TEST_F(PrintExport, TheCommandShowsAFreshModalWindowEachTime) {
    readMode(1);
    addRow({"PC1", "ADMIN", "", "", ""});
    int shown = 0;
    std::function<void()> useWindow = [&] {
        auto* w = qobject_cast<ReportWindow*>(QApplication::activeModalWidget());
        ASSERT_NE(w, nullptr);
        ++shown;
        // Every showing starts on the users report, whatever the last one chose.
        EXPECT_FALSE(w->databasePathsChosen());
        w->chooseDatabasePaths(true);
        w->closeReport();
    };
    QTimer::singleShot(0, window.get(), useWindow);
    controls().printButton->click();
    QTimer::singleShot(0, window.get(), useWindow);
    controls().printAction->trigger();
    EXPECT_EQ(shown, 2);
    EXPECT_EQ(QApplication::activeModalWidget(), nullptr);
}

}  // namespace
