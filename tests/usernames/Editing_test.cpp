// Editing the user name database: selecting, adding, saving, cancelling and
// deleting records, checked in the window and in the file as two
// independent readers see it.
#include "tests/usernames/Oracles.h"
#include "tests/usernames/UserDatabaseTesting.h"

#include "jet/Recordset.h"
#include "jet/lockfile/LockFile.h"

#include <QApplication>
#include <QCheckBox>
#include <QFile>
#include <QLabel>
#include <QListView>
#include <QRadioButton>
#include <QSignalSpy>
#include <QTimer>

#include <sys/stat.h>

namespace {

const QString kRefreshError =
    QStringLiteral("An error has taken place when refreshing the database.\rBe sure you have not entered in a "
                   "duplicate record.");

class Editing : public ::testing::Test, public UserDatabaseHarness {
protected:
    void SetUp() override {
        path = homeFile("names.mdb");
        makeUserDatabase(path, {{"PC05", "Eve", "x5", "eve@example.com"},
                                {"PC01", "Ann", "x1", "ann@example.com"},
                                {"O'BRIEN-PC", "Pat", std::nullopt, std::nullopt}});
        ASSERT_TRUE(startWith(path));
        ASSERT_TRUE(boxes.shown.empty()) << boxes.texts().join('\n').toStdString();
    }
    // Types into a box as the user does, in place of what it held.
    void type(std::size_t box, const QString& text) {
        QLineEdit* e = data()->fieldBox(box);
        e->setFocus();
        e->selectAll();
        QTest::keyClick(e, Qt::Key_Backspace);
        QTest::keyClicks(e, text);
    }
    // Auto monitoring, every 20 ms, of a database whose lock file lists PC01.
    void monitor() {
        const auto slot = jet::encodeLockSlot("PC01", "Admin");
        writeHomeFile("shared.ldb", QByteArray(reinterpret_cast<const char*>(slot.data()), qsizetype(slot.size())));
        writeHomeFile("shared.mdb", "database");
        controls().readModeChoice[1]->click();
        controls().lockFileChoice[0]->click();  // every user the lock file lists
        window->setSelectedDatabasePath(homeFile("shared.mdb"));
        window->setMonitorInterval(20, QStringLiteral("20"));
        controls().autoMonitorCheck->setChecked(true);
    }
    // Runs the event loop until the timer has ticked and the list been refreshed.
    bool tick() { return QSignalSpy(controls().refreshTimer, &QTimer::timeout).wait(5000); }
    void select(const QString& name) { data()->selectNameIndex(data()->findComputerName(name)); }
    QString selected() {
        const int i = data()->nameIndex();
        return i < 0 ? QString() : listed().value(i);
    }
    // The file is sound and both readers agree on its rows, which are returned.
    QStringList stored() {
        EXPECT_EQ(oracle::checkFindings(path).toStdString(), "");
        const QStringList rows = oracle::mdbExportRows(path);
        EXPECT_EQ(oracle::mdbReaderRows(path), rows);
        return rows;
    }
    // Another program stores `value` in `field` of the record `name` (a new
    // record when there is none); without a field it deletes the record.
    void otherWrites(const char* name, const char* field = nullptr, const char* value = nullptr) {
        jet::Recordset other(QFile::encodeName(path).toStdString(), "T_Main");
        if (!other.findFirst("ComputerName", jet::Value::text(name))) {
            other.addNew();
            other.setField("ComputerName", jet::Value::text(name));
        } else if (!field) {
            return other.deleteCurrent();
        }
        if (field)
            other.setField(field, jet::Value::text(value));
        other.update();
    }
    bool browsing() {
        UserNameWindow* d = data();
        return d->statusText() == QStringLiteral("Select Record") && d->listEnabled() &&
               d->enabled(UserNameWindow::Command::Add) && d->enabled(UserNameWindow::Command::Delete) && !d->enabled(UserNameWindow::Command::CancelAdd) &&
               !d->adding();
    }
    QString path;
};

TEST_F(Editing, SelectingFindsEveryListedNameAQuoteIncluded) {
    EXPECT_EQ(listed(), QStringList({"O'BRIEN-PC", "PC01", "PC05"}));
    select("O'BRIEN-PC");
    EXPECT_EQ(record(), QStringList({"O'BRIEN-PC", "Pat", "", ""}));
    select("PC01");
    EXPECT_EQ(record(), QStringList({"PC01", "Ann", "x1", "ann@example.com"}));
}

TEST_F(Editing, AddedRecordIsSavedListedInItsPlaceAndSelected) {
    data()->click(UserNameWindow::Command::Add);
    EXPECT_EQ(data()->statusText(), QStringLiteral("Enter In Data or Cancel New Record"));
    EXPECT_FALSE(data()->listEnabled());
    EXPECT_FALSE(data()->enabled(UserNameWindow::Command::Add));
    EXPECT_FALSE(data()->enabled(UserNameWindow::Command::Delete));
    EXPECT_TRUE(data()->enabled(UserNameWindow::Command::CancelAdd));
    EXPECT_EQ(record(), QStringList({"", "", "", ""}));

    data()->click(UserNameWindow::Command::Save);  // no computer name yet
    ASSERT_EQ(boxes.shown.size(), 1u);
    EXPECT_EQ(boxes.last().title, QStringLiteral("No Data Entered"));
    EXPECT_EQ(boxes.last().text, QStringLiteral("You must enter in a Computer Name in the field."));
    EXPECT_EQ(boxes.last().icon, MsgIcon::Exclamation);
    EXPECT_TRUE(data()->adding());

    type(0, "PC07");
    type(1, "Gus");
    data()->click(UserNameWindow::Command::Save);
    EXPECT_EQ(boxes.shown.size(), 1u);
    EXPECT_EQ(listed(), QStringList({"O'BRIEN-PC", "PC01", "PC05", "PC07"}));
    EXPECT_EQ(selected(), QStringLiteral("PC07"));
    EXPECT_EQ(record(), QStringList({"PC07", "Gus", "", ""}));
    EXPECT_TRUE(browsing());
    EXPECT_TRUE(stored().contains(QStringLiteral("PC07|Gus|~|~")));
}

TEST_F(Editing, CancelAddStoresNothing) {
    select("PC05");
    data()->click(UserNameWindow::Command::Add);
    type(0, "PC09");
    data()->click(UserNameWindow::Command::CancelAdd);
    EXPECT_TRUE(browsing());
    EXPECT_EQ(record(), QStringList({"PC05", "Eve", "x5", "eve@example.com"}));
    select("PC01");
    EXPECT_EQ(listed().size(), 3);
    EXPECT_EQ(stored().size(), 3);
}

TEST_F(Editing, ADuplicateGivesTheRefreshErrorAndAReloadWithoutIt) {
    data()->click(UserNameWindow::Command::Add);
    type(0, "pc01");
    data()->click(UserNameWindow::Command::Save);
    ASSERT_EQ(boxes.shown.size(), 1u);
    EXPECT_EQ(boxes.last().title, QStringLiteral("Database Refresh Error"));
    EXPECT_EQ(boxes.last().text, kRefreshError);
    EXPECT_EQ(boxes.last().icon, MsgIcon::Critical);
    EXPECT_TRUE(browsing());
    EXPECT_EQ(record(), QStringList({"", "", "", ""}));
    ASSERT_TRUE(waitLoaded());
    EXPECT_EQ(listed(), QStringList({"O'BRIEN-PC", "PC01", "PC05"}));
    EXPECT_EQ(record(), QStringList({"PC05", "Eve", "x5", "eve@example.com"}));
    EXPECT_EQ(stored().size(), 3);
}

TEST_F(Editing, AChangeIsStoredBySelectingAnotherEntryAndARenameByAMoveOrBySave) {
    select("PC01");
    type(3, "ann@example.org");
    select("PC05");
    EXPECT_EQ(record(), QStringList({"PC05", "Eve", "x5", "eve@example.com"}));
    EXPECT_TRUE(stored().contains(QStringLiteral("PC01|Ann|x1|ann@example.org")));

    type(0, "PC06");
    select("PC01");  // the move stores the rename
    EXPECT_EQ(listed(), QStringList({"O'BRIEN-PC", "PC01", "PC06"}));
    select("PC06");
    type(0, "PC07");
    data()->click(UserNameWindow::Command::Save);
    EXPECT_TRUE(boxes.shown.empty()) << boxes.texts().join('\n').toStdString();
    EXPECT_EQ(listed(), QStringList({"O'BRIEN-PC", "PC01", "PC07"}));
    EXPECT_EQ(selected(), QStringLiteral("PC07"));
    EXPECT_TRUE(stored().contains(QStringLiteral("PC07|Eve|x5|eve@example.com")));
}

// Auto monitoring runs while the user works in the window: its ticks never
// move the record being typed into, asked about or added.
TEST_F(Editing, TicksBetweenKeystrokesLeaveTheTypingOnItsRecord) {
    select("PC05");
    monitor();
    type(3, "eve@");
    ASSERT_TRUE(tick());
    QTest::keyClicks(data()->fieldBox(3), QStringLiteral("example.org"));
    ASSERT_TRUE(tick());
    data()->click(UserNameWindow::Command::Save);
    EXPECT_EQ(stored(), QStringList({"PC05|Eve|x5|eve@example.org", "PC01|Ann|x1|ann@example.com",
                                     "O'BRIEN-PC|Pat|~|~"}));
    ASSERT_TRUE(tick());  // the record picked stays, typed into or not
    EXPECT_EQ(selected(), QStringLiteral("PC05"));
    EXPECT_FALSE(data()->following());
    data()->setFollowing(true);
    ASSERT_TRUE(tick());
    EXPECT_EQ(selected(), QStringLiteral("PC01"));
}

TEST_F(Editing, ATickDuringTheDeleteConfirmationDeletesTheRecordChosen) {
    select("PC05");
    monitor();
    boxes.whileOpen = [&] { EXPECT_TRUE(tick()); };
    data()->click(UserNameWindow::Command::Delete);
    EXPECT_EQ(stored(), QStringList({"PC01|Ann|x1|ann@example.com", "O'BRIEN-PC|Pat|~|~"}));
}

// Another program writes the record the user is on between shown and stored:
// its changes stay unless the user saves over them, and a record gone keeps
// the typing, which Save then adds again.
struct Meanwhile {
    const char* what;
    const char* record;
    int box;              // typed into, with `typing`, unless -1
    const char* typing;
    const char* field;    // the other program's change; none deletes the record
    const char* value;
    bool whileAsked;      // the change comes while the first question is open
    const char* moveTo;   // the user moves to this record, or else:
    UserNameWindow::Command command;
    MsgAnswer answer;
    const char* title;
    QStringList shown;
    const char* stored;
};

void PrintTo(const Meanwhile& c, std::ostream* os) { *os << c.what; }

class EditingMeanwhile : public Editing, public ::testing::WithParamInterface<Meanwhile> {};

TEST_P(EditingMeanwhile, KeepsTheOtherProgramsChangesUnlessTheUserSavesOverThem) {
    const Meanwhile& c = GetParam();
    select(c.record);
    if (c.box >= 0)
        type(static_cast<std::size_t>(c.box), c.typing);
    const auto write = [&] { otherWrites(c.record, c.field, c.value); };
    boxes.answers = {c.answer};
    if (c.whileAsked)
        boxes.whileOpen = [&] { boxes.whileOpen = nullptr; write(); };
    else
        write();
    if (c.moveTo)
        select(c.moveTo);
    else
        data()->click(c.command);
    ASSERT_FALSE(boxes.shown.empty());
    EXPECT_EQ(boxes.last().title, QString::fromUtf8(c.title));
    EXPECT_EQ(record(), c.shown);
    const auto asked = boxes.shown.size();
    data()->click(UserNameWindow::Command::Save);
    EXPECT_EQ(boxes.shown.size(), asked) << boxes.texts().join('\n').toStdString();
    EXPECT_TRUE(stored().contains(QString::fromUtf8(c.stored))) << stored().join(' ').toStdString();
}

using Command = UserNameWindow::Command;
INSTANTIATE_TEST_SUITE_P(
    Cases, EditingMeanwhile,
    testing::Values(
        Meanwhile{"SavedOver", "PC05", 2, "x9", "Email", "eve@example.org", false, nullptr, Command::Save, MsgAnswer::Yes,
                  "Write Conflict", {"PC05", "Eve", "x9", "eve@example.org"}, "PC05|Eve|x9|eve@example.org"},
        Meanwhile{"TypingDropped", "PC05", 1, "Evelyn", "Contact", "x7", false, nullptr, Command::Save, MsgAnswer::No,
                  "Write Conflict", {"PC05", "Eve", "x7", "eve@example.com"}, "PC05|Eve|x7|eve@example.com"},
        Meanwhile{"DeletedKeepsTheTyping", "PC01", 1, "Annie", nullptr, nullptr, false, "PC05", Command::Save,
                  MsgAnswer::Ok, "Record Deleted", {"PC01", "Annie", "x1", "ann@example.com"},
                  "PC01|Annie|x1|ann@example.com"},
        Meanwhile{"NotDeletedWhenChangedWhileAsked", "PC05", -1, nullptr, "Email", "eve@example.org", true, nullptr,
                  Command::Delete, MsgAnswer::Yes, "Record Not Deleted", {"PC05", "Eve", "x5", "eve@example.org"},
                  "PC05|Eve|x5|eve@example.org"}),
    [](const testing::TestParamInfo<Meanwhile>& param) { return std::string(param.param.what); });

// The list follows what other programs store; the user's record and typing stay.
TEST_F(Editing, TheListFollowsTheFileWithoutMovingTheRecordOrTheTyping) {
    window->showUserDatabase();
    data()->activateWindow();
    ASSERT_TRUE(QTest::qWaitFor([&] { return QApplication::activeWindow() == data(); }));
    select("PC05");
    type(2, "x9");
    otherWrites("PC09", "Name", "Gus");
    otherWrites("O'BRIEN-PC");
    const auto follows = [&](const QStringList& names, const QString& user) {
        return QTest::qWaitFor([&] { data()->userNames(); return listed() == names && record()[1] == user; }, 5000);
    };
    EXPECT_TRUE(follows({"PC01", "PC05", "PC09"}, "Eve")) << listed().join(' ').toStdString();
    EXPECT_EQ(selected(), QStringLiteral("PC05"));
    EXPECT_EQ(record(), QStringList({"PC05", "Eve", "x9", "eve@example.com"}));
    data()->click(UserNameWindow::Command::Save);
    EXPECT_TRUE(boxes.shown.empty()) << boxes.texts().join('\n').toStdString();
    otherWrites("PC05", "Name", "Eva");
    EXPECT_TRUE(follows({"PC01", "PC05", "PC09"}, "Eva"));
    EXPECT_EQ(selected(), QStringLiteral("PC05"));
}

// Whatever the path: a tick during an addition, Save, a click on another entry.
TEST_F(Editing, NoRecordWithoutAComputerNameIsStored) {
    monitor();
    data()->click(UserNameWindow::Command::Add);
    type(1, "Gus");
    ASSERT_TRUE(tick());
    EXPECT_TRUE(data()->adding());
    EXPECT_EQ(record(), QStringList({"", "Gus", "", ""}));
    data()->click(UserNameWindow::Command::CancelAdd);

    select("PC01");
    type(0, "");
    data()->click(UserNameWindow::Command::Save);
    boxes.answers = {MsgAnswer::No, MsgAnswer::Yes};  // keep the typing, then drop it
    select("PC05");
    ASSERT_EQ(boxes.shown.size(), 2u);
    EXPECT_EQ(boxes.last().title, QStringLiteral("No Data Entered"));
    EXPECT_EQ(selected(), QStringLiteral("PC01"));
    EXPECT_EQ(record(), QStringList({"", "Ann", "x1", "ann@example.com"}));
    select("PC05");
    EXPECT_EQ(selected(), QStringLiteral("PC05"));
    EXPECT_EQ(record(), QStringList({"PC05", "Eve", "x5", "eve@example.com"}));
    EXPECT_EQ(stored().size(), 3);
}

TEST_F(Editing, CloseWithTypingAsksToSaveDiscardOrStay) {
    window->showUserDatabase();
    select("PC01");
    type(1, "Annie");
    boxes.answers = {MsgAnswer::Cancel, MsgAnswer::Discard};
    data()->click(UserNameWindow::Command::Close);
    EXPECT_EQ(boxes.last().buttons, MsgButtons::SaveDiscardCancel);
    EXPECT_TRUE(data()->isVisible());
    EXPECT_EQ(record(), QStringList({"PC01", "Annie", "x1", "ann@example.com"}));
    data()->click(UserNameWindow::Command::Close);
    EXPECT_FALSE(data()->isVisible());
    EXPECT_EQ(record(), QStringList({"PC01", "Ann", "x1", "ann@example.com"}));
    window->showUserDatabase();
    type(2, "x9");
    data()->click(UserNameWindow::Command::Close);  // Save
    EXPECT_FALSE(data()->isVisible());
    EXPECT_EQ(boxes.shown.size(), 3u);
    EXPECT_EQ(stored(), QStringList({"PC05|Eve|x5|eve@example.com", "PC01|Ann|x9|ann@example.com",
                                     "O'BRIEN-PC|Pat|~|~"}));
}

TEST_F(Editing, DeleteAsksAndLeavesTheLastRecordSelected) {
    data()->selectNameIndex(-1);
    data()->click(UserNameWindow::Command::Delete);
    ASSERT_EQ(boxes.shown.size(), 1u);
    EXPECT_EQ(boxes.last().title, QStringLiteral("No Record Selected"));
    EXPECT_EQ(boxes.last().text, QStringLiteral("You must select a record to delete it."));
    EXPECT_EQ(selected(), QStringLiteral("O'BRIEN-PC"));

    boxes.answers = {MsgAnswer::No};
    data()->click(UserNameWindow::Command::Delete);
    EXPECT_EQ(boxes.last().text,
              QStringLiteral("Are you sure that want to delete this record?\rComputer Name: O'BRIEN-PC, User Name: Pat"));
    EXPECT_EQ(boxes.last().title, QStringLiteral("Ravelin"));
    EXPECT_EQ(boxes.last().icon, MsgIcon::Question);
    EXPECT_EQ(boxes.last().buttons, MsgButtons::YesNo);
    EXPECT_EQ(stored().size(), 3);

    select("PC05");
    data()->click(UserNameWindow::Command::Delete);  // Yes
    EXPECT_EQ(boxes.shown.size(), 3u);
    EXPECT_EQ(listed(), QStringList({"O'BRIEN-PC", "PC01"}));
    // The last record of the table is O'BRIEN-PC (stored third).
    EXPECT_EQ(selected(), QStringLiteral("O'BRIEN-PC"));
    EXPECT_EQ(record(), QStringList({"O'BRIEN-PC", "Pat", "", ""}));
    EXPECT_EQ(stored(), QStringList({"PC01|Ann|x1|ann@example.com", "O'BRIEN-PC|Pat|~|~"}));
}

TEST_F(Editing, DeletingEveryRecordEndsBrowsingAnEmptyList) {
    for (int i = 0; i < 3; ++i) {
        data()->selectNameIndex(0);
        data()->click(UserNameWindow::Command::Delete);
    }
    EXPECT_TRUE(listed().isEmpty());
    EXPECT_EQ(record(), QStringList({"", "", "", ""}));
    EXPECT_TRUE(browsing());
    EXPECT_TRUE(stored().isEmpty());
    data()->click(UserNameWindow::Command::Delete);  // an empty table: nothing happens
    EXPECT_EQ(boxes.shown.size(), 3u);
}

TEST_F(Editing, AFileThatCannotBeWrittenRefusesTheSaveWithItsReasonAndKeepsItsRecords) {
    select("PC01");
    ASSERT_EQ(::chmod(QFile::encodeName(path).constData(), 0444), 0);
    QFile before(path);
    ASSERT_TRUE(before.open(QIODevice::ReadOnly));
    const QByteArray bytes = before.readAll();
    type(1, "Annie");
    {
        // Permissions do not stop root; a write limit stops everyone.
        const FileSizeLimit nothingWritable(0);
        data()->click(UserNameWindow::Command::Save);
    }
    ASSERT_EQ(boxes.shown.size(), 1u);
    EXPECT_EQ(boxes.last().title, QStringLiteral("Database Refresh Error"));
    EXPECT_TRUE(boxes.last().text.startsWith(kRefreshError + QChar('\r'))) << boxes.last().text.toStdString();
    ASSERT_TRUE(waitLoaded());
    EXPECT_TRUE(browsing());
    EXPECT_EQ(listed().size(), 3);
    QFile after(path);
    ASSERT_TRUE(after.open(QIODevice::ReadOnly));
    EXPECT_EQ(after.readAll(), bytes);
}

}  // namespace
