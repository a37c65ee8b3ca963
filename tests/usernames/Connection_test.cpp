// The user name database window's connection: loading, its failure messages,
// reconnecting, and the placement file.
#include "tests/usernames/Oracles.h"
#include "tests/usernames/UserDatabaseTesting.h"

#include "base/Twips.h"
#include "jet/Error.h"

#include <QDir>
#include <QFile>
#include <QLabel>
#include <QLayout>
#include <QPushButton>
#include <QListView>

namespace {

const QString kInvalidFile =
    QStringLiteral("There may be something wrong with the User Name database path or it is not avavilable at this "
                   "time.\rCannot find the required file 'compnamedb.mdb'");
const QString kVerifyPath =
    QStringLiteral("Please go back into the Settings window and check the file path for the correct file name "
                   "'compnamedb.mdb'\rAfter checking the path, go to the User Database window and click the Refresh "
                   "DB Connection button to reconnect the database.");

class Connection : public ::testing::Test, public UserDatabaseHarness {
protected:
    void expectFailureMessages(std::size_t from = 0) {
        ASSERT_EQ(boxes.shown.size(), from + 2);
        const MessageBoxRequest& first = boxes.shown[from].request;
        const MessageBoxRequest& second = boxes.shown[from + 1].request;
        EXPECT_EQ(first.title, QStringLiteral("Invalid Database File"));
        EXPECT_EQ(first.text, kInvalidFile);
        EXPECT_EQ(first.icon, MsgIcon::Critical);
        EXPECT_EQ(second.title, QStringLiteral("Verify Path Settings"));
        EXPECT_EQ(second.text, kVerifyPath);
        EXPECT_EQ(second.icon, MsgIcon::Exclamation);
        EXPECT_EQ(first.buttons, MsgButtons::Ok);
        EXPECT_EQ(second.buttons, MsgButtons::Ok);
    }
};

TEST_F(Connection, TheWindowHasItsDesignStateAndItsToolbarInOrder) {
    ASSERT_TRUE(start());
    UserNameWindow* d = data();
    EXPECT_FALSE(d->isVisible());
    EXPECT_EQ(d->parentWidget(), window.get());
    EXPECT_TRUE(d->windowFlags() & Qt::Tool);
    EXPECT_FALSE(d->windowFlags() & Qt::WindowCloseButtonHint);
    const QStringList order{"saveButton", "refreshButton", "toolbarSeparators(1)", "addButton", "cancelAddButton",
                            "toolbarSeparators(0)", "deleteButton", "toolbarSeparators(2)", "closeButton"};
    QLayout* bar = d->findChild<QWidget*>(QStringLiteral("toolbarPanel"))->layout();
    for (int i = 1; i < order.size(); ++i)
        EXPECT_LT(bar->indexOf(d->findChild<QWidget*>(order[i - 1])), bar->indexOf(d->findChild<QWidget*>(order[i])))
            << i;
    EXPECT_FALSE(d->enabled(UserNameWindow::Command::CancelAdd));
    const int limits[] = {50, 60, 60, 60};
    for (std::size_t i = 0; i < 4; ++i)
        EXPECT_EQ(d->fieldBox(i)->maxLength(), limits[i]);

    window->showUserDatabase();
    EXPECT_TRUE(d->isVisible());
    d->click(UserNameWindow::Command::Close);
    EXPECT_FALSE(d->isVisible());
}

TEST_F(Connection, AMissingFileGivesTheTwoMessagesAndLeavesOnlyRefreshEnabled) {
    ASSERT_TRUE(startWith(homeFile("gone/compnamedb.mdb")));
    expectFailureMessages();
    EXPECT_EQ(boxes.shown[0].owner, window.get()) << "the hidden window's messages stand over the main window";
    EXPECT_TRUE(listed().isEmpty());
    EXPECT_EQ(record(), QStringList({"", "", "", ""}));
    EXPECT_EQ(buttons(), (std::array<bool, 4>{false, true, false, false}));

    // Refresh DB Connection: the buttons come back, and a second failure
    // takes them away again.
    data()->click(UserNameWindow::Command::Refresh);
    EXPECT_EQ(buttons(), (std::array<bool, 4>{true, false, true, true}));
    ASSERT_TRUE(waitLoaded());
    expectFailureMessages(2);
    EXPECT_EQ(buttons(), (std::array<bool, 4>{false, true, false, false}));
}

TEST_F(Connection, ADatabaseWithoutTheTableOrNotADatabaseFails) {
    const QString noTable = homeFile("compnamedb.mdb");
    ASSERT_TRUE(QFile::copy(QStringLiteral(RAVELIN_TESTDATA "/access/testV2000.mdb"), noTable));
    ASSERT_TRUE(startWith(noTable));
    expectFailureMessages();
    writeHomeFile("text.mdb", QByteArray(4096, 'x'));
    ASSERT_TRUE(reconnect(homeFile("text.mdb")));
    expectFailureMessages(2);
    EXPECT_TRUE(listed().isEmpty());
}

TEST_F(Connection, ThePlacementFileIsReadAsFarAsItIsValid) {
    ASSERT_TRUE(start());
    const QPoint designPos = data()->pos();
    const QSize designSize = data()->size();
    stop();

    writeHomeFile("usernames.set", "1440\r\n2880\r\n");
    ASSERT_TRUE(start());
    EXPECT_NEAR(pixelsToTwipsX(data(), data()->x()), 1440, 20);
    EXPECT_NEAR(pixelsToTwipsY(data(), data()->y()), 2880, 20);
    EXPECT_EQ(data()->size(), designSize);
    stop();

    writeHomeFile("usernames.set", "left\r\n2880\r\n5000\r\n6000\r\n");
    ASSERT_TRUE(start());
    EXPECT_EQ(data()->pos(), designPos);
    EXPECT_EQ(data()->size(), designSize);
}

}  // namespace

