#pragma once
// Rows of the user list: a key ("Key_1", ...), the computer name as the row's
// text, and sub-items by position.
#include <QString>
#include <QStringList>

class QTreeWidget;
class QTreeWidgetItem;

QTreeWidgetItem* addUserRow(QTreeWidget* list, const QString& key, const QString& text);
// A row not yet in a list, for adding many at once: its text and sub-items.
QTreeWidgetItem* newUserRow(const QString& key, const QStringList& texts);
QString rowKey(const QTreeWidgetItem* row);
// Sub-item `index` (1 and up) of `row`.
void setSubItem(QTreeWidgetItem* row, int index, const QString& text);
QString subItem(const QTreeWidgetItem* row, int index);
