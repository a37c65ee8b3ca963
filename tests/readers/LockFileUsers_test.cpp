// The lock-file library reader: pairing lock-file lines with the library's
// computer names, reading real lock files that other processes hold, and the
// main window drawing what it read.
#include "base/UserListModel.h"
#include "app/TipWindow.h"
#include "jet/LdbUsers.h"
#include "readers/LockFileUsers.h"
#include "tests/jet/LockFileTesting.h"
#include "tests/support/MainWindowHarness.h"

#include <QCheckBox>
#include <QLabel>
#include <QRadioButton>
#include <QTemporaryDir>
#include <QTreeView>

#include <gtest/gtest.h>

namespace {

using Rows = QList<QStringList>;

// The library's stand-in: given the path it is called with and the lock
// file's path, what it does.
using Library = std::function<QStringList(const QByteArray& path, const QString& lockFile)>;
Library names(QStringList n) {
    return [n](const QByteArray&, const QString&) { return n; };
}

// The reader alone: the lock file's lines in pairs, upper-cased as the ANSI
// code page has it, matched against the library's names; and the conditions
// it reports instead of rows.
TEST(LockFileReader, RowsNoticesAndFailures) {
    const Library goneBeforeTheLibrary = [](const QByteArray& path, const QString& ldb) {
        QFile::remove(ldb);
        jet::getLdbUsers(path.constData(), 2);  // the real library meets the missing file
        return QStringList();
    };
    const Library goneAfterTheLibrary = [](const QByteArray&, const QString& ldb) {
        QFile::remove(ldb);
        return QStringList({"PC01"});
    };
    const Library fails = [](const QByteArray&, const QString&) -> QStringList {
        throw jet::Error(jet::DiskIo, "Could not open file '/x/sales.ldb': Permission denied.");
    };
    struct Case {
        const char* name;
        const char* database;
        std::optional<QByteArray> lockFile;  // nothing: there is none
        Library library;
        short option;
        bool allPossible;
        Rows rows;
        bool notFound;   // the reader says the lock file is not there
        QString failure;  // what the failure says; empty for none
    };
    const Case cases[] = {
        {"pairs of lines", "sales.mdb", "pc01\r\n  Admin \r\nPC02\r\nADMIN\r\n", names({"PC01", "PC02"}), 2, false,
         {{"PC01", "ADMIN"}, {"PC02", "ADMIN"}}, false, {}},
        {"only the library's names", "sales.mdb", "PC01\r\nADMIN\r\nPC02\r\nADMIN\r\n", names({"PC02"}), 4, false,
         {{"PC02", "ADMIN"}}, false, {}},
        // The last computer name has no security name after it and is dropped.
        {"blank lines and a lone name", "sales.mdb", "\r\n   \r\nPC01\r\n\r\n    \r\nJOE\r\n\r\nPC02\rANN\r\nPC03",
         names({"PC01", "PC02", "PC03"}), 1, false, {{"PC01", "JOE"}, {"PC02", "ANN"}}, false, {}},
        {"a name stands for one row", "sales.mdb", "TS01\r\nANN\r\nTS01\r\nBOB\r\n", names({"TS01"}), 2, false,
         {{"TS01", "ANN"}}, false, {}},
        {"all possible users", "sales.mdb", "TS01\r\nANN\r\nTS01\r\nBOB\r\n", names({"TS01"}), 2, true,
         {{"TS01", "ANN"}, {"TS01", "BOB"}}, false, {}},
        {"lower-case library names never match", "sales.mdb", "pc01\r\nadmin\r\n", names({"pc01"}), 2, false, {},
         false, {}},
        // Windows-1252: "b\xFCro" is bÜro once upper-cased.
        {"code page", "sales.mdb", QByteArray("b\xFCro\0ann\0", 10), names({QString::fromUtf8("B\u00DCRO")}), 2,
         false, {{QString::fromUtf8("B\u00DCRO"), "ANN"}}, false, {}},
        {"an .mde's lock file", "orders.mde", "PC09\r\nADMIN\r\n", names({"PC09"}), 2, false, {{"PC09", "ADMIN"}},
         false, {}},
        // 8 MB of one "line" is kept to its first few kilobytes, so it can't match.
        {"an endless line", "sales.mdb", QByteArray(8 << 20, 'X') + QByteArray("\0ADMIN\0PC01\0ANN\0", 16),
         names({"PC01"}), 2, false, {{"PC01", "ANN"}}, false, {}},
        {"no lock file", "sales.mdb", std::nullopt, names({"PC01"}), 2, false, {}, true, {}},
        // The last Jet user leaves between the existence test and the
        // reading: Jet deletes the lock file. That is no failure.
        {"gone before the library", "sales.mdb", "PC01\r\nADMIN\r\n", goneBeforeTheLibrary, 2, false, {}, true, {}},
        {"gone after the library", "sales.mdb", "PC01\r\nADMIN\r\n", goneAfterTheLibrary, 2, false, {}, true, {}},
        {"the library fails", "sales.mdb", "PC01\r\nADMIN\r\n", fails, 2, false, {}, false,
         "Could not open file '/x/sales.ldb': Permission denied."},
    };
    EXPECT_EQ(readers::ansiUpperCase(QString::fromUtf8("stra\u00DFe \u00E9t\u00E9 \u00FF \u00B5 \u0161")),
              QString::fromUtf8("STRA\u00DFE \u00C9T\u00C9 \u0178 \u00B5 \u0160"));
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const QTemporaryDir dir;
        const QString database = dir.filePath(QString::fromLatin1(c.database));
        const QString ldb = readers::lockFilePath(database);
        if (c.lockFile) {
            QFile file(ldb);
            ASSERT_TRUE(file.open(QIODevice::WriteOnly));
            file.write(*c.lockFile);
        }
        std::vector<std::pair<QByteArray, int>> calls;
        readers::setLdbLibrary([&](const QByteArray& path, int option) {
            calls.push_back({path, option});
            return c.library(path, ldb);
        });
        const readers::UserRows read = readers::readLockFileUsers({database, c.option, c.allPossible});
        readers::setLdbLibrary({});

        EXPECT_EQ(read.rows, c.rows);
        // The library is asked once, with the database's path ending in two
        // NULs, unless there is no lock file to begin with.
        if (c.lockFile) {
            ASSERT_EQ(calls.size(), 1u);
            EXPECT_EQ(calls[0].first, QFile::encodeName(database) + QByteArray(2, '\0'));
            EXPECT_EQ(calls[0].second, c.option);
        } else {
            EXPECT_TRUE(calls.empty());
        }
        EXPECT_EQ(read.failure ? read.failure->description() : QString(), c.failure);
        ASSERT_EQ(read.notice.has_value(), c.notFound);
        if (c.notFound) {
            EXPECT_EQ(read.notice->text, QStringLiteral("Could not locate LDB file '") + ldb + "'");
            EXPECT_EQ(read.notice->title, QStringLiteral("LDB File Not Found"));
            EXPECT_EQ(read.notice->icon, MsgIcon::Information);
            EXPECT_EQ(read.notice->tipText, QStringLiteral("Could not locate LDB file '") + ldb + ".");
        }
    }
}

