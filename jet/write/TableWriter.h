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
// Ravelin does not write (Jet 3, encoded or password-protected files) and
// for a system table, 3164 for a table with a column the writer cannot keep
// as Access keeps it (complex or of an unknown type, calculated without an
// expression) and for a value given to a calculated field, 3163 for text
// longer than its field, 3314 for a Null in a required field, 3315 3316 3317
// for validation (jet/write/TableRules.h), 3162 for Null assigned to a Yes/No
// field (an update's; an insert's Null means "not given", which is No), 3058
// for a Null in a primary key or required index, 3022 for a duplicate in a
// unique index, 3201 and 3200 for relationships (jet/write/Relationships.h),
// 3167 for a row that is gone, 3343 for a data page holding a damaged row,
// 3047 for a row too large for a page.
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
#include <set>
#include <string_view>
#include <vector>

namespace jet {

class IndexUpdate;
class RelationshipRules;
class TableRules;

// Error 3027 when the file's format is one Ravelin does not write. A file
// protected by a password, encoded or encrypted reaches a writer only through
// a store that keeps it so (StoreOptions::protection).
void requireWritable(const DatabaseHeader& header, const std::string& name);

// Whether a writer may write a system table (MSys*, or flagged as one by
// Jet): only the engine's own catalogue code does; anyone else gets 3027.
enum class SystemTables { Refused, Written };

class TableWriter {
public:
    // `copiedFrom`: the table's definition in a database its rows are copied
    // from (compacting); their calculated fields then keep the results the
    // rows give, of the result types it names, instead of being computed,
    // and fields of types Ravelin does not know keep the bytes given, complex
    // fields the keys given.
    TableWriter(PageStore& store, std::string_view table, SystemTables system = SystemTables::Refused,
                const TableDef* copiedFrom = nullptr);
    ~TableWriter();
    TableWriter(const TableWriter&) = delete;
    TableWriter& operator=(const TableWriter&) = delete;

    const TableDef& definition() const { return *def_; }
    const std::string& tableName() const { return name_; }
    // The database as the store holds it now (reopened after every write).
    std::shared_ptr<const Database> database();

    // A new row as Access starts one: each field's DefaultValue, Null where
    // there is none. Callers that add rows start from it.
    std::vector<Value> newRow() const;
    // Whether a default value differs from one new row to the next (Now(), GenGUID()).
    bool defaultsVary() const;
    // `row` holds a value per column (TableDef::columns order); Null where
    // nothing was given. An AutoNumber left Null gets the next number.
    // Calculated fields are computed; the fields' and the table's validation
    // rules are checked (jet/write/TableRules.h).
    RowLocation insert(const std::vector<Value>& row);
    // The same with the keys of some of its indexes given, by real index
    // (TableDef::realIndexes; nothing: encoded as insert does): a copied row
    // brings the source's keys where a field's type is one no key can be
    // encoded for.
    using GivenKeys = std::vector<std::optional<std::vector<std::uint8_t>>>;
    RowLocation insert(const std::vector<Value>& row, const GivenKeys& keys);
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
    // `kept`: by column, the row field of a long value left where it lies.
    using LongFields = std::vector<std::vector<std::uint8_t>>;
    std::vector<std::uint8_t> encode(const std::vector<Value>& row, const LongFields* kept = nullptr);
    std::vector<Value> decode(std::span<const std::uint8_t> rowBytes);
    // Frees the row's long values but those `kept`.
    void freeLongValues(std::span<const std::uint8_t> rowBytes, const LongFields* kept = nullptr);
    void requireSoundMaps();
    // A data page of this table named by one of its maps; 3343 when it is not.
    DataPageWriter ownPage(std::uint32_t number);
    // 3343 naming page `number` when a row on it (or a long value it holds)
    // does not decode: a store never rewrites a page around a damaged row.
    void requireSoundRows(std::uint32_t number, const DataPageWriter& page);
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
    std::uint32_t lastComplexKey_;
    std::optional<std::uint32_t> lastPage_;  // the page the last row went to
    std::set<std::uint32_t> soundPages_;     // data pages found sound or written in this store
    std::unique_ptr<RelationshipRules> rules_;
    std::unique_ptr<TableRules> fieldRules_;
    bool copying_ = false;  // calculated and unknown fields take the values given
    const GivenKeys* givenKeys_ = nullptr;  // while an insert with keys given runs
};

}  // namespace jet
