#pragma once
// The entries of the user name database window's list: computer names in
// alphabetical order (letter case ignored; equal names keep the order they
// came in). Each entry is kept case-folded beside it, so that ordering and
// finding a name (a binary search) never fold it again.
#include <QAbstractListModel>
#include <QStringList>

class ComputerNameList : public QAbstractListModel {
public:
    using QAbstractListModel::QAbstractListModel;

    int rowCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;

    int count() const { return static_cast<int>(names_.size()); }
    const QString& at(int index) const { return names_.at(index); }
    const QStringList& names() const { return names_; }

    // Names in list order with their case-folded forms.
    struct SortedNames {
        QStringList names;
        QStringList folded;
    };
    // `names` in list order, equal ones in the order given; `folded`, when
    // given, holds them case-folded. Touches nothing but its arguments, so
    // that it may run on another thread.
    static SortedNames sorted(QStringList names, QStringList folded = {});

    void clear();
    // Replaces the entries by names already in order.
    void assign(SortedNames entries);
    // Puts `name` at its sorted place, after the entries equal to it; the
    // selection of a view stays on the entry it was on.
    void insert(const QString& name);
    // Removes the first entry equal to `name`, letter case ignored.
    void remove(const QString& name);
    // The index of the first entry equal to `text` as a whole, letter case
    // ignored, or -1 when there is none.
    int findExact(const QString& text) const;

private:
    QStringList names_;
    QStringList folded_;  // each entry case-folded, for ordering and lookup
};