namespace {

TEST_F(Connection, TheListIsAlphabeticalAndTheFirstRecordOfTheTableShows) {
    const QString path = homeFile("compnamedb.mdb");
    makeUserDatabase(path, {{"PC03", "Cy", "x3", "cy@example.com"},
                            {"pc01", "Ann", std::nullopt, "ann@example.com"},
                            {"PC02", "Bob", "x2", std::nullopt}});
    ASSERT_TRUE(startWith(path));
    EXPECT_TRUE(boxes.shown.empty()) << boxes.texts().join('\n').toStdString();
    EXPECT_EQ(listed(), QStringList({"pc01", "PC02", "PC03"}));
    EXPECT_EQ(record(), QStringList({"PC03", "Cy", "x3", "cy@example.com"}));
}

TEST_F(Connection, AnEmptyTableIsSeededOnceAndListedFromTheTableNextTime) {
    const QString path = homeFile("compnamedb.mdb");
    ASSERT_TRUE(start());  // the first start writes the default, empty database
    ASSERT_TRUE(waitLoaded());
    EXPECT_TRUE(boxes.shown.empty()) << boxes.texts().join('\n').toStdString();
    EXPECT_EQ(listed(), QStringList({"Test Record"}));
    EXPECT_EQ(record(), QStringList({"Test Record", "", "", ""}));
    ASSERT_TRUE(restart());
    ASSERT_TRUE(waitLoaded());
    EXPECT_EQ(listed(), QStringList({"Test Record"}));
    EXPECT_EQ(oracle::checkFindings(path).toStdString(), "");
    const QStringList expected{"Test Record|~|~|~"};
    EXPECT_EQ(oracle::mdbExportRows(path), expected);
    EXPECT_EQ(oracle::mdbReaderRows(path), expected);
}

// Another program may have stored records without a computer name: each is
// listed as an empty entry, so that the user can give it one or delete it.
TEST_F(Connection, RecordsWithoutAComputerNameAreEachListedAndCanBeNamedOrDeleted) {
    const QString path = homeFile("names.mdb");
    makeUserDatabase(path, {{"PC02", "Bob", std::nullopt, std::nullopt},
                            {std::nullopt, "Nobody", std::nullopt, std::nullopt},
                            {"PC01", "Ann", std::nullopt, std::nullopt},
                            {std::nullopt, "Noone", std::nullopt, std::nullopt}});
    ASSERT_TRUE(startWith(path));
    EXPECT_TRUE(boxes.shown.empty()) << boxes.texts().join('\n').toStdString();
    EXPECT_EQ(listed(), QStringList({"", "", "PC01", "PC02"}));
    data()->selectNameIndex(1);
    EXPECT_EQ(record(), QStringList({"", "Noone", "", ""}));
    data()->click(UserNameWindow::Command::Delete);
    EXPECT_EQ(boxes.last().text.section('\r', 1), QStringLiteral("Computer Name: (none), User Name: Noone"));
    data()->selectNameIndex(0);
    EXPECT_EQ(record(), QStringList({"", "Nobody", "", ""}));
    data()->fieldBox(0)->setFocus();
    QTest::keyClicks(data()->fieldBox(0), QStringLiteral("PC03"));
    data()->click(UserNameWindow::Command::Save);
    EXPECT_EQ(listed(), QStringList({"PC01", "PC02", "PC03"}));
    EXPECT_EQ(oracle::mdbExportRows(path), QStringList({"PC02|Bob|~|~", "PC03|Nobody|~|~", "PC01|Ann|~|~"}));
}

TEST_F(Connection, RefreshAfterTheFileIsInPlaceListsItAndRestoresTheButtons) {
    const QString path = homeFile("later/compnamedb.mdb");
    ASSERT_TRUE(startWith(path));
    expectFailureMessages();
    ASSERT_TRUE(QDir(home.path()).mkdir(QStringLiteral("later")));
    makeUserDatabase(path, {{"PC01", "Ann", std::nullopt, std::nullopt}});
    // Reconnected from the settings window: listed, but the buttons wait for
    // Refresh DB Connection.
    ASSERT_TRUE(reconnect(path));
    EXPECT_EQ(listed(), QStringList({"PC01"}));
    EXPECT_EQ(buttons(), (std::array<bool, 4>{false, true, false, false}));
    data()->click(UserNameWindow::Command::Refresh);
    ASSERT_TRUE(waitLoaded());
    EXPECT_EQ(boxes.shown.size(), 2u);
    EXPECT_EQ(listed(), QStringList({"PC01"}));
    EXPECT_EQ(record(), QStringList({"PC01", "Ann", "", ""}));
    EXPECT_EQ(buttons(), (std::array<bool, 4>{true, false, true, true}));
}

// The record source opens an encrypted file with the Jet password, and
// reads it again with it; without it, or with a wrong one, the open fails
// with 3031 and leaves the control closed.
TEST_F(Connection, AnEncryptedDatabaseWithoutItsPasswordIsSaidToWantIt) {
    ASSERT_TRUE(startWith(QStringLiteral(RAVELIN_TESTDATA "/encrypted/db2007-oldenc.accdb")));
    ASSERT_EQ(boxes.shown.size(), 1u) << boxes.texts().join('\n').toStdString();
    EXPECT_EQ(boxes.last().title, QStringLiteral("Not a valid password"));
    EXPECT_TRUE(boxes.last().text.contains(QStringLiteral("encrypted"))) << boxes.last().text.toStdString();
}

TEST(EncryptedUserDatabase, IsReadWithThePasswordAndRefusedWithoutIt) {
    DataControl control;
    control.DatabaseName = QStringLiteral(RAVELIN_TESTDATA "/encrypted/db2007-oldenc.accdb");
    control.RecordSource = QStringLiteral("Table1");
    for (const char* wrong : {"", "test123"}) {
        control.Password = QString::fromLatin1(wrong);
        try {
            control.Refresh();
            ADD_FAILURE() << "opened with '" << wrong << "'";
        } catch (const jet::Error& e) {
            EXPECT_EQ(e.number(), jet::InvalidPassword);
        }
        EXPECT_FALSE(control.isOpen());
    }
    control.Password = QStringLiteral("Test123");
    control.Refresh();
    control.Recordset().refresh();
    EXPECT_EQ(control.Recordset().field("Field1").toText(), "foo");
    EXPECT_EQ(control.openReader()->field("Field1").toText(), "foo");
}

}  // namespace
