// The database path list: ravelin.set, the sorted list, add and delete.
#include "base/DatabasePathModel.h"
#include "tests/support/MainWindowHarness.h"

#include <QDir>
#include <QFileInfo>
#include <QLabel>
#include <QListView>
#include <QTest>

#include <gtest/gtest.h>

#include <stdexcept>

namespace {

QStringList entries(MainWindow& w) {
    return w.databasePaths().paths();
}

class PathList : public ::testing::Test, public MainWindowHarness {};

// The count line decides how many entries are read; a file that is not there
// or cannot be read gives an empty list, silently.
TEST_F(PathList, TheCountLineDecidesHowManyEntriesAreRead) {
    struct Case {
        const char* name;
        std::optional<QByteArray> file;  // nothing: there is none
        QStringList entries;
    };
    const Case cases[] = {
        {"no file", std::nullopt, {}},
        {"fewer than the lines", "2\r\n/d/a.mdb\r\n/d/b.mdb\r\n/d/c.mdb\r\n", {"/d/a.mdb", "/d/b.mdb"}},
        {"more than the lines", "3\r\n/d/a.mdb\r\n/d/b.mdb\r\n", {"/d/a.mdb", "/d/b.mdb"}},
        {"none", "0\r\n/d/a.mdb\r\n", {}},
        {"in letters", "two\r\n/d/a.mdb\r\n", {}},
        {"lone line feeds", "2\n/d/b.mdb\n/d/a.mdb\n", {"/d/a.mdb", "/d/b.mdb"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        if (c.file)
            writeHomeFile("ravelin.set", *c.file);
        ASSERT_TRUE(start());
        EXPECT_EQ(entries(*window), c.entries);
        EXPECT_TRUE(boxes.shown.empty());
        stop();
    }
}

TEST_F(PathList, EntriesAreShownSortedAndWrittenBackSortedWithCrLf) {
    writeHomeFile("ravelin.set", "4\r\n/srv/Zeta.mdb\r\n/srv/alpha.mdb\r\n/srv/Beta.mde\r\n/srv/alpha.mdb\r\n");
    ASSERT_TRUE(start());
    EXPECT_EQ(entries(*window),
              QStringList({"/srv/alpha.mdb", "/srv/alpha.mdb", "/srv/Beta.mde", "/srv/Zeta.mdb"}));
    stop();
    EXPECT_EQ(readHomeFile("ravelin.set"),
              QByteArray("4\r\n/srv/alpha.mdb\r\n/srv/alpha.mdb\r\n/srv/Beta.mde\r\n/srv/Zeta.mdb\r\n"));
}

TEST_F(PathList, EightBitPathsRoundTripAsTheirBytes) {
    // Written the Windows way, in Windows-1252: not UTF-8.
    const QByteArray windows = "/d/M\xFCller.mdb";
    const QByteArray utf8 = "/d/Stra\xC3\x9F" "e.mdb";
    writeHomeFile("ravelin.set", "2\r\n" + windows + "\r\n" + utf8 + "\r\n");
    ASSERT_TRUE(start());
    EXPECT_EQ(entries(*window), QStringList({QString::fromUtf8("/d/M\u00FCller.mdb"), QString::fromUtf8("/d/Stra\u00DFe.mdb")}));
    // A path the user adds is written in the locale's encoding.
    files.answers.push_back(QString::fromUtf8("/d/\u00C9t\u00E9.mdb"));
    window->addDatabasePath();
    stop();
    EXPECT_EQ(readHomeFile("ravelin.set"),
              "3\r\n/d/\xC3\x89t\xC3\xA9.mdb\r\n" + windows + "\r\n" + utf8 + "\r\n");
}

TEST_F(PathList, FailedWriteLeavesThePreviousFile) {
    const QByteArray before = "1\r\n/d/old.mdb\r\n";
    writeHomeFile("ravelin.set", before);
    ASSERT_TRUE(start());
    for (int i = 0; i < 40; ++i)
        window->databasePaths().insert(QStringLiteral("/some/rather/long/path/number/%1.mdb").arg(i));
    {
        const FileSizeLimit full(64);
        window->saveDatabasePaths();
    }
    EXPECT_EQ(readHomeFile("ravelin.set"), before);
    const QStringList leftovers = QDir(home.path()).entryList({"ravelin.set?*"}, QDir::Files | QDir::Hidden);
    EXPECT_TRUE(leftovers.isEmpty()) << leftovers.join(' ').toStdString();
}

TEST_F(PathList, AddingInsertsTheChosenPathAtItsSortedPlace) {
    writeHomeFile("ravelin.set", "2\r\n/d/b.mdb\r\n/d/c.mdb\r\n");
    ASSERT_TRUE(start());
    window->selectDatabaseIndex(1);
    files.answers.push_back(QStringLiteral("  /d/A.mdb") + QChar(0) + QStringLiteral("   "));
    controls().addDatabaseAction->trigger();
    EXPECT_EQ(entries(*window), QStringList({"/d/A.mdb", "/d/b.mdb", "/d/c.mdb"}));
    // Neither the selection nor the selected path moves to the new entry.
    EXPECT_EQ(window->selectedDatabasePath(), QStringLiteral("/d/c.mdb"));
    EXPECT_EQ(window->databasePaths().path(window->databaseIndex()), QStringLiteral("/d/c.mdb"));

    ASSERT_EQ(files.requests.size(), 1u);
    EXPECT_EQ(files.requests[0].filter, QStringLiteral("Microsoft Database Files (*.mdb;*.mde)") + QChar(0) +
                                            QStringLiteral("*.mdb;*.mde") + QChar(0) + QChar(0));
    EXPECT_TRUE(files.requests[0].initialDir.isEmpty());
    EXPECT_EQ(files.requests[0].owner, window.get());
}

TEST_F(PathList, TheSamePathAddedTwiceIsListedAndWrittenTwice) {
    ASSERT_TRUE(start());
    files.answers = {QStringLiteral("/d/x.mdb"), QStringLiteral("/d/x.mdb")};
    window->addDatabasePath();
    window->addDatabasePath();
    ASSERT_TRUE(restart());
    EXPECT_EQ(entries(*window), QStringList({"/d/x.mdb", "/d/x.mdb"}));
}

TEST_F(PathList, APathWithALineBreakIsRefused) {
    writeHomeFile("ravelin.set", "1\r\n/d/z.mdb\r\n");
    ASSERT_TRUE(start());
    files.answers = {QStringLiteral("/d/a\nb.mdb"), QStringLiteral("/d/c\rd.mdb")};
    window->addDatabasePath();
    window->addDatabasePath();
    EXPECT_EQ(entries(*window), QStringList({"/d/z.mdb"}));
    ASSERT_EQ(boxes.shown.size(), 2u);
    EXPECT_EQ(boxes.last().title, QStringLiteral("Database Path Not Added"));
    EXPECT_EQ(boxes.last().icon, MsgIcon::Exclamation);
    EXPECT_TRUE(boxes.last().text.contains(QStringLiteral("line break")));
    stop();
    EXPECT_EQ(readHomeFile("ravelin.set"), QByteArray("1\r\n/d/z.mdb\r\n"));
}

// An exception escaping a Qt slot ends the program: both commands trap.
TEST_F(PathList, AddAndDeleteTrapTheirFailures) {
    writeHomeFile("ravelin.set", "1\r\n/d/a.mdb\r\n");
    ASSERT_TRUE(start());
    // The first box fails as a broken platform would; the trap's box shows.
    int failures = 0;
    boxes.whileOpen = [&failures] {
        if (failures > 0 && failures-- > 0)
            throw std::runtime_error("the box could not be shown");
    };
    auto failOnce = [&failures] { failures = 1; };
    window->selectDatabaseIndex(0);
    failOnce();
    controls().deleteDatabaseAction->trigger();
    ASSERT_EQ(boxes.shown.size(), 2u);
    EXPECT_EQ(boxes.last().text, QStringLiteral("the box could not be shown"));
    EXPECT_EQ(boxes.last().icon, MsgIcon::Critical);
    EXPECT_EQ(entries(*window), QStringList({"/d/a.mdb"}));

    files.failWith = [] { throw std::runtime_error("no dialog"); };
    failOnce();
    controls().addDatabaseAction->trigger();
    ASSERT_EQ(boxes.shown.size(), 4u);
    EXPECT_EQ(boxes.last().text, QStringLiteral("the box could not be shown"));
    EXPECT_EQ(boxes.last().icon, MsgIcon::Critical);
}

TEST_F(PathList, CancellingTheChooserAddsNothing) {
    ASSERT_TRUE(start());
    files.answers.push_back(std::nullopt);
    window->addDatabasePath();
    EXPECT_EQ(window->databasePaths().rowCount(), 0);
    EXPECT_TRUE(boxes.shown.empty());
}

TEST_F(PathList, DeletingAsksFirstAndKeepsTheEntryOnNo) {
    writeHomeFile("ravelin.set", "2\r\n/d/a.mdb\r\n/d/b.mdb\r\n");
    ASSERT_TRUE(start());
    window->selectDatabaseIndex(1);
    boxes.answers.push_back(MsgAnswer::No);
    controls().deleteDatabaseAction->trigger();
    ASSERT_EQ(boxes.shown.size(), 1u);
    EXPECT_EQ(boxes.last().text, QStringLiteral("Are you sure you want to delete the database path?"));
    EXPECT_EQ(boxes.last().title, QStringLiteral("Delete Database Path"));
    EXPECT_EQ(boxes.last().icon, MsgIcon::Question);
    EXPECT_EQ(boxes.last().buttons, MsgButtons::YesNo);
    EXPECT_EQ(entries(*window), QStringList({"/d/a.mdb", "/d/b.mdb"}));
}

TEST_F(PathList, DeletingTheSelectedEntryKeepsItsPathShownAndSelectsNothing) {
    writeHomeFile("ravelin.set", "3\r\n/d/a.mdb\r\n/d/b.mdb\r\n/d/c.mdb\r\n");
    ASSERT_TRUE(start());
    window->selectDatabaseIndex(1);
    ASSERT_EQ(window->selectedDatabasePath(), QStringLiteral("/d/b.mdb"));
    window->deleteDatabasePath();
    EXPECT_EQ(entries(*window), QStringList({"/d/a.mdb", "/d/c.mdb"}));
    EXPECT_EQ(window->selectedDatabasePath(), QStringLiteral("/d/b.mdb"));
    EXPECT_EQ(window->databaseIndex(), -1);

    // With nothing selected the next delete warns and selects the first entry.
    window->deleteDatabasePath();
    ASSERT_EQ(boxes.shown.size(), 2u);
    EXPECT_EQ(boxes.last().text, QStringLiteral("You must select a database item before deleting it from the list."));
    EXPECT_EQ(boxes.last().title, QStringLiteral("No Database Selected"));
    EXPECT_EQ(boxes.last().icon, MsgIcon::Exclamation);
    EXPECT_EQ(entries(*window), QStringList({"/d/a.mdb", "/d/c.mdb"}));
    EXPECT_EQ(window->databaseIndex(), 0);
    EXPECT_EQ(window->selectedDatabasePath(), QStringLiteral("/d/a.mdb"));
}

TEST_F(PathList, DeletingFromAnEmptyListDoesNothing) {
    ASSERT_TRUE(start());
    window->deleteDatabasePath();
    EXPECT_TRUE(boxes.shown.empty());
}

TEST_F(PathList, ControlF4ExitsAndWritesTheListBackSorted) {
    writeHomeFile("ravelin.set", "3\r\n/p/c.mdb\r\n/p/A.mdb\r\n/p/b.mdb\r\n");
    ASSERT_TRUE(start());
    EXPECT_EQ(entries(*window), QStringList({"/p/A.mdb", "/p/b.mdb", "/p/c.mdb"}));
    window->show();
    window->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(window.get()));
    QTest::keyClick(window.get(), Qt::Key_F4, Qt::ControlModifier);
    EXPECT_FALSE(window->isVisible());
    EXPECT_EQ(readHomeFile("ravelin.set"), QByteArray("3\r\n/p/A.mdb\r\n/p/b.mdb\r\n/p/c.mdb\r\n"));
}

}  // namespace
