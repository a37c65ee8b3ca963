// The user list model, without a window: rows shorter than the columns,
// names filled in after the rows, and Qt's model rules kept throughout.
#include "base/UserListModel.h"

#include <QAbstractItemModelTester>
#include <QSignalSpy>

#include <gtest/gtest.h>

TEST(UserListModel, FillsNamesIntoShortRowsAndTellsTheViewWhichCellsChanged) {
    UserListModel model;
    QAbstractItemModelTester tester(&model, QAbstractItemModelTester::FailureReportingMode::Fatal);
    model.setColumns({"Computer Name", "Security Name", "User Name", "Contact", "Email"});
    model.setRows({{"PC1", "Admin"}, {"PC2"}});
    model.appendRow({"PC3", "Admin", "old", "old", "old"});
    QSignalSpy changed(&model, &QAbstractItemModel::dataChanged);
    model.setTexts(1, 2, {"Bob", "", "bob@example.com"});
    model.setTexts(2, 2, {"", "", ""});
    model.setToolTip(0, QStringLiteral("via smbd"));
    ASSERT_EQ(changed.size(), 3);
    EXPECT_EQ(changed[0][0].toModelIndex(), model.index(1, 2));
    EXPECT_EQ(changed[0][1].toModelIndex(), model.index(1, 4));
    EXPECT_EQ(model.text(1, 4), QStringLiteral("bob@example.com"));
    EXPECT_EQ(model.index(2, 2).data().toString(), QString());
    EXPECT_EQ(model.index(0, 4).data(Qt::ToolTipRole).toString(), QStringLiteral("via smbd"));
    EXPECT_FALSE(model.index(1, 0).data(Qt::ToolTipRole).isValid());

    model.setColumns({"Computer Name", "Security Name", "Connected", "Suspect", "User Name", "Contact", "Email"});
    EXPECT_EQ(model.rowCount(), 3);
    EXPECT_EQ(model.headerData(6, Qt::Horizontal).toString(), QStringLiteral("Email"));
    model.clear();
    EXPECT_EQ(model.rowCount(), 0);
}
