#include "jet/Recordset.h"

#include "jet/Error.h"
#include "jet/index/IndexSeek.h"
#include "jet/store/Store.h"
#include "jet/write/FieldValue.h"
#include "jet/write/TableRules.h"
#include "jet/write/TableWriter.h"

namespace jet {

Recordset::Recordset(std::shared_ptr<const Database> db, std::string_view table)
    : db_(std::move(db)),
      table_(db_->tableDef(table)),
      name_(db_->findTable(table)->name),
      cursor_(std::make_unique<TableCursor>(db_, table_)) {
    settle(cursor_->moveFirst(), Position::AfterLast);
    empty_ = !hasCurrent();
}

Recordset::Recordset(const std::string& path, std::string_view table, std::string password)
    : Recordset(Database::open(path, password), table) {
    password_ = std::move(password);
}

Recordset::~Recordset() = default;

void Recordset::noCurrentRecord() const {
    throw Error(NoCurrentRecord, "No current record in table '" + name_ + "' of '" + db_->name() + "'.");
}

void Recordset::settle(bool onRecord, Position otherwise) {
    position_ = onRecord ? Position::OnRecord : otherwise;
    if (onRecord)
        empty_ = false;
}

// Lands on the record a MoveFirst or MoveLast found; finding none means the
// table is empty.
void Recordset::landOn(bool found) {
    if (!found) {
        position_ = Position::AfterLast;
        empty_ = true;
        noCurrentRecord();
    }
    settle(true, Position::OnRecord);
}

void Recordset::moveFirst() {
    storePending();
    landOn(cursor_->moveFirst());
}

void Recordset::moveLast() {
    storePending();
    landOn(cursor_->moveLast());
}

void Recordset::moveNext() {
    storePending();
    switch (position_) {
    case Position::Deleted: settle(moveFromDeleted(true), Position::AfterLast); return;
    case Position::AfterLast: noCurrentRecord();
    case Position::BeforeFirst: settle(cursor_->moveFirst(), Position::AfterLast); return;
    case Position::OnRecord: settle(cursor_->moveNext(), Position::AfterLast); return;
    }
}

void Recordset::movePrevious() {
    storePending();
    switch (position_) {
    case Position::Deleted: settle(moveFromDeleted(false), Position::BeforeFirst); return;
    case Position::BeforeFirst: noCurrentRecord();
    case Position::AfterLast: settle(cursor_->moveLast(), Position::BeforeFirst); return;
    case Position::OnRecord: settle(cursor_->movePrevious(), Position::BeforeFirst); return;
    }
}

std::size_t Recordset::fieldIndex(std::string_view name) const {
    const ColumnDef* c = table_->findColumn(name);
    if (!c)
        throw Error(FieldNotFound, "Table '" + name_ + "' of '" + db_->name() + "' has no field '" +
                                       std::string(name) + "'.");
    return static_cast<std::size_t>(c - table_->columns.data());
}

const Value& Recordset::field(std::string_view name) { return field(fieldIndex(name)); }

const Value& Recordset::field(std::size_t index) {
    if (index >= table_->columns.size())
        throw Error(FieldNotFound, "Table '" + name_ + "' of '" + db_->name() + "' has no field number " +
                                       std::to_string(index) + ".");
    if (pending())
        return values_[index];
    if (position_ == Position::Deleted)
        throw Error(RecordDeleted, "Record is deleted: the current record of table '" + name_ + "' was deleted.");
    if (!hasCurrent())
        noCurrentRecord();
    return cursor_->values()[index];
}

bool Recordset::findFirst(std::string_view fieldName, const Value& sought) {
    storePending();
    const std::size_t index = fieldIndex(fieldName);
    TableCursor scan(db_, table_);
    Value v;
    const auto found = [&] {
        settle(cursor_->moveTo(scan.location()), Position::AfterLast);
        noMatch_ = false;
        return true;
    };
    // Through an index when one can answer: its candidates hold every equal
    // row, and the first of them in table order that really is equal is the
    // row the scan below would stop at.
    if (const auto candidates = indexCandidates(db_, table_, index, sought)) {
        for (const RowLocation at : *candidates) {
            if (!scan.moveTo(at))
                continue;
            scan.readValue(index, v);
            if (jetEquals(v, sought))
                return found();
        }
        noMatch_ = true;
        return false;
    }
    for (bool more = scan.moveFirst(); more; more = scan.moveNext()) {
        scan.readValue(index, v);
        if (jetEquals(v, sought))
            return found();
    }
    noMatch_ = true;
    return false;
}

void Recordset::addNew() {
    storePending();
    pending_ = Pending::New;
    touched_ = false;
    // As Access starts a new record: each field's default value, shown before anything is typed.
    const CatalogEntry* entry = db_->findTable(name_);
    values_ = entry ? TableRules(*table_, name_, db_->properties(*entry)).newRow()
                    : std::vector<Value>(table_->columns.size());
}

void Recordset::cancelUpdate() {
    pending_ = Pending::None;
    values_.clear();
}

void Recordset::setField(std::string_view name, Value value) { setField(fieldIndex(name), std::move(value)); }

void Recordset::setField(std::size_t index, Value value) {
    if (index >= table_->columns.size())
        throw Error(FieldNotFound, "Table '" + name_ + "' of '" + db_->name() + "' has no field number " +
                                       std::to_string(index) + ".");
    requireAssignable(table_->columns[index], value);
    if (!pending()) {
        if (!hasCurrent())
            noCurrentRecord();
        values_ = cursor_->values();
        editing_ = cursor_->location();
        pending_ = Pending::Edit;
    }
    values_[index] = std::move(value);
    touched_ = true;
}

void Recordset::update() {
    if (!pending())
        throw Error(NoEditPending, "Update or CancelUpdate without AddNew or Edit (table '" + name_ + "').");
    storePending(true);
}

// Stores the pending record and stays on it. A new record nothing was set in
// is dropped by a move, as a bound data control drops it; update() stores it.
void Recordset::storePending(bool always) {
    if (!pending())
        return;
    if (pending_ == Pending::New && !touched_ && !always) {
        cancelUpdate();
        return;
    }
    if (db_->path().empty())
        throw Error(ReadOnlyDatabase, "Cannot update. Database or object is read-only. ('" + db_->name() +
                                  "' was not opened from a file.)");
    RowLocation stored = editing_;
    runStore(db_->path(), [&](PageStore& pages) {
        TableWriter writer(pages, name_);
        if (pending_ == Pending::New)
            stored = writer.insert(values_);
        else
            writer.update(editing_, values_);
    });
    cancelUpdate();
    reopen();
    settle(cursor_->moveTo(stored), Position::AfterLast);
}

void Recordset::deleteCurrent() {
    cancelUpdate();
    if (!hasCurrent())
        noCurrentRecord();
    if (db_->path().empty())
        throw Error(ReadOnlyDatabase, "Cannot update. Database or object is read-only. ('" + db_->name() +
                                  "' was not opened from a file.)");
    const RowLocation at = cursor_->location();
    runStore(db_->path(), [&](PageStore& pages) { TableWriter(pages, name_).erase(at); });
    reopen();
    deleted_ = at;
    position_ = Position::Deleted;
}

void Recordset::refresh() {
    cancelUpdate();
    reopen();
    settle(cursor_->moveFirst(), Position::AfterLast);
    empty_ = !hasCurrent();
}

// Reads the file as it is now: a store or another program may have changed it.
void Recordset::reopen() {
    if (!db_->path().empty())
        db_ = Database::open(db_->path(), password_);
    table_ = db_->tableDef(name_);
    cursor_ = std::make_unique<TableCursor>(db_, table_);
    noMatch_ = false;
}

// The record after (or before) the place of the deleted record, in table order.
bool Recordset::moveFromDeleted(bool forward) {
    const auto before = [](RowLocation a, RowLocation b) { return a.page < b.page || (a.page == b.page && a.row < b.row); };
    if (forward) {
        for (bool more = cursor_->moveFirst(); more; more = cursor_->moveNext())
            if (before(deleted_, cursor_->location()))
                return true;
        return false;
    }
    for (bool more = cursor_->moveLast(); more; more = cursor_->movePrevious())
        if (before(cursor_->location(), deleted_))
            return true;
    return false;
}

RowLocation Recordset::location() const {
    if (!hasCurrent())
        noCurrentRecord();
    return cursor_->location();
}

}  // namespace jet
