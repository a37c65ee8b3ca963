#include "base/UserListModel.h"

#include <algorithm>

int UserListModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : static_cast<int>(rows_.size());
}

int UserListModel::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : static_cast<int>(titles_.size());
}

QVariant UserListModel::data(const QModelIndex& index, int role) const {
    if (!checkIndex(index, CheckIndexOption::IndexIsValid))
        return {};
    if (role == Qt::DisplayRole)
        return text(index.row(), index.column());
    if (role == Qt::ToolTipRole && !rows_[index.row()].toolTip.isEmpty())
        return rows_[index.row()].toolTip;
    return {};
}

QVariant UserListModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (orientation == Qt::Horizontal && role == Qt::DisplayRole && section >= 0 && section < titles_.size())
        return titles_[section];
    return QAbstractTableModel::headerData(section, orientation, role);
}

void UserListModel::setColumns(const QStringList& titles) {
    beginResetModel();
    titles_ = titles;
    endResetModel();
}

void UserListModel::setRows(const QList<QStringList>& rows) {
    beginResetModel();
    rows_.clear();
    rows_.reserve(rows.size());
    for (const QStringList& texts : rows)
        rows_.append({texts, {}});
    endResetModel();
}

void UserListModel::appendRow(const QStringList& texts) {
    const int row = rowCount();
    beginInsertRows({}, row, row);
    rows_.append({texts, {}});
    endInsertRows();
}

void UserListModel::clear() {
    if (rows_.isEmpty())
        return;
    beginResetModel();
    rows_.clear();
    endResetModel();
}

void UserListModel::setTexts(int row, int firstColumn, const QStringList& texts) {
    if (row < 0 || row >= rows_.size() || firstColumn < 0 || texts.isEmpty())
        return;
    QStringList& stored = rows_[row].texts;
    const qsizetype end = firstColumn + texts.size();
    while (stored.size() < end)
        stored.append(QString());
    for (qsizetype i = 0; i < texts.size(); ++i)
        stored[firstColumn + i] = texts[i];
    const int last = std::max(0, std::min(columnCount() - 1, static_cast<int>(end) - 1));
    emit dataChanged(index(row, std::min(firstColumn, last)), index(row, last), {Qt::DisplayRole});
}

void UserListModel::setToolTip(int row, const QString& tip) {
    if (row < 0 || row >= rows_.size())
        return;
    rows_[row].toolTip = tip;
    if (columnCount() > 0)
        emit dataChanged(index(row, 0), index(row, columnCount() - 1), {Qt::ToolTipRole});
}

QString UserListModel::text(int row, int column) const {
    return row >= 0 && row < rows_.size() ? rows_[row].texts.value(column) : QString();
}
