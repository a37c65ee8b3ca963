#pragma once
// A table opened as a record source for a bound data control: a current
// record moved by MoveFirst/MoveNext/MovePrevious/MoveLast, with BOF and EOF
// positions before the first and after the last record, fields by name, and
// FindFirst. Errors are jet::Error with Jet's numbers: 3021 when there is no
// current record (MoveFirst/MoveLast on an empty table, MoveNext at EOF,
// MovePrevious at BOF, a field read with no current record), 3078 for a
// missing table, 3265 for a missing field. Names are matched without regard to
// letter case.
//
// The write side works as a bound data control's record source: addNew()
// starts a pending new record, setField() changes the pending record or
// starts an edit of the current one, and the pending record is stored by
// update() or by any move (moveFirst/Next/Previous/Last, findFirst). A store
// that is refused raises its error from that call and leaves the pending
// record as it was. Each store is one runStore on the file's path; afterwards
// the record source reads the file again and stays on the stored record.
#include "jet/Database.h"
#include "jet/table/TableCursor.h"

#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace jet {

class Recordset {
public:
    // Opens `table` and positions on its first record (BOF and EOF when empty).
    // Stores need a database opened from a path (Database::open).
    Recordset(std::shared_ptr<const Database> db, std::string_view table);
    // The file at `path`, read with `password` when it is encrypted (see
    // Database::open); the file is read again with it after every store.
    Recordset(const std::string& path, std::string_view table, std::string password = {});
    ~Recordset();

    void moveFirst();
    void moveLast();
    void moveNext();
    void movePrevious();  // at the first record: moves to BOF without an error

    bool bof() const { return position_ == Position::BeforeFirst || empty_; }
    bool eof() const { return position_ == Position::AfterLast || empty_; }
    bool hasCurrent() const { return position_ == Position::OnRecord; }

    const std::vector<ColumnDef>& fields() const { return table_->columns; }
    std::size_t fieldIndex(std::string_view name) const;  // 3265 when missing
    // A field of the current record; the reference holds until the next move.
    const Value& field(std::string_view name);
    const Value& field(std::size_t index);

    // Makes the first record whose field equals `sought` (text compared as Jet
    // does, letter case ignored) current and returns true; when none does,
    // leaves the current record as it was, sets noMatch() and returns false.
    // Goes through an index that starts with the field when one can answer
    // exactly (see IndexSeek.h), else scans the table; the answer is the same.
    bool findFirst(std::string_view fieldName, const Value& sought);
    bool noMatch() const { return noMatch_; }

    // Starts a pending new record, all fields Null (a pending record is stored first).
    void addNew();
    // Drops the pending record; nothing when none is pending.
    void cancelUpdate();
    // Sets a field of the pending record; with none pending, starts an edit of
    // the current record (3021 when there is none).
    void setField(std::string_view name, Value value);
    void setField(std::size_t index, Value value);
    // Stores the pending record (3020 when none is pending).
    void update();
    bool pending() const { return pending_ != Pending::None; }
    // Deletes the current record (dropping a pending one); afterwards there is
    // no current record until a move, which goes from where it was.
    void deleteCurrent();
    // Reads the file again and positions on the first record; drops a pending record.
    void refresh();

    // Where the current record is stored (3021 when there is none).
    RowLocation location() const;
    const TableDef& definition() const { return *table_; }
    const std::string& tableName() const { return name_; }

private:
    enum class Position { BeforeFirst, OnRecord, AfterLast, Deleted };
    enum class Pending { None, New, Edit };
    void storePending(bool always = false);
    void reopen();
    bool moveFromDeleted(bool forward);
    [[noreturn]] void noCurrentRecord() const;
    void settle(bool onRecord, Position otherwise);
    void landOn(bool found);

    std::shared_ptr<const Database> db_;
    std::shared_ptr<const TableDef> table_;
    std::string name_;
    std::string password_;
    std::unique_ptr<TableCursor> cursor_;
    Position position_ = Position::BeforeFirst;
    Pending pending_ = Pending::None;
    bool touched_ = false;         // a field of the pending new record was set
    std::vector<Value> values_;    // the pending record's fields
    RowLocation editing_;          // the record a pending edit changes
    RowLocation deleted_;          // where the deleted record was
    bool empty_ = false;
    bool noMatch_ = false;
};

}  // namespace jet
