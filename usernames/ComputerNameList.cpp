#include "usernames/ComputerNameList.h"

#include "usernames/ReleaseInBackground.h"

#include <algorithm>
#include <numeric>
#include <vector>

int ComputerNameList::rowCount(const QModelIndex& parent) const { return parent.isValid() ? 0 : count(); }

QVariant ComputerNameList::data(const QModelIndex& index, int role) const {
    if (!index.isValid() || index.row() >= count() || (role != Qt::DisplayRole && role != Qt::ToolTipRole))
        return {};
    return names_.at(index.row());
}

void ComputerNameList::clear() { assign({}); }

// Names are ordered by their case-folded form, compared character by
// character: the order of a comparison that ignores letter case, at the cost
// of folding each name once rather than in every comparison.
ComputerNameList::SortedNames ComputerNameList::sorted(QStringList names, QStringList folded) {
    if (folded.size() != names.size()) {
        folded.clear();
        folded.reserve(names.size());
        for (const QString& n : names)
            folded << n.toCaseFolded();
    }
    std::vector<qsizetype> order(static_cast<std::size_t>(names.size()));
    std::iota(order.begin(), order.end(), 0);
    std::stable_sort(order.begin(), order.end(),
                     [&](qsizetype a, qsizetype b) { return folded.at(a) < folded.at(b); });
    SortedNames out;
    out.names.reserve(names.size());
    out.folded.reserve(names.size());
    for (const qsizetype i : order) {
        out.names << std::move(names[i]);
        out.folded << std::move(folded[i]);
    }
    return out;
}

void ComputerNameList::assign(SortedNames entries) {
    beginResetModel();
    releaseInBackground(std::exchange(names_, std::move(entries.names)));
    releaseInBackground(std::exchange(folded_, std::move(entries.folded)));
    endResetModel();
}

void ComputerNameList::insert(const QString& name) {
    const QString folded = name.toCaseFolded();
    const auto at = static_cast<int>(std::upper_bound(folded_.cbegin(), folded_.cend(), folded) - folded_.cbegin());
    beginInsertRows({}, at, at);
    names_.insert(at, name);
    folded_.insert(at, folded);
    endInsertRows();
}

void ComputerNameList::remove(const QString& name) {
    const int at = findExact(name);
    if (at < 0)
        return;
    beginRemoveRows({}, at, at);
    names_.removeAt(at);
    folded_.removeAt(at);
    endRemoveRows();
}

int ComputerNameList::findExact(const QString& text) const {
    const QString folded = text.toCaseFolded();
    const auto at = std::lower_bound(folded_.cbegin(), folded_.cend(), folded);
    return at != folded_.cend() && *at == folded ? static_cast<int>(at - folded_.cbegin()) : -1;
}
