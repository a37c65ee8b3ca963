#include "usernames/ComputerNameList.h"

#include <algorithm>
#include <iterator>

namespace {

bool before(const QString& a, const QString& b) { return QString::compare(a, b, Qt::CaseInsensitive) < 0; }

}  // namespace

int ComputerNameList::rowCount(const QModelIndex& parent) const { return parent.isValid() ? 0 : count(); }

QVariant ComputerNameList::data(const QModelIndex& index, int role) const {
    if (!index.isValid() || index.row() >= count() || (role != Qt::DisplayRole && role != Qt::ToolTipRole))
        return {};
    return names_.at(index.row());
}

void ComputerNameList::clear() {
    beginResetModel();
    names_.clear();
    first_.clear();
    endResetModel();
}

void ComputerNameList::add(QStringList names) {
    if (names.isEmpty())
        return;
    std::stable_sort(names.begin(), names.end(), before);
    QStringList merged;
    merged.reserve(names_.size() + names.size());
    // Equal names: those already listed come first.
    std::merge(names_.cbegin(), names_.cend(), names.cbegin(), names.cend(), std::back_inserter(merged), before);

    beginResetModel();
    names_ = std::move(merged);
    first_.clear();
    first_.reserve(names_.size());
    // From the last entry back, so that of equal names the first one stays.
    for (int i = count() - 1; i >= 0; --i)
        first_.insert(names_.at(i).toCaseFolded(), i);
    endResetModel();
}

int ComputerNameList::findExact(const QString& text) const { return first_.value(text.toCaseFolded(), -1); }
