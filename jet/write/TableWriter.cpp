#include "jet/write/TableWriter.h"

#include "jet/Error.h"
#include "jet/page/Coding.h"
#include "jet/table/ColumnProperties.h"
#include "jet/table/ColumnType.h"
#include "jet/table/RowDecoder.h"
#include "jet/table/TableCursor.h"
#include "jet/write/DataPageWriter.h"
#include "jet/write/FieldValue.h"
#include "jet/write/IndexUpdate.h"
#include "jet/write/PageAllocator.h"
#include "jet/write/Relationships.h"
#include "jet/write/RowEncoder.h"
#include "jet/write/StoreSource.h"
#include "jet/write/TableRules.h"
#include "jet/write/UsageMapWriter.h"

#include <algorithm>
#include <random>

namespace jet {
namespace {

// Pages of the free-space map looked at for a row before a new page is taken.
constexpr std::size_t kListedLooked = 8;

[[noreturn]] void damaged(const std::string& name, const std::string& what) {
    throw databaseDamaged(name, what);
}

void setU32(std::vector<std::uint8_t>& page, std::size_t at, std::uint32_t v) { writeU32(&page[at], v); }

// The row field of each long-value column present in a Jet 4 row, by column.
std::vector<std::span<const std::uint8_t>> longFields(const TableDef& t, std::span<const std::uint8_t> row) {
    std::vector<std::span<const std::uint8_t>> fields(t.columns.size());
    if (row.size() < 2 || t.varColumnCount == 0)
        return fields;
    const std::size_t columns = readU16(row.data());
    const std::size_t maskAt = row.size() - std::min(row.size(), (columns + 7) / 8);
    if (maskAt < 4)
        return fields;
    const std::size_t varCount = readU16(&row[maskAt - 2]);
    if (maskAt < 4 + 2 * varCount)
        return fields;
    const auto entry = [&](std::size_t k) -> std::size_t { return readU16(&row[maskAt - 4 - 2 * k]); };
    for (std::size_t n = 0; n < t.columns.size(); ++n) {
        const ColumnDef& c = t.columns[n];
        if (!isLongValue(c.type) || c.number >= columns || !((row[maskAt + c.number / 8] >> (c.number % 8)) & 1) ||
            c.varIndex >= varCount)
            continue;
        const std::size_t start = entry(c.varIndex), end = entry(c.varIndex + 1u);
        if (start <= end && end <= maskAt)
            fields[n] = row.subspan(start, end - start);
    }
    return fields;
}

bool sameLongValue(const Value& a, const Value& b) {
    if (a.kind() != b.kind())
        return false;
    if (a.kind() == Value::Kind::Text)
        return a.text() == b.text();
    return a.kind() == Value::Kind::Binary && std::ranges::equal(a.bytes(), b.bytes());
}

GuidBytes randomGuid() {
    static std::random_device device;
    std::mt19937_64 gen(device());
    GuidBytes g;
    for (auto& b : g)
        b = static_cast<std::uint8_t>(gen());
    g[7] = static_cast<std::uint8_t>((g[7] & 0x0F) | 0x40);  // version 4, stored little endian
    g[8] = static_cast<std::uint8_t>((g[8] & 0x3F) | 0x80);
    return g;
}

}  // namespace

void requireWritable(const DatabaseHeader& header, const std::string& name) {
    const Version v = header.format.version;
    const char* why = nullptr;
    if (v == Version::Jet3)
        why = "it is an Access 97 (Jet 3) file";
    else if (header.format.workgroup)
        why = "it is a workgroup information file";
    if (why)
        throw Error(ReadOnlyDatabase, "Cannot update. Database or object is read-only. ('" + name + "': " + why + ".)");
}

// Error 3164 unless every column of `table` can be written as Access would
// write it. A calculated column needs its expression (a deleted row takes
// its result with it and a copied row brings its own, so `erasing` allows
// one without); a complex
// column's values live in a table of their own that the writer does not keep
// (a copied row brings its key, and the copy that table's rows);
// a column of a type Ravelin does not know cannot even be carried over,
// but for its bytes as a copied row gives them (`copying`). A
// row is refused even when it leaves such a column Null: Access would store
// a result, or values elsewhere, that the writer cannot make.
void requireWritableColumns(const TableDef& table, const std::string& name, bool erasing, const TableRules& rules,
                            bool copying = false) {
    for (std::size_t n = 0; n < table.columns.size(); ++n) {
        const ColumnDef& c = table.columns[n];
        std::string why;
        if (!knownType(c.type) && !copying && c.type != static_cast<std::uint8_t>(ColumnType::AccessObjectData))
            why = "is of a type Ravelin does not know (" + typeCode(c.type) + ")";
        else if (c.type == static_cast<std::uint8_t>(ColumnType::Complex) && !copying)
            why = "is an attachment, multi-valued or version history field, whose values Access keeps in a table of "
                  "their own";
        else if (c.calculated && !erasing && !copying && !rules.computes(n))
            why = "is calculated, and its table's properties hold no expression for it";
        if (!why.empty())
            throw Error(FieldNotUpdatable, "Field cannot be updated. (Table '" + name + "' cannot be written: field '" +
                                               c.name + "' " + why + ".)");
    }
}

struct TableWriter::Slot {
    std::uint32_t pageNumber = 0;
    std::uint16_t row = 0;
    DataPageWriter page;
    std::optional<RowLocation> target;  // where a moved row's bytes are
    std::optional<DataPageWriter> targetPage;
    std::vector<std::uint8_t> bytes;    // the row's own bytes, wherever they are
};

TableWriter::TableWriter(PageStore& store, std::string_view table, SystemTables system, const TableDef* copiedFrom)
    : store_(store), db_(openStoreDatabase(store)), longValues_(store), copying_(copiedFrom != nullptr) {
    requireWritable(db_->header(), store.name());
    auto def = std::make_shared<TableDef>(*db_->tableDef(table));
    const CatalogEntry& entry = *db_->findTable(table);
    // The catalogue and Jet's other tables keep the database whole: a row
    // written there by hand can hide a table or point beyond the file.
    if (entry.system && system == SystemTables::Refused)
        throw Error(ReadOnlyDatabase, "Cannot update. Database or object is read-only. ('" + entry.name +
                                          "' is a system table, which only the database engine writes.)");
    const auto properties = db_->properties(entry);
    applyColumnProperties(*def, properties);
    if (copiedFrom)
        for (ColumnDef& c : def->columns)
            if (const ColumnDef* from = copiedFrom->findColumn(c.name); from && c.calculated)
                c.resultType = from->valueType();
    def_ = def;
    name_ = entry.name;
    fieldRules_ = std::make_unique<TableRules>(*def_, name_, properties);
    lastAutoNumber_ = def_->nextAutoNumber;
    lastComplexKey_ = def_->lastComplexKey;
    for (std::size_t i = 0; i < def_->realIndexes.size(); ++i)
        indexes_.push_back(std::make_unique<IndexUpdate>(store_, *def_, i));
    requireSoundMaps();
}

// A file cut short (or otherwise damaged) shows in the maps: a table's map,
// or the global map, that counts pages past the end of the file.
void TableWriter::requireSoundMaps() {
    requireWholeGlobalMap(store_);
    const auto inside = [&](std::uint32_t pointer, const std::string& what) {
        if (const auto last = pointer ? lastNamedPage(store_, pointer) : std::nullopt; last && *last >= store_.pageCount())
            damaged(store_.name(), what + " of table '" + name_ + "' names page " + std::to_string(*last) +
                                       ", past the end of the file");
    };
    inside(def_->usedPagesPointer, "the usage map");
    inside(def_->freePagesPointer, "the free-space map");
    for (const RealIndex& index : def_->realIndexes)
        inside(index.usageMapPointer, "an index's usage map");
}

RelationshipRules& TableWriter::rules() {
    if (!rules_)
        rules_ = std::make_unique<RelationshipRules>(store_, *this);
    return *rules_;
}

TableWriter::~TableWriter() = default;

std::vector<Value> TableWriter::newRow() const { return fieldRules_->newRow(); }
bool TableWriter::defaultsVary() const { return fieldRules_->defaultsVary(); }

std::shared_ptr<const Database> TableWriter::database() {
    if (stale_) {
        db_ = openStoreDatabase(store_);
        stale_ = false;
    }
    return db_;
}

void TableWriter::writePage(std::uint32_t number, const std::vector<std::uint8_t>& bytes) {
    store_.write(number, bytes);
    soundPages_.insert(number);
    stale_ = true;
}

void TableWriter::requireSoundRows(std::uint32_t number, const DataPageWriter& page) {
    if (soundPages_.count(number))
        return;
    for (std::size_t n = 0; n < page.rowCount(); ++n) {
        const RowImage& r = page.row(n);
        if ((r.flags & kRowMoved) || r.bytes.empty())
            continue;  // a pointer to a row elsewhere (checked where it points), or a deleted row
        try {
            decode(r.bytes);
        } catch (const Error&) {
            damaged(store_.name(), "row " + std::to_string(n) + " of data page " + std::to_string(number) +
                                       " of table '" + name_ + "' cannot be read");
        }
    }
    soundPages_.insert(number);
}

std::vector<Value> TableWriter::decode(std::span<const std::uint8_t> rowBytes) {
    const auto db = database();
    RowDecoder decoder(db->pager(), false, *def_, db->textDecoder());
    std::vector<Value> values;
    decoder.decode(rowBytes, values);
    return values;
}

TableWriter::Slot TableWriter::locate(RowLocation at) {
    const auto gone = [&] {
        throw Error(RecordDeleted, "Record is deleted: table '" + name_ + "' has no row at page " +
                                       std::to_string(at.page) + ", row " + std::to_string(at.row) + ".");
    };
    if (at.page == 0 || at.page >= store_.pageCount())
        gone();
    auto page = DataPageWriter::parse(store_.read(at.page));
    if (!page || page->owner() != def_->page || at.row >= page->rowCount())
        gone();
    requireSoundRows(at.page, *page);
    Slot s{at.page, at.row, std::move(*page), {}, {}, {}};
    const RowImage& r = s.page.row(at.row);
    if (r.flags & kRowDeleted)
        gone();
    if (!(r.flags & kRowMoved)) {
        s.bytes = r.bytes;
        return s;
    }
    if (r.bytes.size() < 4)
        damaged(store_.name(), "a moved row on page " + std::to_string(at.page) + " has no pointer");
    s.target = rowPointer(readU32(r.bytes.data()));
    if (s.target->page == at.page)
        damaged(store_.name(), "a moved row on page " + std::to_string(at.page) + " points to its own page");
    if (s.target->page == 0 || s.target->page >= store_.pageCount())
        damaged(store_.name(), "a moved row points beyond the file");
    s.targetPage = DataPageWriter::parse(store_.read(s.target->page));
    if (!s.targetPage || s.target->row >= s.targetPage->rowCount())
        damaged(store_.name(), "a moved row points to a row that is not there");
    requireSoundRows(s.target->page, *s.targetPage);
    s.bytes = s.targetPage->row(s.target->row).bytes;
    return s;
}

std::vector<Value> TableWriter::read(RowLocation at) { return decode(locate(at).bytes); }

std::optional<RowLocation> TableWriter::find(std::size_t column, const Value& sought) {
    const Value wanted = toColumnValue(def_->columns.at(column), sought);
    TableCursor cursor(database(), def_);
    Value v;
    for (bool more = cursor.moveFirst(); more; more = cursor.moveNext()) {
        cursor.readValue(column, v);
        if (jetEquals(v, wanted) || (v.isNull() && wanted.isNull()))
            return cursor.location();
    }
    return std::nullopt;
}

// Converts the values to their columns' kinds and applies Jet's rules on
// fields; `old` is the row being replaced, if any.
std::vector<Value> TableWriter::prepare(const std::vector<Value>& row, const std::vector<Value>* old) {
    if (row.size() != def_->columns.size())
        throw Error(InvalidArgument, "A row of table '" + name_ + "' needs " + std::to_string(def_->columns.size()) +
                                         " values.");
    std::vector<Value> values;
    for (std::size_t n = 0; n < row.size(); ++n) {
        const ColumnDef& c = def_->columns[n];
        if (copying_ && (c.calculated || !knownType(c.type))) {
            values.push_back(row[n]);
            continue;
        }
        if (copying_ && c.type == static_cast<std::uint8_t>(ColumnType::Complex)) {
            // The key of the row's values in the field's own table, kept as
            // given; the table's counter stays past every key it holds.
            if (row[n].kind() == Value::Kind::Integer && row[n].asInteger() > 0)
                lastComplexKey_ = std::max(lastComplexKey_, static_cast<std::uint32_t>(row[n].asInteger()));
            values.push_back(row[n]);
            continue;
        }
        if (c.calculated) {
            // Computed from the other fields; the value read from the row may come back unchanged.
            if (!row[n].isNull() && (!old || !jetEquals(row[n], (*old)[n])))
                throw Error(FieldNotUpdatable, "Field '" + name_ + "." + c.name +
                                                   "' cannot be updated: it is calculated from an expression.");
            values.emplace_back();
            continue;
        }
        if (old)
            requireAssignable(c, row[n]);
        Value v = toColumnValue(c, row[n]);
        if (c.autoNumber() && old) {
            if (!(v.isNull() && (*old)[n].isNull()) && !jetEquals(v, (*old)[n]))
                throw Error(FieldNotUpdatable, "Field '" + c.name + "' cannot be updated: it is an AutoNumber.");
        } else if (c.autoNumber() && v.isNull()) {
            if (c.type == static_cast<std::uint8_t>(ColumnType::Long))
                v = Value::integer(static_cast<std::int32_t>(++lastAutoNumber_));
        } else if (c.autoNumber() && c.type == static_cast<std::uint8_t>(ColumnType::Long) && v.asInteger() > 0 &&
                   static_cast<std::uint32_t>(v.asInteger()) > lastAutoNumber_) {
            lastAutoNumber_ = static_cast<std::uint32_t>(v.asInteger());
        }
        if (c.autoGuid() && v.isNull() && !old)
            v = Value::guid(randomGuid());
        if (v.kind() == Value::Kind::Text && c.type == static_cast<std::uint8_t>(ColumnType::Text) &&
            textLength(v.text()) * 2 > c.length)
            throw Error(FieldTooSmall,
                        "The field is too small to accept the amount of data you attempted to add. Try inserting or "
                        "pasting less data. (Field '" + name_ + "." + c.name + "' holds " +
                            std::to_string(c.length / 2) + " characters.)");
        if (v.isNull() && c.required)
            throw Error(RequiredNull, "The field '" + name_ + "." + c.name +
                                          "' cannot contain a Null value because the Required property for this field "
                                          "is set to True. Enter a value in this field.");
        values.push_back(std::move(v));
    }
    return values;
}

TableWriter::Keys TableWriter::keysOf(const std::vector<Value>& row) const {
    Keys keys;
    for (std::size_t i = 0; i < indexes_.size(); ++i)
        if (givenKeys_ && i < givenKeys_->size() && (*givenKeys_)[i])
            keys.push_back((*givenKeys_)[i]);
        else
            keys.push_back(indexes_[i]->holds(row) ? std::optional(indexes_[i]->key(row)) : std::nullopt);
    return keys;
}

// The row's keys, refusing a Null in a primary key or a required index and
// a duplicate in a unique index. Rows whose key columns are all Null are no
// duplicates (Access lets a unique index hold many). `oldKeys`: the keys of
// the row being replaced, which are no duplicate.
TableWriter::Keys TableWriter::checkedKeys(const std::vector<Value>& row, const Keys* oldKeys) {
    Keys keys = keysOf(row);
    for (std::size_t i = 0; i < indexes_.size(); ++i) {
        const RealIndex& real = def_->realIndexes[i];
        std::size_t nulls = 0;
        for (const auto& ic : real.columns)
            for (std::size_t n = 0; n < def_->columns.size(); ++n)
                if (def_->columns[n].number == ic.columnNumber && row[n].isNull())
                    ++nulls;
        const bool primary = std::any_of(def_->indexes.begin(), def_->indexes.end(), [&](const LogicalIndex& l) {
            return l.primaryKey() && l.realIndex == i;
        });
        if (nulls > 0 && (primary || real.required()))
            throw Error(NullInIndex, kNullInIndexText);
        if (!real.unique() || !keys[i] || (oldKeys && (*oldKeys)[i] == keys[i]) || nulls == real.columns.size())
            continue;
        if (indexes_[i]->contains(*keys[i]))
            throw Error(DuplicateKey,
                        "The changes you requested to the table were not successful because they would create "
                        "duplicate values in the index, primary key, or relationship. Change the data in the field or "
                        "fields that contain duplicate data, remove the index, or redefine the index to permit "
                        "duplicate entries and try again.");
    }
    return keys;
}

std::vector<std::uint8_t> TableWriter::encode(const std::vector<Value>& row, const LongFields* kept) {
    auto bytes = encodeRow(*def_, row, [&](std::size_t column, const Value& v) {
        if (kept && !(*kept)[column].empty())
            return (*kept)[column];
        const ColumnDef& c = def_->columns[column];
        std::vector<std::uint8_t> data;
        if (v.kind() == Value::Kind::Text)
            data = encodeJet4Text(v.text(), c.compressedUnicode);
        else
            data.assign(v.bytes().begin(), v.bytes().end());
        auto field = longValues_.write(data);
        stale_ = true;
        return field;
    });
    if (bytes.size() > maxRowSize(store_.pageSize()))
        throw Error(RecordTooLarge, "Record is too large: a row of table '" + name_ + "' would take " +
                                        std::to_string(bytes.size()) + " bytes.");
    return bytes;
}

void TableWriter::freeLongValues(std::span<const std::uint8_t> rowBytes, const LongFields* kept) {
    const auto fields = longFields(*def_, rowBytes);
    for (std::size_t n = 0; n < fields.size(); ++n)
        if (const auto& field = fields[n]; !field.empty() && !(kept && !(*kept)[n].empty())) {
            longValues_.free(field);
            stale_ = true;
        }
}

DataPageWriter TableWriter::ownPage(std::uint32_t number) {
    auto page = number < store_.pageCount() ? DataPageWriter::parse(store_.read(number)) : std::nullopt;
    if (!page || page->owner() != def_->page)
        damaged(store_.name(), "the maps of table '" + name_ + "' name page " + std::to_string(number) +
                                   ", which is not one of its data pages");
    requireSoundRows(number, *page);
    return std::move(*page);
}

// Puts a row on the page the last row went to, else on the first page the
// free-space map lists that can take it (those that cannot leave the list),
// else on a new page; returns its row pointer. `avoid`: a page not to use
// (the page of a row being moved away).
std::uint32_t TableWriter::placeRow(std::vector<std::uint8_t> bytes, std::uint16_t flags, std::uint32_t avoid) {
    const auto put = [&](std::uint32_t number, DataPageWriter& page) {
        const std::uint16_t n = page.add(std::move(bytes), flags);
        writePage(number, page.bytes());
        lastPage_ = number;
        return rowPointer(number, static_cast<std::uint8_t>(n));
    };
    if (lastPage_ && *lastPage_ != avoid) {
        auto page = ownPage(*lastPage_);
        if (page.canAdd(bytes.size()))
            return put(*lastPage_, page);
    }
    std::vector<std::uint32_t> listed;
    if (def_->freePagesPointer != 0)
        forEachStretch(store_, def_->freePagesPointer, [&](std::uint64_t first, std::uint64_t count, const std::uint8_t* bits) {
            for (std::uint64_t n = 0; n < count && listed.size() < kListedLooked; ++n)
                if ((bits[n / 8] >> (n % 8)) & 1)
                    listed.push_back(static_cast<std::uint32_t>(first + n));
        });
    for (const std::uint32_t number : listed) {
        if (number == avoid)
            continue;
        auto page = ownPage(number);
        if (page.canAdd(bytes.size()))
            return put(number, page);
        removeFromUsageMap(store_, def_->freePagesPointer, number);
    }
    const std::uint32_t number = allocatePage(store_, def_->usedPagesPointer);
    addToUsageMap(store_, def_->freePagesPointer, number);
    DataPageWriter page(store_.pageSize(), def_->page);
    return put(number, page);
}

void TableWriter::rowsLeft(std::uint32_t number, const DataPageWriter& page) {
    stale_ = true;
    if (!page.holdsNothing()) {
        addToUsageMap(store_, def_->freePagesPointer, number);
        return;
    }
    releasePage(store_, {def_->usedPagesPointer, def_->freePagesPointer}, number);
    if (lastPage_ == number)
        lastPage_.reset();
}

void TableWriter::cascading(bool follows, const std::function<void()>& change) {
    if (!follows) {
        change();
        return;
    }
    try {
        store_.undoable(change);
    } catch (...) {
        lastPage_.reset();  // pages the change took may be gone again
        stale_ = true;
        throw;
    }
    stale_ = true;  // other writers changed pages
}

// Row count, last AutoNumber, and each real index's entry count: entries of
// the rows before (`before`) and after (`after`) the change.
void TableWriter::saveDefinition(int rowDelta, const Keys* before, const Keys* after) {
    std::vector<std::uint8_t> page = store_.read(def_->page);
    const TableDefLayout& L = kJet4TableDef;
    const std::uint32_t rows = readU32(&page[L.rowCount]);
    setU32(page, L.rowCount, static_cast<std::uint32_t>(static_cast<std::int64_t>(rows) + rowDelta));
    setU32(page, L.autoNumber, lastAutoNumber_);
    if (L.complexKey != 0)
        setU32(page, L.complexKey, lastComplexKey_);
    for (std::size_t i = 0; i < def_->realIndexes.size(); ++i) {
        const std::size_t at = L.realIndexEntries + L.realIndexEntrySize * i + 4;
        if (at + 4 > page.size())
            break;
        const int delta = (after && (*after)[i] ? 1 : 0) - (before && (*before)[i] ? 1 : 0);
        const std::uint32_t entries = readU32(&page[at]);
        setU32(page, at, static_cast<std::uint32_t>(static_cast<std::int64_t>(entries) + delta));
    }
    writePage(def_->page, page);
}

RowLocation TableWriter::insert(const std::vector<Value>& row, const GivenKeys& keys) {
    givenKeys_ = &keys;
    try {
        const RowLocation at = insert(row);
        givenKeys_ = nullptr;
        return at;
    } catch (...) {
        givenKeys_ = nullptr;
        throw;
    }
}

RowLocation TableWriter::insert(const std::vector<Value>& row) {
    requireWritableColumns(*def_, name_, false, *fieldRules_, copying_);
    const std::uint32_t autoBefore = lastAutoNumber_;
    try {
        std::vector<Value> values = prepare(row, nullptr);
        fieldRules_->compute(values);
        fieldRules_->check(values, nullptr);
        const auto keys = checkedKeys(values, nullptr);
        rules().requireReferenced(values, nullptr);
        const std::uint32_t pointer = placeRow(encode(values), 0, 0);
        const RowLocation at = rowPointer(pointer);
        for (std::size_t i = 0; i < indexes_.size(); ++i)
            if (keys[i]) {
                indexes_[i]->insert(*keys[i], at);
                stale_ = true;
            }
        saveDefinition(+1, nullptr, &keys);
        return at;
    } catch (...) {
        lastAutoNumber_ = autoBefore;
        throw;
    }
}

void TableWriter::update(RowLocation at, const std::vector<Value>& row) {
    requireWritableColumns(*def_, name_, false, *fieldRules_);
    Slot s = locate(at);
    const std::vector<Value> old = decode(s.bytes);
    std::vector<Value> values = prepare(row, &old);
    fieldRules_->compute(values);
    fieldRules_->check(values, &old);
    const Keys oldKeys = keysOf(old);
    const Keys keys = checkedKeys(values, &oldKeys);
    rules().requireReferenced(values, &old);
    const auto followers = rules().followers(old, &values);

    // A long value the update leaves as it was keeps its place: rewritten,
    // it would leave a page of freed rows behind.
    LongFields kept(def_->columns.size());
    const auto fields = longFields(*def_, s.bytes);
    for (std::size_t n = 0; n < fields.size(); ++n)
        if (!fields[n].empty() && sameLongValue(old[n], values[n]))
            kept[n].assign(fields[n].begin(), fields[n].end());

    cascading(!followers.empty(), [&] {
        freeLongValues(s.bytes, &kept);
        std::vector<std::uint8_t> bytes = encode(values, &kept);
        // Pages may have changed under the long values: take them apart again.
        s = locate(at);
        if (s.target) {
            s.targetPage->markDeleted(s.target->row);
            writePage(s.target->page, s.targetPage->bytes());
            rowsLeft(s.target->page, *s.targetPage);
        }
        if (s.page.canReplace(at.row, bytes.size())) {
            s.page.replace(at.row, std::move(bytes), 0);
        } else {
            // The row no longer fits on its page: it moves, and its place keeps a
            // pointer to it; the moved bytes are flagged so scans pass them by.
            const std::uint32_t pointer = placeRow(std::move(bytes), kRowDeleted, at.page);
            s.page = *DataPageWriter::parse(store_.read(at.page));
            std::vector<std::uint8_t> link(4);
            writeU32(link.data(), pointer);
            s.page.replace(at.row, std::move(link), kRowMoved);
        }
        writePage(at.page, s.page.bytes());
        for (std::size_t i = 0; i < indexes_.size(); ++i)
            if (keys[i] != oldKeys[i]) {
                if (oldKeys[i])
                    indexes_[i]->erase(*oldKeys[i], at);
                if (keys[i])
                    indexes_[i]->insert(*keys[i], at);
                stale_ = true;
            }
        saveDefinition(0, &oldKeys, &keys);
        rules().follow(followers, old, &values);
    });
}

void TableWriter::erase(RowLocation at) {
    requireWritableColumns(*def_, name_, true, *fieldRules_);
    Slot s = locate(at);
    const std::vector<Value> old = decode(s.bytes);
    const Keys keys = keysOf(old);
    const auto followers = rules().followers(old, nullptr);

    cascading(!followers.empty(), [&] {
        freeLongValues(s.bytes);
        s = locate(at);
        if (s.target) {
            s.targetPage->markDeleted(s.target->row);
            writePage(s.target->page, s.targetPage->bytes());
            rowsLeft(s.target->page, *s.targetPage);
        }
        s.page.markDeleted(at.row);
        writePage(at.page, s.page.bytes());
        for (std::size_t i = 0; i < indexes_.size(); ++i)
            if (keys[i]) {
                indexes_[i]->erase(*keys[i], at);
                stale_ = true;
            }
        saveDefinition(-1, &keys, nullptr);
        rowsLeft(at.page, s.page);
        rules().follow(followers, old, nullptr);
    });
}

}  // namespace jet
