// The first start writes the default user name database where an installer
// would have placed it, and nowhere else.
#include "jet/Database.h"
#include "tests/support/MainWindowHarness.h"
#include "tests/support/SettingsLines.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <gtest/gtest.h>

namespace {

class DefaultUserNameDatabase : public ::testing::Test, public MainWindowHarness {
protected:
    QString defaultPath() const { return home.path() + QStringLiteral("/compnamedb.mdb"); }
};

TEST_F(DefaultUserNameDatabase, FirstStartCreatesItInTheProgramFolder) {
    ASSERT_TRUE(start());
    ASSERT_TRUE(QFileInfo::exists(defaultPath()));
    const auto db = jet::Database::open(QFile::encodeName(defaultPath()).toStdString());
    EXPECT_EQ(db->tableNames(), std::vector<std::string>{"T_Main"});
    EXPECT_TRUE(boxes.shown.empty());
}

TEST_F(DefaultUserNameDatabase, AnExistingFileIsLeftAsItIs) {
    writeHomeFile("compnamedb.mdb", "the administrator's own file");
    ASSERT_TRUE(start());
    QFile f(defaultPath());
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    EXPECT_EQ(f.readAll(), QByteArray("the administrator's own file"));
}

TEST_F(DefaultUserNameDatabase, APathTheUserChoseIsNeverCreated) {
    const QString chosen = home.path() + QStringLiteral("/shared/compnamedb.mdb");
    ASSERT_TRUE(QDir(home.path()).mkdir(QStringLiteral("shared")));
    writeHomeFile("settings.set", SettingsLines().set(14, chosen).bytes());
    ASSERT_TRUE(start());
    EXPECT_FALSE(QFileInfo::exists(chosen));
    EXPECT_FALSE(QFileInfo::exists(defaultPath()));
}

}  // namespace
