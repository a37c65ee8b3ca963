#pragma once
// Inserts, updates and deletes rows of one table inside a store, keeping what
// Access keeps with the rows: data pages (free space, row counts, deleted and
// moved rows), the table's usage maps, long values, every index of the table
// (through IndexUpdate) and the table definition (row count, the last
// AutoNumber given, the indexes' entry counts).
//
// Every rule is checked before the first page is written, and the store
// abandons everything when an operation throws: a refused operation writes
// nothing (one that cascades to related rows is undone whole when a rule
// refuses on the way). Refusals, with Jet's numbers: 3027 for a format
// Ravelin does not write (Jet 3, encoded or password-protected files), 3164
// for a table with a column the writer cannot keep as Access keeps it
// (calculated, complex or of an unknown type; a calculated one only on
// insert and update), 3163 for text longer than its field, 3314 for a Null in a
// required field, 3162 for Null assigned to a Yes/No field (an update's; an
// insert's Null means "not given", which is No), 3058 for a Null in a
// primary key or required index, 3022 for a duplicate in a unique index,
// 3201 and 3200 for relationships (jet/write/Relationships.h), 3167 for a row
// that is gone, 3047 for a row too large for a page.
//
// Damage is never made worse: before the first change the table's usage maps
// and the global usage map must name no page past the end of the file, and
// every page the writer touches must be of the kind and owner it expects;
// otherwise 3343 and nothing is written.
//
// Space is used again: a row goes to the table's last page or to a page its
// free-space map lists before a new page is taken (jet/write/PageAllocator.h),
// and a data page whose rows are all gone goes back to the file.
#include "jet/Database.h"
#include "jet/Value.h"
#include "jet/table/DataPage.h"
#include "jet/write/DataPageWriter.h"
#include "jet/write/LongValueWriter.h"
#include "jet/store/PageStore.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string_view>
#include <vector>

namespace jet {

class IndexUpdate;
class RelationshipRules;

// Error 3027 when the file's format is one Ravelin does not write.
void requireWritable(const DatabaseHeader& header, const std::string& name);

class TableWriter {
public:
    TableWriter(PageStore& store, std::string_view table);
    ~TableWriter();
    TableWriter(const TableWriter&) = delete;
    TableWriter& operator=(const TableWriter&) = delete;

    const TableDef& definition() const { return *def_; }
    const std::string& tableName() const { return name_; }
    // The database as the store holds it now (reopened after every write).
    std::shared_ptr<const Database> database();

    // `row` holds a value per column (TableDef::columns order); Null where
    // nothing was given. An AutoNumber left Null gets the next number.
    RowLocation insert(const std::vector<Value>& row);
    // Replaces the row at `at` (a live row's place in the table order; it
    // keeps that place even when its bytes move to another page).
    void update(RowLocation at, const std::vector<Value>& row);
    void erase(RowLocation at);
    // The values of the live row at `at` (3167 when there is none).
    std::vector<Value> read(RowLocation at);
    // The first row, in table order, whose field equals `sought` as Jet's "=".
    std::optional<RowLocation> find(std::size_t column, const Value& sought);

private:
    struct Slot;
    Slot locate(RowLocation at);
    std::vector<Value> prepare(const std::vector<Value>& row, const std::vector<Value>* old);
    // A row's key in each index; nothing where the index leaves the row out.
    using Keys = std::vector<std::optional<std::vector<std::uint8_t>>>;
    Keys keysOf(const std::vector<Value>& row) const;
    Keys checkedKeys(const std::vector<Value>& row, const Keys* oldKeys);
    std::vector<std::uint8_t> encode(const std::vector<Value>& row);
    std::vector<Value> decode(std::span<const std::uint8_t> rowBytes);
    void freeLongValues(std::span<const std::uint8_t> rowBytes);
    void requireSoundMaps();
    // A data page of this table named by one of its maps; 3343 when it is not.
    DataPageWriter ownPage(std::uint32_t number);
    std::uint32_t placeRow(std::vector<std::uint8_t> bytes, std::uint16_t flags, std::uint32_t avoid);
    // After rows left page `number`: it goes back to the file when nothing
    // is left on it, else it is listed as having room.
    void rowsLeft(std::uint32_t number, const DataPageWriter& page);
    void writePage(std::uint32_t number, const std::vector<std::uint8_t>& bytes);
    void saveDefinition(int rowDelta, const Keys* before, const Keys* after);
    RelationshipRules& rules();
    // Runs a change that makes related rows follow; undone whole when it fails.
    void cascading(bool follows, const std::function<void()>& change);

    PageStore& store_;
    std::shared_ptr<Database> db_;
    bool stale_ = false;
    std::shared_ptr<const TableDef> def_;
    std::string name_;
    std::vector<std::unique_ptr<IndexUpdate>> indexes_;
    LongValueWriter longValues_;
    std::uint32_t lastAutoNumber_;
    std::optional<std::uint32_t> lastPage_;  // the page the last row went to
    std::unique_ptr<RelationshipRules> rules_;
};

}  // namespace jet
