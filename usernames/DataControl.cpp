#include "usernames/DataControl.h"

#include "base/AppError.h"
#include "jet/Error.h"

#include <QFile>

std::string DataControl::path() const { return QFile::encodeName(DatabaseName).toStdString(); }

void DataControl::Refresh() {
    recordset_.reset();
    recordset_ = std::make_unique<jet::Recordset>(path(), RecordSource.toStdString(), Password.toStdString());
}

jet::Recordset& DataControl::Recordset() {
    if (!recordset_)
        throw jet::Error(kErrObjectNotSet, "The user name database is not open.");
    return *recordset_;
}

std::unique_ptr<jet::Recordset> DataControl::openReader() const {
    if (!recordset_)
        throw jet::Error(kErrObjectNotSet, "The user name database is not open.");
    return std::make_unique<jet::Recordset>(path(), RecordSource.toStdString(), Password.toStdString());
}

bool DataControl::tableEmpty() const { return !openReader()->hasCurrent(); }

void DataControl::movePrevious() {
    jet::Recordset& rs = Recordset();
    rs.movePrevious();
    if (rs.bof() && !rs.eof())
        rs.moveFirst();
}

void DataControl::cancelUpdate() {
    if (recordset_)
        recordset_->cancelUpdate();
}

RecordTexts DataControl::textsOf(jet::Recordset& rs) {
    RecordTexts texts;
    for (std::size_t i = 0; i < kBoundFields.size(); ++i) {
        const jet::Value& v = rs.field(kBoundFields[i]);
        if (!v.isNull())
            texts[i] = QString::fromStdString(v.toText());
    }
    return texts;
}

// Null equals nothing in a search, so a record without a name is looked for
// record by record, as is any but the first of a name.
bool DataControl::findComputerName(jet::Recordset& rs, const QString& name, int skip) {
    if (!name.isEmpty() && skip == 0)
        return rs.findFirst(kBoundFields[0], jet::Value::text(name.toStdString()));
    const QString folded = name.toCaseFolded();
    for (rs.moveFirst(); !rs.eof(); rs.moveNext()) {
        const jet::Value& v = rs.field(kBoundFields[0]);
        const QString text = v.isNull() ? QString() : QString::fromStdString(v.toText());
        if (text.toCaseFolded() == folded && skip-- == 0)
            return true;
    }
    return false;
}

RecordTexts DataControl::boundTexts() {
    if (!recordset_ || (!recordset_->hasCurrent() && !recordset_->pending()))
        return {};
    return textsOf(*recordset_);
}
