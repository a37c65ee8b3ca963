// The lock-file library reader: pairing lock-file lines with the library's
// computer names, and reading real lock files that other processes hold.
#include "app/AppError.h"
#include "app/UserList.h"
#include "app/frmTip.h"
#include "jet/LdbUsers.h"
#include "readers/ShowLDBUsers.h"
#include "settings/frmSettings.h"
#include "tests/jet/LockFileTesting.h"
#include "tests/support/MainWindowHarness.h"

#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QRadioButton>
#include <QTemporaryDir>
#include <QTreeWidget>

#include <gtest/gtest.h>

namespace {

struct Row {
    QString key, computer, security;
    bool operator==(const Row&) const = default;
};

std::ostream& operator<<(std::ostream& os, const Row& r) {
    return os << r.key.toStdString() << ":" << r.computer.toStdString() << "/" << r.security.toStdString();
}

class LdbReader : public ::testing::Test, public MainWindowHarness {
protected:
    void SetUp() override {
        ASSERT_TRUE(start());
        window->optMode[1]->click();
        writeHomeFile("sales.mdb", "database");
        window->setSelectedDatabasePath(homeFile("sales.mdb"));
    }
    void TearDown() override { readers::setLdbLibrary({}); }

    // The library answers with `names` and records how it was called.
    void libraryReturns(QStringList names) {
        readers::setLdbLibrary([this, names](const QByteArray& path, int option) {
            calls.push_back({path, option});
            return names;
        });
    }
    std::vector<Row> rows() const {
        std::vector<Row> out;
        for (int i = 0; i < window->lvUsers->topLevelItemCount(); ++i) {
            const QTreeWidgetItem* r = window->lvUsers->topLevelItem(i);
            out.push_back({rowKey(r), r->text(0), subItem(r, 1)});
        }
        return out;
    }
    void refresh() { window->mnuDisplayUsers_Click(); }
    // What the reader itself said: the user name resolution that follows it
    // reports the computers the (here empty) user name database lacks.
    QStringList readerMessages() const { return boxes.textsNotTitled(QStringLiteral("No User Name")); }