// Real lock files, with the real library.
class LockFileReaderOnRealFiles : public ::testing::Test {
protected:
    std::string useDatabase(const QString& testFile, const QString& name) {
        return database = locktest::copyTestFile(testFile.toStdString(), dir.filePath(name).toStdString());
    }
    Rows read(short option) {
        const readers::UserRows r = readers::readLockFileUsers({QString::fromStdString(database), option, false});
        EXPECT_FALSE(r.notice || r.failure) << (r.failure ? r.failure->description().toStdString() : "notice");
        return r.rows;
    }
    QTemporaryDir dir;
    std::string database;
};

TEST_F(LockFileReaderOnRealFiles, JetsOwnLockFileListsItsUser) {
    useDatabase("workgroup/system.mdw", "system.mdw");
    locktest::copyTestFile("lockfiles/system.ldb", dir.filePath("system.ldb").toStdString());
    EXPECT_EQ(read(1), (Rows{{"CDU001", "CONTOURCDU"}}));
}

TEST_F(LockFileReaderOnRealFiles, ConnectedDepartedAndSuspectUsers) {
    const std::string db = useDatabase("access/testV1997.mdb", "shared.mdb");
    locktest::Client pc1({"--computer", "PC1", "--user", "ann", "--keep-lockfile", db});
    ASSERT_EQ(locktest::connectClient(pc1), 0);
    locktest::Client pc2({"--computer", "PC2", "--user", "bob", "--keep-lockfile", db});
    ASSERT_EQ(locktest::connectClient(pc2), 1);
    locktest::Client pc3({"--computer", "PC3", "--user", "cy", "--keep-lockfile", db});
    ASSERT_EQ(locktest::connectClient(pc3), 2);
    EXPECT_EQ(read(2), (Rows{{"PC1", "ANN"}, {"PC2", "BOB"}, {"PC3", "CY"}}));

    EXPECT_EQ(pc2.stop(), 0);
    EXPECT_EQ(read(2), (Rows{{"PC1", "ANN"}, {"PC3", "CY"}}));
    EXPECT_EQ(read(1).size(), 3u) << "a departed user's slot stays listed";
    EXPECT_TRUE(read(4).empty());

    locktest::Client crashed({"--computer", "PC4", "--user", "dee", "--crash", "--keep-lockfile", db});
    EXPECT_EQ(locktest::connectClient(crashed), 1) << "the departed user's slot is reused";
    crashed.wait();
    EXPECT_EQ(read(4), (Rows{{"PC4", "DEE"}}));
}

