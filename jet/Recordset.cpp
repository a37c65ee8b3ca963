#include "jet/Recordset.h"

#include "jet/Error.h"
#include "jet/index/IndexSeek.h"

namespace jet {

Recordset::Recordset(std::shared_ptr<const Database> db, std::string_view table)
    : db_(std::move(db)),
      table_(db_->tableDef(table)),
      name_(db_->findTable(table)->name),
      cursor_(db_, table_) {
    settle(cursor_.moveFirst(), Position::AfterLast);
    empty_ = !hasCurrent();
}

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

void Recordset::moveFirst() { landOn(cursor_.moveFirst()); }

void Recordset::moveLast() { landOn(cursor_.moveLast()); }

void Recordset::moveNext() {
    switch (position_) {
    case Position::AfterLast: noCurrentRecord();
    case Position::BeforeFirst: settle(cursor_.moveFirst(), Position::AfterLast); return;
    case Position::OnRecord: settle(cursor_.moveNext(), Position::AfterLast); return;
    }
}

void Recordset::movePrevious() {
    switch (position_) {
    case Position::BeforeFirst: noCurrentRecord();
    case Position::AfterLast: settle(cursor_.moveLast(), Position::BeforeFirst); return;
    case Position::OnRecord: settle(cursor_.movePrevious(), Position::BeforeFirst); return;
    }
}

long Recordset::recordCount() {
    if (count_ < 0) {
        TableCursor counter(db_, table_);
        long n = 0;
        for (bool more = counter.moveFirst(); more; more = counter.moveNext())
            ++n;
        count_ = n;
    }
    return count_;
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
    if (!hasCurrent())
        noCurrentRecord();
    return cursor_.values()[index];
}

bool Recordset::findFirst(std::string_view fieldName, const Value& sought) {
    const std::size_t index = fieldIndex(fieldName);
    TableCursor scan(db_, table_);
    Value v;
    const auto found = [&] {
        settle(cursor_.moveTo(scan.location()), Position::AfterLast);
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

RowLocation Recordset::location() const {
    if (!hasCurrent())
        noCurrentRecord();
    return cursor_.location();
}

}  // namespace jet
