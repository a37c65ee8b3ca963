#pragma once
// The database path list as an item model: paths sorted as the locale sorts
// words, letter case ignored, each with the bytes it was read from so that an
// unchanged entry is written back as it was.
#include <QAbstractListModel>
#include <QByteArray>
#include <QStringList>

class DatabasePathModel : public QAbstractListModel {
    Q_OBJECT
public:
    // The bytes an entry was read from (empty for an entry the user added).
    static constexpr int kReadBytesRole = Qt::UserRole + 1;

    using QAbstractListModel::QAbstractListModel;

    int rowCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;

    // Inserts `path` at its place; equal entries keep the order they came in.
    // Returns its row.
    int insert(const QString& path, const QByteArray& readBytes = {});
    void remove(int row);
    void clear();

    QString path(int row) const { return entries_.value(row).path; }
    QByteArray readBytes(int row) const { return entries_.value(row).readBytes; }
    QStringList paths() const;

private:
    struct Entry {
        QString path;
        QByteArray readBytes;
    };
    QList<Entry> entries_;
};