TEST_F(LockFileReaderOnRealFiles, ReadingLeavesTheMonitoredFilesAlone) {
    const std::string db = useDatabase("access/testV2000.mdb", "watched.mdb");
    locktest::Client pc1({"--computer", "PC1", "--keep-lockfile", db});
    ASSERT_GE(locktest::connectClient(pc1), 0);
    const std::string ldb = dir.filePath("watched.ldb").toStdString();
    const auto dbBefore = locktest::stampOf(db);
    const auto ldbBefore = locktest::stampOf(ldb);
    for (short option : {1, 2, 4})
        for (int i = 0; i < 20; ++i)
            read(option);
    EXPECT_TRUE(locktest::stampOf(db) == dbBefore);
    EXPECT_TRUE(locktest::stampOf(ldb) == ldbBefore);
    EXPECT_EQ(read(2).size(), 1u) << "the client still holds its lock";
}

// The main window draws what the reader read.
class LockFileUsersWindow : public ::testing::Test, public MainWindowHarness {
protected:
    void SetUp() override {
        ASSERT_TRUE(start());
        controls().readModeChoice[1]->click();
        writeHomeFile("sales.mdb", "database");
        window->setSelectedDatabasePath(homeFile("sales.mdb"));
    }
    void TearDown() override { readers::setLdbLibrary({}); }
    void refresh() { window->showUsers(); }
};

// Rows are keyed by the rows added, not the pairs read; the reader runs
// under the hourglass with the window's option and all-possible choice, and
// the arrow comes back.
TEST_F(LockFileUsersWindow, RowsAreDrawnUnderTheHourglass) {
    writeHomeFile("sales.ldb", "PC01\r\nANN\r\nPC02\r\nBOB\r\nPC03\r\nCY\r\nPC03\r\nDAN\r\n");
    controls().lockFileChoice[2]->click();
    controls().allPossibleCheck->setChecked(true);
    window->setCursor(Qt::CrossCursor);
    std::optional<Qt::CursorShape> during;
    int option = 0;
    readers::setLdbLibrary([&](const QByteArray&, int o) {
        during = window->cursor().shape();
        option = o;
        return QStringList({"PC01", "PC03"});
    });
    refresh();
    EXPECT_EQ(during, Qt::WaitCursor);
    EXPECT_EQ(option, 4);
    EXPECT_EQ(window->cursor().shape(), Qt::ArrowCursor);
    QStringList drawn;
    for (int i = 0; i < window->users().rowCount(); ++i) {
        drawn << window->users().text(i, 0) + "/" + window->users().text(i, 1);
    }
    EXPECT_EQ(drawn, QStringList({"PC01/ANN", "PC03/CY", "PC03/DAN"}));
    // The user name resolution that follows reports the computers the (here
    // empty) user name database lacks; nothing else is said.
    EXPECT_TRUE(boxes.textsNotTitled(QStringLiteral("No User Name")).isEmpty());
}

// A notice is a box, or while monitoring the tip's text.
TEST_F(LockFileUsersWindow, ANoticeIsABoxOrWhileMonitoringTheTip) {
    const QString ldb = homeFile("sales.ldb");
    refresh();
    ASSERT_EQ(boxes.shown.size(), 1u);
    EXPECT_EQ(boxes.last().text, QStringLiteral("Could not locate LDB file '") + ldb + "'");
    EXPECT_EQ(boxes.last().title, QStringLiteral("LDB File Not Found"));
    EXPECT_EQ(boxes.last().icon, MsgIcon::Information);
    EXPECT_EQ(window->users().rowCount(), 0);

    controls().autoMonitorCheck->setChecked(true);
    refresh();
    EXPECT_EQ(boxes.shown.size(), 1u);
    ASSERT_NE(window->tip(), nullptr);
    EXPECT_EQ(window->tip()->message(), QStringLiteral("Could not locate LDB file '") + ldb + ".");
}

}  // namespace