    std::vector<std::pair<QByteArray, int>> calls;
};

TEST_F(LdbReader, PairsOfLinesBecomeRowsForTheLibrarysNames) {
    writeHomeFile("sales.ldb", "pc01\r\n  Admin \r\nPC02\r\nADMIN\r\n");
    libraryReturns({"PC01", "PC02"});
    refresh();
    EXPECT_EQ(rows(), (std::vector<Row>{{"Key_1", "PC01", "ADMIN"}, {"Key_2", "PC02", "ADMIN"}}));
    ASSERT_EQ(calls.size(), 1u);
    EXPECT_EQ(calls[0].first, QFile::encodeName(homeFile("sales.mdb")) + QByteArray(2, '\0'));
    EXPECT_EQ(calls[0].second, 2);
    EXPECT_TRUE(readerMessages().isEmpty());
}

TEST_F(LdbReader, RowKeysCountAddedRowsNotPairs) {
    writeHomeFile("sales.ldb", "PC01\r\nADMIN\r\nPC02\r\nADMIN\r\n");
    libraryReturns({"PC02"});
    window->optLDB[2]->click();
    refresh();
    EXPECT_EQ(rows(), (std::vector<Row>{{"Key_1", "PC02", "ADMIN"}}));
    EXPECT_EQ(calls.at(0).second, 4);
}

TEST_F(LdbReader, AMissingLockFileIsReportedWithoutCallingTheLibrary) {
    libraryReturns({"PC01"});
    refresh();
    ASSERT_EQ(boxes.shown.size(), 1u);
    EXPECT_EQ(boxes.last().text, QStringLiteral("Could not locate LDB file '") + homeFile("sales.ldb") + "'");
    EXPECT_EQ(boxes.last().title, QStringLiteral("LDB File Not Found"));
    EXPECT_EQ(boxes.last().icon, MsgIcon::Information);
    EXPECT_TRUE(calls.empty());
    EXPECT_TRUE(rows().empty());
}

TEST_F(LdbReader, AMissingLockFileGoesToTheTipWhileMonitoring) {
    libraryReturns({"PC01"});
    window->chkAutoMonitor->setChecked(true);
    refresh();
    EXPECT_TRUE(boxes.shown.empty());
    ASSERT_NE(window->tip(), nullptr);
    EXPECT_EQ(window->tip()->lbMsg->text(), QStringLiteral("Could not locate LDB file '") + homeFile("sales.ldb") + ".");
    EXPECT_TRUE(calls.empty());
}

// The last Jet user leaves between the existence test and the reading: Jet
// deletes the lock file. That is the not-found condition, quiet while
// monitoring, and never the command's critical error box.
TEST_F(LdbReader, ALockFileThatGoesAwayMeanwhileIsNotFound) {
    const QString ldb = homeFile("sales.ldb");
    const auto goneBeforeTheLibrary = [&](const QByteArray& path, int option) {
        QFile::remove(ldb);
        jet::getLdbUsers(path.constData(), option);  // the real library meets the missing file
        return QStringList();
    };
    const auto goneAfterTheLibrary = [&](const QByteArray&, int) {
        QFile::remove(ldb);
        return QStringList({"PC01"});
    };
    for (const readers::LdbLibrary& library : {readers::LdbLibrary(goneBeforeTheLibrary),
                                               readers::LdbLibrary(goneAfterTheLibrary)}) {
        readers::setLdbLibrary(library);
        writeHomeFile("sales.ldb", "PC01\r\nADMIN\r\n");
        window->chkAutoMonitor->setChecked(true);
        refresh();
        EXPECT_TRUE(boxes.shown.empty());
        ASSERT_NE(window->tip(), nullptr);
        EXPECT_EQ(window->tip()->lbMsg->text(), QStringLiteral("Could not locate LDB file '") + ldb + ".");

        writeHomeFile("sales.ldb", "PC01\r\nADMIN\r\n");
        window->chkAutoMonitor->setChecked(false);
        refresh();
        ASSERT_EQ(boxes.shown.size(), 1u);
        EXPECT_EQ(boxes.last().text, QStringLiteral("Could not locate LDB file '") + ldb + "'");
        EXPECT_EQ(boxes.last().title, QStringLiteral("LDB File Not Found"));
        EXPECT_TRUE(rows().empty());
        boxes.shown.clear();
    }
}

// The reader runs under the hourglass; the arrow comes back when it ends.
TEST_F(LdbReader, TheHourglassShowsWhileTheReaderRuns) {
    writeHomeFile("sales.ldb", "PC01\r\nADMIN\r\n");
    window->setCursor(Qt::CrossCursor);
    std::optional<Qt::CursorShape> during;
    readers::setLdbLibrary([&](const QByteArray&, int) {
        during = window->cursor().shape();
        return QStringList({"PC01"});
    });
    refresh();
    EXPECT_EQ(during, Qt::WaitCursor);
    EXPECT_EQ(window->cursor().shape(), Qt::ArrowCursor);
    EXPECT_EQ(rows().size(), 1u);
}

TEST_F(LdbReader, ALibraryFailureIsShownByTheCommandAndTheListStaysEmpty) {
    writeHomeFile("sales.ldb", "PC01\r\nADMIN\r\n");
    readers::setLdbLibrary([](const QByteArray&, int) -> QStringList {
        throw jet::Error(jet::DiskIo, "Could not open file '/x/sales.ldb': Permission denied.");
    });
    refresh();
    ASSERT_EQ(boxes.shown.size(), 1u);
    EXPECT_EQ(boxes.last().text, QStringLiteral("Could not open file '/x/sales.ldb': Permission denied."));
    EXPECT_EQ(boxes.last().icon, MsgIcon::Critical);
    EXPECT_TRUE(rows().empty());
}

// The reader alone, without a window: the lock file's lines in pairs,
// upper-cased as the ANSI code page has it, matched against the library's
// names. Each case: database file, lock file bytes, the library's names,
// all possible users shown, the rows read.
TEST(LockFilePairing, LinesPairedAndMatchedWithTheLibrarysNames) {
    struct Case {
        const char* database;
        QByteArray lockFile;
        QStringList library;
        bool allPossible;
        QList<QStringList> rows;
    };
    const Case cases[] = {
        // The last computer name has no security name after it and is dropped.
        {"sales.mdb", "\r\n   \r\nPC01\r\n\r\n    \r\nJOE\r\n\r\nPC02\rANN\r\nPC03", {"PC01", "PC02", "PC03"}, false,
         {{"PC01", "JOE"}, {"PC02", "ANN"}}},
        {"sales.mdb", "TS01\r\nANN\r\nTS01\r\nBOB\r\n", {"TS01"}, false, {{"TS01", "ANN"}}},
        {"sales.mdb", "TS01\r\nANN\r\nTS01\r\nBOB\r\n", {"TS01"}, true, {{"TS01", "ANN"}, {"TS01", "BOB"}}},
        {"sales.mdb", "pc01\r\nadmin\r\n", {"pc01"}, false, {}},  // lower-case library entries never match
        // Windows-1252: "b\xFCro" is bÜro once upper-cased.
        {"sales.mdb", QByteArray("b\xFCro\0ann\0", 10), {QString::fromUtf8("B\u00DCRO")}, false,
         {{QString::fromUtf8("B\u00DCRO"), "ANN"}}},
        {"orders.mde", "PC09\r\nADMIN\r\n", {"PC09"}, false, {{"PC09", "ADMIN"}}},
        // 8 MB of one "line" is kept to its first few kilobytes, so it can't match.
        {"sales.mdb", QByteArray(8 << 20, 'X') + QByteArray("\0ADMIN\0PC01\0ANN\0", 16), {"PC01"}, false,
         {{"PC01", "ANN"}}},
    };
    EXPECT_EQ(readers::ansiUpperCase(QString::fromUtf8("stra\u00DFe \u00E9t\u00E9 \u00FF \u00B5 \u0161")),
              QString::fromUtf8("STRA\u00DFE \u00C9T\u00C9 \u0178 \u00B5 \u0160"));
    for (const Case& c : cases) {
        const QTemporaryDir dir;
        const QString database = dir.filePath(QString::fromLatin1(c.database));
        QFile ldb(readers::lockFilePath(database));
        ASSERT_TRUE(ldb.open(QIODevice::WriteOnly));
        ldb.write(c.lockFile);
        ldb.close();
        readers::setLdbLibrary([&](const QByteArray&, int) { return c.library; });
        const readers::UserRows read = readers::readLockFileUsers({database, 2, c.allPossible});
        readers::setLdbLibrary({});
        EXPECT_EQ(read.rows, c.rows) << c.lockFile.left(60).toStdString();
        EXPECT_FALSE(read.notice || read.failure);
    }
}

// Real lock files, with the real library.
class LdbReaderOnRealFiles : public LdbReader {
protected:
    void useDatabase(const QString& testFile, const QString& name) {
        const std::string path = locktest::copyTestFile(testFile.toStdString(), homeFile(name).toStdString());
        window->setSelectedDatabasePath(QString::fromStdString(path));
    }
    void option(int index) { window->optLDB[index]->click(); }
};

TEST_F(LdbReaderOnRealFiles, JetsOwnLockFileListsItsUser) {
    useDatabase("workgroup/system.mdw", "system.mdw");
    locktest::copyTestFile("lockfiles/system.ldb", homeFile("system.ldb").toStdString());
    option(0);
    refresh();
    EXPECT_EQ(rows(), (std::vector<Row>{{"Key_1", "CDU001", "CONTOURCDU"}}));
    EXPECT_TRUE(readerMessages().isEmpty()) << readerMessages().join('\n').toStdString();
}

TEST_F(LdbReaderOnRealFiles, ConnectedDepartedAndSuspectUsers) {
    useDatabase("access/testV1997.mdb", "shared.mdb");
    const std::string db = homeFile("shared.mdb").toStdString();
    locktest::Client pc1({"--computer", "PC1", "--user", "ann", "--keep-lockfile", db});
    ASSERT_EQ(locktest::connectClient(pc1), 0);
    locktest::Client pc2({"--computer", "PC2", "--user", "bob", "--keep-lockfile", db});
    ASSERT_EQ(locktest::connectClient(pc2), 1);
    locktest::Client pc3({"--computer", "PC3", "--user", "cy", "--keep-lockfile", db});
    ASSERT_EQ(locktest::connectClient(pc3), 2);

    option(1);
    refresh();
    EXPECT_EQ(rows(), (std::vector<Row>{{"Key_1", "PC1", "ANN"}, {"Key_2", "PC2", "BOB"}, {"Key_3", "PC3", "CY"}}));

    EXPECT_EQ(pc2.stop(), 0);
    refresh();
    EXPECT_EQ(rows(), (std::vector<Row>{{"Key_1", "PC1", "ANN"}, {"Key_2", "PC3", "CY"}}));
    option(0);
    refresh();
    EXPECT_EQ(rows().size(), 3u) << "a departed user's slot stays listed";
    option(2);
    refresh();
    EXPECT_TRUE(rows().empty());

    locktest::Client crashed({"--computer", "PC4", "--user", "dee", "--crash", "--keep-lockfile", db});
    EXPECT_EQ(locktest::connectClient(crashed), 1) << "the departed user's slot is reused";
    crashed.wait();
    refresh();
    EXPECT_EQ(rows(), (std::vector<Row>{{"Key_1", "PC4", "DEE"}}));
    EXPECT_TRUE(readerMessages().isEmpty()) << readerMessages().join('\n').toStdString();
}

TEST_F(LdbReaderOnRealFiles, RefreshesLeaveTheMonitoredFilesAlone) {
    useDatabase("access/testV2000.mdb", "watched.mdb");
    const std::string db = homeFile("watched.mdb").toStdString();
    locktest::Client pc1({"--computer", "PC1", "--keep-lockfile", db});
    ASSERT_GE(locktest::connectClient(pc1), 0);
    const std::string ldb = homeFile("watched.ldb").toStdString();
    const auto dbBefore = locktest::stampOf(db);
    const auto ldbBefore = locktest::stampOf(ldb);
    for (int option : {0, 1, 2})
        for (int i = 0; i < 20; ++i) {
            window->optLDB[option]->click();
            refresh();
        }
    EXPECT_TRUE(locktest::stampOf(db) == dbBefore);
    EXPECT_TRUE(locktest::stampOf(ldb) == ldbBefore);
    window->optLDB[1]->click();
    refresh();
    EXPECT_EQ(rows().size(), 1u) << "the client still holds its lock";
}

}  // namespace
