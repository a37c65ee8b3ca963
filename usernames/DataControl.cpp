#include "usernames/DataControl.h"

#include "jet/Error.h"
#include "jet/write/Store.h"
#include "jet/write/TableWriter.h"

#include <QFile>

namespace {

constexpr int kObjectNotSet = 91;

[[noreturn]] void notOpen() { throw jet::Error(kObjectNotSet, "The user name database is not open."); }

}  // namespace

std::string DataControl::path() const { return QFile::encodeName(DatabaseName).toStdString(); }

void DataControl::Refresh() {
    pending_.reset();
    recordset_.reset();
    database_.reset();
    reopen();
}

void DataControl::reopen() {
    recordset_.reset();
    auto db = jet::Database::open(path());
    recordset_ = std::make_unique<jet::Recordset>(db, RecordSource.toStdString());
    database_ = std::move(db);
}

jet::Recordset& DataControl::Recordset() {
    if (!recordset_)
        notOpen();
    return *recordset_;
}

std::unique_ptr<jet::Recordset> DataControl::openReader() const {
    if (!database_)
        notOpen();
    return std::make_unique<jet::Recordset>(database_, RecordSource.toStdString());
}

std::vector<jet::Value> DataControl::rowFor(const Pending& p, const jet::TableDef& def,
                                            const std::vector<jet::Value>* old) const {
    std::vector<jet::Value> row = old ? *old : std::vector<jet::Value>(def.columns.size());
    for (std::size_t i = 0; i < kBoundFields.size(); ++i) {
        const jet::ColumnDef* c = def.findColumn(kBoundFields[i]);
        if (!c)
            throw jet::Error(jet::FieldNotFound, std::string("The table has no field '") + kBoundFields[i] + "'.");
        row[static_cast<std::size_t>(c - def.columns.data())] = p.values[i];
    }
    return row;
}

bool DataControl::storePending() {
    if (!pending_)
        return false;
    Recordset();
    jet::runStore(path(), [&](jet::PageStore& pages) {
        jet::TableWriter writer(pages, RecordSource.toStdString());
        if (pending_->at) {
            const std::vector<jet::Value> old = writer.read(*pending_->at);
            writer.update(*pending_->at, rowFor(*pending_, writer.definition(), &old));
        } else {
            writer.insert(rowFor(*pending_, writer.definition(), nullptr));
        }
    });
    pending_.reset();
    // The file changed under the open recordset: read it anew.
    reopen();
    return true;
}

void DataControl::moveFirst() {
    storePending();
    Recordset().moveFirst();
}

void DataControl::moveLast() {
    storePending();
    Recordset().moveLast();
}

// After a store the recordset is reopened; a relative move then starts from
// the stored record, found again by its computer name.
void DataControl::moveNext() {
    const std::optional<jet::Value> from =
        pending_ && recordset_ && recordset_->hasCurrent() ? std::optional(pending_->values[0]) : std::nullopt;
    if (storePending() && from)
        recordset_->findFirst(kBoundFields[0], *from);
    Recordset().moveNext();
}

void DataControl::movePrevious() {
    const std::optional<jet::Value> from =
        pending_ && recordset_ && recordset_->hasCurrent() ? std::optional(pending_->values[0]) : std::nullopt;
    if (storePending() && from)
        recordset_->findFirst(kBoundFields[0], *from);
    jet::Recordset& rs = Recordset();
    rs.movePrevious();
    if (rs.bof() && !rs.eof())
        rs.moveFirst();
}

bool DataControl::findFirst(const char* field, const jet::Value& sought) {
    storePending();
    return Recordset().findFirst(field, sought);
}

long DataControl::recordCount() { return Recordset().recordCount(); }

void DataControl::addNew() {
    Recordset();
    pending_ = Pending{};
}

void DataControl::cancelUpdate() { pending_.reset(); }

void DataControl::setField(std::size_t index, const jet::Value& value) {
    jet::Recordset& rs = Recordset();
    if (!pending_) {
        if (!rs.hasCurrent())
            throw jet::Error(jet::NoCurrentRecord, "There is no current record to change.");
        Pending edit{rs.location(), {}};
        for (std::size_t i = 0; i < kBoundFields.size(); ++i)
            edit.values[i] = rs.field(kBoundFields[i]);
        pending_ = std::move(edit);
    }
    pending_->values.at(index) = value;
}

void DataControl::deleteCurrent() {
    jet::Recordset& rs = Recordset();
    const jet::RowLocation at = rs.location();
    pending_.reset();
    jet::runStore(path(), [&](jet::PageStore& pages) {
        jet::TableWriter writer(pages, RecordSource.toStdString());
        writer.erase(at);
    });
    reopen();
}

std::array<QString, 4> DataControl::boundTexts() {
    std::array<QString, 4> texts;
    for (std::size_t i = 0; i < kBoundFields.size(); ++i) {
        const jet::Value* v = nullptr;
        if (pending_)
            v = &pending_->values[i];
        else if (recordset_ && recordset_->hasCurrent())
            v = &recordset_->field(kBoundFields[i]);
        if (v && !v->isNull())
            texts[i] = QString::fromStdString(v->toText());
    }
    return texts;
}
