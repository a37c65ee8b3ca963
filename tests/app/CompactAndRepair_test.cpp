// "Compact and Repair..." on a real database: refused while a client is
// connected, and otherwise compacted in place with the database as it was
// kept in a backup that a second run never overwrites.
#include "jet/Database.h"
#include "tests/jet/LockFileTesting.h"
#include "tests/support/MainWindowHarness.h"

#include <QAction>
#include <QLineEdit>
#include <QMenu>

#include <gtest/gtest.h>

namespace {

class CompactCommand : public ::testing::Test, public MainWindowHarness {};

TEST_F(CompactCommand, KeepsEachOriginalAndRefusesWhileSomeoneIsConnected) {
    ASSERT_TRUE(start());
    locktest::TempDir dir;
    const std::string path = locktest::copyTestFile("access/indexTestV2000.mdb", dir / "db.mdb");
    window->setSelectedDatabasePath(QString::fromStdString(path));
    QAction* compact = window->findChild<QAction*>(QStringLiteral("compactAction"));
    ASSERT_NE(compact, nullptr);
    {
        locktest::Client ann({"--computer", "PC-ANN", "--user", "ann", path});
        ASSERT_GE(locktest::connectClient(ann), 0);
        emit window->findChild<QMenu*>(QStringLiteral("fileMenu"))->aboutToShow();
        EXPECT_FALSE(compact->isEnabled());
        window->compactAndRepair();
        EXPECT_TRUE(boxes.last().text.contains(QStringLiteral("is in use"))) << boxes.last().text.toStdString();
        EXPECT_FALSE(std::filesystem::exists(dir / "db.bak.mdb"));
    }
    emit window->findChild<QMenu*>(QStringLiteral("fileMenu"))->aboutToShow();
    ASSERT_TRUE(compact->isEnabled());
    for (const char* backup : {"db.bak.mdb", "db.bak2.mdb"}) {
        const auto before = locktest::readBytes(path);
        compact->trigger();
        EXPECT_TRUE(boxes.last().text.contains(QStringLiteral("was compacted"))) << boxes.last().text.toStdString();
        EXPECT_EQ(locktest::readBytes(dir / backup), before) << backup;
        EXPECT_EQ(jet::Database::open(path)->tableNames().size(), 3u);
    }
    // An encrypted database, with the password the window holds.
    const std::string encrypted = locktest::copyTestFile("encrypted/db2013-enc.accdb", dir / "enc.accdb");
    window->setSelectedDatabasePath(QString::fromStdString(encrypted));
    window->findChild<QLineEdit*>(QStringLiteral("passwordEdit"))->setText(QStringLiteral("1234"));
    compact->trigger();
    EXPECT_TRUE(boxes.last().text.contains(QStringLiteral("was compacted"))) << boxes.last().text.toStdString();
    EXPECT_EQ(jet::Database::open(encrypted, "1234")->tableNames(), jet::Database::open(dir / "enc.bak.accdb", "1234")->tableNames());
}

}  // namespace
