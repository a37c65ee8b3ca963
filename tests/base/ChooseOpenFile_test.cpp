// The open-file chooser: filter handling, trimming, failures.
#include "base/AppError.h"
#include "base/ChooseOpenFile.h"
#include "tests/support/FakePlatform.h"

#include <QComboBox>
#include <QDir>
#include <QFileDialog>
#include <QFile>

#include <gtest/gtest.h>

namespace {

const QChar NUL(0);

TEST(ChooseOpenFile, FilterGetsOneClosingBarAndBarsBecomeNuls) {
    FakePlatform p;
    chooseOpenFile(nullptr, QStringLiteral("A (*.a)|*.a"), QStringLiteral("T"), QString());
    chooseOpenFile(nullptr, QStringLiteral("A (*.a)|*.a|"), QStringLiteral("T"), QStringLiteral("/tmp"));
    ASSERT_EQ(p.files.requests.size(), 2u);
    const QString expected = QStringLiteral("A (*.a)") + NUL + QStringLiteral("*.a") + NUL + NUL;
    EXPECT_EQ(p.files.requests[0].filter, expected);
    EXPECT_EQ(p.files.requests[1].filter, expected);
    EXPECT_EQ(p.files.requests[1].initialDir, QStringLiteral("/tmp"));
    EXPECT_EQ(p.files.requests[1].title, QStringLiteral("T"));
}

TEST(ChooseOpenFile, ResultLosesSurroundingBlanksAndOneTrailingNul) {
    FakePlatform p;
    p.files.answers = {QStringLiteral("  /x/y.mdb") + NUL + QStringLiteral("      "), QStringLiteral("/x/z.mdb  "),
                       QStringLiteral("/x/tab.mdb\t")};
    EXPECT_EQ(chooseOpenFile(nullptr, {}, {}, {}), QStringLiteral("/x/y.mdb"));
    EXPECT_EQ(chooseOpenFile(nullptr, {}, {}, {}), QStringLiteral("/x/z.mdb"));
    // Only blanks are trimmed: a tab is part of the name.
    EXPECT_EQ(chooseOpenFile(nullptr, {}, {}, {}), QStringLiteral("/x/tab.mdb\t"));
}

TEST(ChooseOpenFile, CancelGivesEmptyTextWithoutAMessage) {
    FakePlatform p;
    p.files.answers = {std::nullopt};
    EXPECT_TRUE(chooseOpenFile(nullptr, {}, {}, {}).isEmpty());
    EXPECT_TRUE(p.boxes.shown.empty());
}

TEST(ChooseOpenFile, AFailingDialogIsReportedWithItsNumber) {
    FakePlatform p;
    p.files.failWith = [] { throw AppError(32755, QStringLiteral("Ravelin"), QStringLiteral("Dialog failed")); };
    EXPECT_TRUE(chooseOpenFile(nullptr, {}, {}, {}).isEmpty());
    ASSERT_EQ(p.boxes.shown.size(), 1u);
    EXPECT_EQ(p.boxes.last().text, QStringLiteral("Dialog failed [32755]"));
    EXPECT_EQ(p.boxes.last().title, QStringLiteral("Ravelin"));
    EXPECT_EQ(p.boxes.last().icon, MsgIcon::Critical);
}

TEST(ChooseOpenFile, PatternsMatchWithoutRegardToLetterCase) {
    EXPECT_EQ(caseInsensitivePatterns(QStringLiteral("*.mdb;*.mde")),
              QStringLiteral("*.[mM][dD][bB];*.[mM][dD][eE]"));
    QTemporaryDir dir;
    for (const char* name : {"SALES.MDB", "stock.mdb", "Orders.Mde", "notes.txt", "old.mdb.bak"}) {
        QFile f(dir.filePath(QString::fromLatin1(name)));
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    }
    // Matched letter case and all, as the dialog's file system model does.
    QStringList matched = QDir(dir.path()).entryList(caseInsensitivePatterns(QStringLiteral("*.mdb;*.mde")).split(';'),
                                                     QDir::Files | QDir::CaseSensitive);
    matched.sort();
    EXPECT_EQ(matched, QStringList({"Orders.Mde", "SALES.MDB", "stock.mdb"}));
}

TEST(ChooseOpenFile, TheTypeListShowsTheDescriptionsAlone) {
    QFileDialog dialog;
    prepareOpenFileDialog(dialog, {nullptr,
                                   QStringLiteral("Microsoft Database Files (*.mdb;*.mde)") + NUL +
                                       QStringLiteral("*.mdb;*.mde") + NUL + QStringLiteral("All (*.*)") + NUL +
                                       QStringLiteral("*.*") + NUL + NUL,
                                   QStringLiteral("Choose Database File Path"), QString()});
    const auto* types = dialog.findChild<QComboBox*>(QStringLiteral("fileTypeCombo"));
    ASSERT_NE(types, nullptr);
    ASSERT_EQ(types->count(), 2);
    EXPECT_EQ(types->itemText(0), QStringLiteral("Microsoft Database Files (*.mdb;*.mde)"));
    EXPECT_EQ(types->itemText(1), QStringLiteral("All (*.*)"));
}

}  // namespace
