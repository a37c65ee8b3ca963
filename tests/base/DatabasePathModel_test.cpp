// The database path list model, without a window: where each path lands,
// the bytes each entry keeps, and Qt's model rules kept throughout.
#include "base/DatabasePathModel.h"

#include <QAbstractItemModelTester>

#include <gtest/gtest.h>

TEST(DatabasePathModel, InsertsEachPathAtItsSortedPlace) {
    const std::pair<QStringList, QStringList> cases[] = {  // added in this order, then held
        {{"/srv/Zeta.mdb", "/srv/alpha.mdb", "/srv/Beta.mde"}, {"/srv/alpha.mdb", "/srv/Beta.mde", "/srv/Zeta.mdb"}},
        {{"/d/A.mdb", "/d/b.mdb", "/d/a.mdb"}, {"/d/A.mdb", "/d/a.mdb", "/d/b.mdb"}},  // equal ones keep their order
        {{QString::fromUtf8("/d/\u00C4pfel.mdb"), "/d/zebra.mdb", "/d/Apfel.mdb"},
         {"/d/Apfel.mdb", QString::fromUtf8("/d/\u00C4pfel.mdb"), "/d/zebra.mdb"}},
    };
    for (const auto& [added, held] : cases) {
        DatabasePathModel model;
        QAbstractItemModelTester tester(&model, QAbstractItemModelTester::FailureReportingMode::Fatal);
        model.insert(QStringLiteral("/d/gone.mdb"), "/d/gone.mdb");
        for (const QString& path : added)
            model.insert(path);
        model.remove(static_cast<int>(model.paths().indexOf(QStringLiteral("/d/gone.mdb"))));
        EXPECT_EQ(model.paths(), held);
    }
    DatabasePathModel model;
    model.insert(QStringLiteral("/d/b.mdb"), "/d/b\xE4.mdb");
    EXPECT_EQ(model.insert(QStringLiteral("/d/a.mdb")), 0);
    EXPECT_EQ(model.data(model.index(1), DatabasePathModel::kReadBytesRole).toByteArray(), QByteArray("/d/b\xE4.mdb"));
    EXPECT_EQ(model.readBytes(0), QByteArray());
}
