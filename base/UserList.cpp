#include "base/UserList.h"

#include <QTreeWidget>

namespace {
constexpr int kKeyRole = Qt::UserRole + 1;
}

QTreeWidgetItem* newUserRow(const QString& key, const QStringList& texts) {
    auto* row = new QTreeWidgetItem(texts);
    row->setData(0, kKeyRole, key);
    return row;
}

QTreeWidgetItem* addUserRow(QTreeWidget* list, const QString& key, const QString& text) {
    QTreeWidgetItem* row = newUserRow(key, {text});
    list->addTopLevelItem(row);
    return row;
}

QString rowKey(const QTreeWidgetItem* row) { return row->data(0, kKeyRole).toString(); }

void setSubItem(QTreeWidgetItem* row, int index, const QString& text) { row->setText(index, text); }

QString subItem(const QTreeWidgetItem* row, int index) { return row->text(index); }
