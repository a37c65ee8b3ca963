#pragma once
// The user list as an item model: one row per user the readers read, its
// texts by column (the computer name first), a tooltip per row, and the
// column titles of the read mode, rows in the order they were read.
#include <QAbstractTableModel>
#include <QList>
#include <QStringList>

class UserListModel : public QAbstractTableModel {
    Q_OBJECT
public:
    using QAbstractTableModel::QAbstractTableModel;

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;

    // New column titles; the rows stay.
    void setColumns(const QStringList& titles);
    // Replaces the rows. A row may hold fewer texts than there are columns:
    // the rest are empty.
    void setRows(const QList<QStringList>& rows);
    void appendRow(const QStringList& texts);
    void clear();

    // Texts from `firstColumn` on in row `row`, as one change.
    void setTexts(int row, int firstColumn, const QStringList& texts);
    void setToolTip(int row, const QString& tip);

    QString text(int row, int column) const;
    QString computerName(int row) const { return text(row, 0); }
    QString toolTip(int row) const { return rows_.value(row).toolTip; }

private:
    struct Row {
        QStringList texts;
        QString toolTip;
    };
    QStringList titles_;
    QList<Row> rows_;
};
