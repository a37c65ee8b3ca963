// The list's order and lookup.
#include "usernames/ComputerNameList.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <random>

namespace {

TEST(ComputerNameList, NamesAreInTheOrderOfOneCaseInsensitiveStableSort) {
    std::mt19937 random(11);
    QStringList all;
    for (int i = 0; i < 3000; ++i) {
        // Many names equal but for letter case, whose order shows stability.
        QString name = QStringLiteral("pc%1").arg(random() % 700);
        if (random() % 2)
            name[0] = QChar('P');
        if (random() % 2)
            name[1] = QChar('C');
        all << name;
    }
    ComputerNameList list;
    list.assign(ComputerNameList::sorted(all));

    QStringList expected = all;
    std::stable_sort(expected.begin(), expected.end(), [](const QString& a, const QString& b) {
        return QString::compare(a, b, Qt::CaseInsensitive) < 0;
    });
    EXPECT_EQ(list.names(), expected);

    // Single entries in and out; lookups: the first of equal names in list
    // order, the whole text only.
    ComputerNameList plain;
    for (const char* name : {"PC02", "pc01", "PC01", "Pc03", "pc02", "PC00"})
        plain.insert(QString::fromLatin1(name));
    plain.remove(QStringLiteral("pc00"));
    EXPECT_EQ(plain.names(), QStringList({"pc01", "PC01", "PC02", "pc02", "Pc03"}));
    EXPECT_EQ(plain.findExact(QStringLiteral("Pc01")), 0);
    EXPECT_EQ(plain.findExact(QStringLiteral("PC02")), 2);
    EXPECT_EQ(plain.findExact(QStringLiteral("PC0")), -1);
    EXPECT_EQ(plain.findExact(QStringLiteral("PC03 ")), -1);
}

}  // namespace
