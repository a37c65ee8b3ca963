#include "usernames/ComputerNameList.h"

#include <algorithm>
#include <numeric>
#include <vector>

int ComputerNameList::rowCount(const QModelIndex& parent) const { return parent.isValid() ? 0 : count(); }

QVariant ComputerNameList::data(const QModelIndex& index, int role) const {
    if (!index.isValid() || index.row() >= count() || (role != Qt::DisplayRole && role != Qt::ToolTipRole))
        return {};
    return names_.at(index.row());
}

void ComputerNameList::clear() {
    beginResetModel();
    names_.clear();
    folded_.clear();
    first_.clear();
    endResetModel();
}

// Names are ordered by their case-folded form, compared character by
// character: the order of a comparison that ignores letter case, at the cost
// of folding each name once rather than in every comparison.
void ComputerNameList::SortedNames::merge(QStringList batch) {
    if (batch.isEmpty())
        return;
    QStringList batchFolded;
    batchFolded.reserve(batch.size());
    for (const QString& n : batch)
        batchFolded << n.toCaseFolded();
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

void ComputerNameList::add(QStringList names) {
    if (names.isEmpty())
        return;
    SortedNames all{std::move(names_), std::move(folded_)};
    all.merge(std::move(names));
    assign(std::move(all));
}

void ComputerNameList::assign(SortedNames sorted) {
    beginResetModel();
    names_ = std::move(sorted.names);
    folded_ = std::move(sorted.folded);
    first_.clear();
    first_.reserve(names_.size());
    // From the last entry back, so that of equal names the first one stays.
    for (qsizetype k = names_.size() - 1; k >= 0; --k)
        first_.insert(folded_.at(k), static_cast<int>(k));
    endResetModel();
}

int ComputerNameList::findExact(const QString& text) const { return first_.value(text.toCaseFolded(), -1); }
