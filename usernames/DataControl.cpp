#include "usernames/DataControl.h"

#include "jet/Error.h"

#include <QFile>

namespace {

constexpr int kObjectNotSet = 91;

}  // namespace

void DataControl::Refresh() {
    recordset_.reset();
    database_.reset();
    auto db = jet::Database::open(QFile::encodeName(DatabaseName).toStdString());
    recordset_ = std::make_unique<jet::Recordset>(db, RecordSource.toStdString());
    database_ = std::move(db);
}

jet::Recordset& DataControl::Recordset() {
    if (!recordset_)
        throw jet::Error(kObjectNotSet, "The user name database is not open.");
    return *recordset_;
}

std::unique_ptr<jet::Recordset> DataControl::openReader() const {
    if (!database_)
        throw jet::Error(kObjectNotSet, "The user name database is not open.");
    return std::make_unique<jet::Recordset>(database_, RecordSource.toStdString());
}

std::array<QString, 4> DataControl::boundTexts() {
    std::array<QString, 4> texts;
    if (!recordset_ || !recordset_->hasCurrent())
        return texts;
    for (std::size_t i = 0; i < kBoundFields.size(); ++i) {
        const jet::Value& v = recordset_->field(kBoundFields[i]);
        if (!v.isNull())
            texts[i] = QString::fromStdString(v.toText());
    }
    return texts;
}
