#pragma once
// Inserts, updates and deletes rows of one table inside a store, keeping what
// Access keeps with the rows: data pages (free space, row counts, deleted and
// moved rows), the table's usage maps, long values, every index of the table
// (through IndexUpdate) and the table definition (row count, the last
// AutoNumber given, the indexes' entry counts).
//
// Every rule is checked before the first page is written, and the store
// abandons everything when an operation throws: a refused operation writes
// nothing. Refusals, with Jet's numbers: 3027 for a format Ravelin does not
// write (Jet 3, encoded or password-protected files, ACE after 12), 3163 for
// text longer than its field, 3314 for a Null in a required field, 3022 for
// a duplicate in a unique index, 3167 for a row that is gone, 3047 for a row
// too large for a page.
#include "jet/Database.h"
#include "jet/Value.h"
#include "jet/table/DataPage.h"
#include "jet/write/LongValueWriter.h"
#include "jet/write/PageStore.h"

#include <cstdint>
#include <memory>
#include <optional>
#include <string_view>
#include <vector>

namespace jet {

class IndexUpdate;

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
    std::uint32_t placeRow(std::vector<std::uint8_t> bytes, std::uint16_t flags, std::uint32_t avoid);
    void writePage(std::uint32_t number, const std::vector<std::uint8_t>& bytes);
    void saveDefinition(int rowDelta, const Keys* before, const Keys* after);

    PageStore& store_;
    std::shared_ptr<Database> db_;
    bool stale_ = false;
    std::shared_ptr<const TableDef> def_;
    std::string name_;
    std::vector<std::unique_ptr<IndexUpdate>> indexes_;
    LongValueWriter longValues_;
    std::uint32_t lastAutoNumber_;
    std::optional<std::uint32_t> lastPage_;  // the table's last data page, once known
};

}  // namespace jet
