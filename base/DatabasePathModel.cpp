#include "base/DatabasePathModel.h"

#include <QCollator>
#include <QLocale>

namespace {

// An accented letter sits beside its plain one; letter case is ignored.
const QCollator& pathCollator() {
    static const QCollator collator = [] {
        // The C locale compares code points; the common collation, which
        // English uses unchanged, stands in for it.
        QLocale locale;
        if (locale.language() == QLocale::C)
            locale = QLocale(QLocale::English, QLocale::UnitedStates);
        QCollator c(locale);
        c.setCaseSensitivity(Qt::CaseInsensitive);
        return c;
    }();
    return collator;
}

}  // namespace

int DatabasePathModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : static_cast<int>(entries_.size());
}

QVariant DatabasePathModel::data(const QModelIndex& index, int role) const {
    if (!checkIndex(index, CheckIndexOption::IndexIsValid | CheckIndexOption::ParentIsInvalid))
        return {};
    const Entry& e = entries_[index.row()];
    if (role == Qt::DisplayRole)
        return e.path;
    if (role == kReadBytesRole)
        return e.readBytes;
    return {};
}

int DatabasePathModel::insert(const QString& path, const QByteArray& readBytes) {
    int at = rowCount();
    for (int i = 0; i < rowCount(); ++i) {
        if (pathCollator().compare(entries_[i].path, path) > 0) {
            at = i;
            break;
        }
    }
    beginInsertRows({}, at, at);
    entries_.insert(at, Entry{path, readBytes});
    endInsertRows();
    return at;
}

void DatabasePathModel::remove(int row) {
    if (row < 0 || row >= rowCount())
        return;
    beginRemoveRows({}, row, row);
    entries_.removeAt(row);
    endRemoveRows();
}

void DatabasePathModel::clear() {
    beginResetModel();
    entries_.clear();
    endResetModel();
}

QStringList DatabasePathModel::paths() const {
    QStringList out;
    for (const Entry& e : entries_)
        out << e.path;
    return out;
}
