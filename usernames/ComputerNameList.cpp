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
void ComputerNameList::SortedNames::merge(QStringList batch, QStringList batchFolded) {
    if (batch.isEmpty())
        return;
    if (batchFolded.size() != batch.size()) {
        batchFolded.clear();
        batchFolded.reserve(batch.size());
        for (const QString& n : batch)
            batchFolded << n.toCaseFolded();
    }
    std::vector<qsizetype> order(static_cast<std::size_t>(batch.size()));
    std::iota(order.begin(), order.end(), 0);
    std::stable_sort(order.begin(), order.end(),
                     [&](qsizetype a, qsizetype b) { return batchFolded.at(a) < batchFolded.at(b); });

    // Names already held come first among equals.
    QStringList mergedNames;
    QStringList mergedFolded;
    mergedNames.reserve(names.size() + batch.size());
    mergedFolded.reserve(names.size() + batch.size());
    qsizetype i = 0;
    std::size_t j = 0;
    while (i < names.size() || j < order.size()) {
        if (j == order.size() || (i < names.size() && !(batchFolded.at(order[j]) < folded.at(i)))) {
            mergedNames << std::move(names[i]);
            mergedFolded << std::move(folded[i]);
            ++i;
        } else {
            mergedNames << std::move(batch[order[j]]);
            mergedFolded << std::move(batchFolded[order[j]]);
            ++j;
        }
    }
    names = std::move(mergedNames);
    folded = std::move(mergedFolded);
}

void ComputerNameList::assign(SortedNames sorted) {
    beginResetModel();
    releaseInBackground(std::exchange(names_, std::move(sorted.names)));
    releaseInBackground(std::exchange(folded_, std::move(sorted.folded)));
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
