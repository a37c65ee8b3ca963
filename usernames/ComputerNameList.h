#pragma once
// The entries of the user name database window's list: computer names in
// alphabetical order (letter case ignored; equal names keep the order they
// came in), with a hashed index so that finding a name costs the same for ten
// entries or a hundred thousand.
#include <QAbstractListModel>
#include <QHash>
#include <QStringList>

class ComputerNameList : public QAbstractListModel {
public:
    using QAbstractListModel::QAbstractListModel;

    int rowCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;

    int count() const { return static_cast<int>(names_.size()); }
    const QString& at(int index) const { return names_.at(index); }
    const QStringList& names() const { return names_; }

    // Names in list order with their case-folded forms, gathered apart from
    // the list (a long listing merges its names batch by batch).
    struct SortedNames {
        QStringList names;
        QStringList folded;
        // Puts each name of `batch` at its sorted place, after those equal to it.
        void merge(QStringList batch);
    };

    void clear();
    // Puts each name at its sorted place, after the entries equal to it.
    void add(QStringList names);
    // Replaces the entries by names already in order.
    void assign(SortedNames sorted);
    // The index of the first entry equal to `text` as a whole, letter case
    // ignored, or -1 when there is none.
    int findExact(const QString& text) const;

private:
    QStringList names_;
    QStringList folded_;         // each entry case-folded, for ordering and lookup
    QHash<QString, int> first_;  // case-folded name -> index of its first entry
};
