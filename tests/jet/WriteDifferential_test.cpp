// Differential test of the writer: scripted random sequences (fixed seeds) of
// inserts, updates and deletes, applied both to a copy of a real file and to
// an in-memory model of the table's rows, with Jet's rules: text lengths,
// unique and primary keys (Null in them too), Currency at and past its
// limits, Null in a Yes/No field, references through enforced relationships. After every store our reader lists
// exactly the model's rows; every few stores, and at the end, mdb-export and
// mdb-reader read the table exactly as our reader does (so as the model), and
// every index lists exactly the rows, and the checker finds nothing wrong.
#include "WriteTesting.h"

#include "jet/Error.h"
#include "jet/create/CreateDatabase.h"
#include "jet/create/TableCreator.h"
#include "jet/table/ColumnProperties.h"
#include "jet/write/FieldValue.h"

#include <algorithm>
#include <map>
#include <random>

using namespace jettest;
using jet::Value;

namespace {

constexpr int kSteps = 160;
constexpr int kOracleEvery = 40;

struct Case {
    std::string file;   // a test file, or empty: a new user name database
    std::string table;
    std::vector<std::string> texts;  // columns written with random texts
    std::size_t maxChars;            // the longest text written (memo: past a page)
    std::string uniqueText;          // a text column with a unique index, if any
    std::string uniqueNumber;        // a number column with a unique index, if any
    bool primaryKey = false;         // that index is the primary key: sometimes given Null
    std::string currency = {};       // a Currency column, if any
    std::string flag = {};           // a Yes/No column, if any
    // Columns referring to a key of another table through an enforced relationship.
    struct Reference {
        std::string column, table, key;
    };
    std::vector<Reference> references = {};
    std::optional<jet::NewTable> make = {};  // a table made in the file first
    std::string extDate = {};                // a Date/Time Extended column, if any
};

// Currency as given, and as stored (empty: refused as too large).
const std::vector<std::pair<std::string, std::string>> kCurrencies{
    {"922337203685477.5807", "922337203685477.5807"}, {"-922337203685477.5808", "-922337203685477.5808"},
    {"1234567890123.4567", "1234567890123.4567"},     {"0.00015", "0.0002"},
    {"-2.50005", "-2.5000"},                          {"922337203685477.5808", ""},
    {"-922337203685477.58086", ""}};

std::string show(const Value& v) { return v.isNull() ? "(null)" : "'" + v.toText() + "'"; }

class Sequence {
public:
    Sequence(const Case& c, std::uint32_t seed) : case_(c), random_(seed) {}

    void go(const std::string& path) {
        const auto db = jet::Database::open(path);
        def_ = db->tableDef(case_.table);
        jet::forEachProperty(db->properties(*db->findTable(case_.table)),
                             [&](std::size_t, const std::string& object, const std::string& name, std::uint8_t type,
                                 std::span<const std::uint8_t> value) {
                                 if (name == "AllowZeroLength" && type == 0x01 && value[0] == 0)
                                     noZeroLength_.push_back(object);
                             });
        jet::TableCursor cursor(db, def_);
        for (bool more = cursor.moveFirst(); more; more = cursor.moveNext())
            model_.push_back({cursor.location(), cursor.values()});
        for (const auto& r : case_.references) {
            const auto parent = db->tableDef(r.table);
            jet::TableCursor keys(db, parent);
            for (bool more = keys.moveFirst(); more; more = keys.moveNext())
                referable_[r.column].push_back(keys.values()[static_cast<std::size_t>(parent->findColumn(r.key) -
                                                                                        parent->columns.data())]);
        }
        for (int step = 1; step <= kSteps; ++step) {
            const int dice = pick(0, 9);
            if (model_.empty() || dice < 5)
                insert(path);
            else if (dice < 8)
                update(path);
            else
                erase(path);
            ASSERT_NO_FATAL_FAILURE(compareWithReader(path, step));
            if (step % kOracleEvery == 0 || step == kSteps) {
                ASSERT_TRUE(oraclesAgree(path, case_.table)) << "after step " << step;
                ASSERT_EQ(checkerFindings(path), "") << "after step " << step;
                std::string why;
                ASSERT_TRUE(indexesMatchRows(path, case_.table, why)) << why << " after step " << step;
            }
        }
    }

private:
    using TableRows = std::vector<std::pair<jet::RowLocation, std::vector<Value>>>;

    int pick(int low, int high) { return std::uniform_int_distribution<int>(low, high)(random_); }

    std::size_t column(const std::string& name) const {
        return static_cast<std::size_t>(def_->findColumn(name) - def_->columns.data());
    }

    Value randomText() {
        static const std::vector<std::string> names{"José Müller", "Łukasz", "Zoë Ångström", "O'Brien", "PC-7",
                                                    "renée", "Ærø", "Ñandú", "Dvořák"};
        switch (pick(0, 7)) {
        case 0: return Value();
        case 1: return Value::text("");
        case 2: {
            // Up to as long as the column allows (or long memo text).
            static const std::vector<std::string> letters{"J", "o", "é", "Ł", "ü", "Z", "ø", " ", "x", "ß"};
            const int n = pick(1, static_cast<int>(case_.maxChars));
            std::string s;
            for (int i = 0; i < n; ++i)
                s += letters[static_cast<std::size_t>(pick(0, 9))];
            return Value::text(s);
        }
        default: return Value::text(names[static_cast<std::size_t>(pick(0, 8))] + std::to_string(pick(0, 30)));
        }
    }

    std::vector<Value> randomRow(const std::vector<Value>& start) {
        std::vector<Value> row = start;
        for (const auto& name : case_.texts)
            row[column(name)] = randomText();
        if (!case_.uniqueNumber.empty())  // a Large Number up to its very top
            row[column(case_.uniqueNumber)] = Value::integer(
                pick(0, 150) * (def_->columns[column(case_.uniqueNumber)].type == 0x13 ? 61489146912365172 : 1));
        if (!case_.extDate.empty())  // 0001-01-01 to 9999-12-31 23:59:59.9999999
            row[column(case_.extDate)] =
                pick(0, 4) ? Value::dateTimeExtended(std::uniform_int_distribution<std::int64_t>(
                                 0, 3'155'378'975'999'999'999)(random_))
                           : Value();
        if (!case_.uniqueText.empty() && row[column(case_.uniqueText)].isNull())
            row[column(case_.uniqueText)] = Value::text("PC-" + std::to_string(pick(0, 150)));
        if (case_.primaryKey && pick(0, 15) == 0)
            row[column(case_.uniqueText.empty() ? case_.uniqueNumber : case_.uniqueText)] = Value();
        if (!case_.currency.empty())
            row[column(case_.currency)] = pick(0, 2) ? Value::text(kCurrencies[static_cast<std::size_t>(
                                                           pick(0, static_cast<int>(kCurrencies.size()) - 1))].first)
                                                     : Value::integer(pick(-99, 99));
        if (!case_.flag.empty())
            row[column(case_.flag)] = pick(0, 3) ? Value::boolean(pick(0, 1) == 1) : Value();
        for (const auto& r : case_.references)
            row[column(r.column)] = pick(0, 4) ? Value::integer(referable_[r.column].front().asInteger() + pick(-2, 4)) : Value();
        return row;
    }

    // The row as the table holds it once stored: Currency as stored, a
    // Yes/No field not given as No.
    std::vector<Value> stored(std::vector<Value> row) const {
        Value& money = row[case_.currency.empty() ? 0 : column(case_.currency)];
        if (!case_.currency.empty() && money.kind() == Value::Kind::Integer)
            money = Value::text(std::to_string(money.asInteger()) + ".0000");
        for (const auto& [given, kept] : kCurrencies)
            if (!case_.currency.empty() && money.kind() == Value::Kind::Text && money.text() == given)
                money = Value::text(kept);
        if (!case_.flag.empty() && row[column(case_.flag)].isNull())
            row[column(case_.flag)] = Value::boolean(false);
        return row;
    }

    // Whether another model row holds the same value in a unique column (text
    // compared as the index does: letter case ignored).
    bool duplicate(const std::vector<Value>& row, std::size_t except) const {
        for (const auto& name : {case_.uniqueText, case_.uniqueNumber}) {
            if (name.empty())
                continue;
            const Value& v = row[column(name)];
            for (std::size_t i = 0; i < model_.size(); ++i)
                if (i != except && !v.isNull() && jet::jetEquals(model_[i].second[column(name)], v))
                    return true;
        }
        return false;
    }

    // Jet's refusal of the row, in the order Jet checks: field by field (Null
    // into Yes/No on an update, Currency too large, text too long), then
    // keys (Null, duplicate), then references.
    int refusalFor(const std::vector<Value>& row, std::size_t except, bool update) const {
        for (std::size_t c = 0; c < row.size(); ++c) {
            const auto& name = def_->columns[c].name;
            if (update && name == case_.flag && row[c].isNull())
                return jet::NullNotAllowed;
            if (name == case_.currency && stored(row)[c].kind() == Value::Kind::Text && stored(row)[c].text().empty())
                return jet::NumericOverflow;
            if (def_->columns[c].type == 0x0A && row[c].kind() == Value::Kind::Text &&
                jet::textLength(row[c].text()) * 2 > def_->columns[c].length)
                return jet::FieldTooSmall;
        }
        for (std::size_t c = 0; c < row.size(); ++c)
            if (row[c].kind() == Value::Kind::Text && row[c].text().empty() &&
                std::count(noZeroLength_.begin(), noZeroLength_.end(), def_->columns[c].name))
                return 3315;  // Allow Zero Length set to No in Access
        if (case_.primaryKey && row[column(case_.uniqueText.empty() ? case_.uniqueNumber : case_.uniqueText)].isNull())
            return jet::NullInIndex;
        if (duplicate(row, except))
            return jet::DuplicateKey;
        for (const auto& r : case_.references) {
            const Value& v = row[column(r.column)];
            const auto& keys = referable_.at(r.column);
            if (!v.isNull() && std::none_of(keys.begin(), keys.end(), [&](const Value& k) { return jet::jetEquals(k, v); }))
                return jet::RelatedRecordRequired;
        }
        return 0;
    }

    // Runs one store; a refusal must be the expected one and change nothing.
    void attempt(const std::string& path, int expected, const std::function<void(jet::TableWriter&)>& change) {
        const auto before = expected ? fileBytes(path) : std::vector<std::uint8_t>{};
        int got = 0;
        try {
            store(path, case_.table, change);
        } catch (const jet::Error& e) {
            got = e.number();
            if (got != expected) {
                ADD_FAILURE() << e.description();
            }
        }
        EXPECT_EQ(got, expected);
        if (expected) {
            EXPECT_EQ(fileBytes(path), before);
        }
    }

    void insert(const std::string& path) {
        const auto row = randomRow(std::vector<Value>(def_->columns.size()));
        const int expected = refusalFor(row, SIZE_MAX, false);
        jet::RowLocation at;
        attempt(path, expected, [&](jet::TableWriter& w) { at = w.insert(row); });
        if (!expected)
            model_.push_back({at, stored(row)});
    }

    void update(const std::string& path) {
        const auto n = static_cast<std::size_t>(pick(0, static_cast<int>(model_.size()) - 1));
        const auto row = randomRow(model_[n].second);
        const int expected = refusalFor(row, n, true);
        attempt(path, expected, [&](jet::TableWriter& w) { w.update(model_[n].first, row); });
        if (!expected)
            model_[n].second = stored(row);
    }

    void erase(const std::string& path) {
        const auto n = static_cast<std::size_t>(pick(0, static_cast<int>(model_.size()) - 1));
        attempt(path, 0, [&](jet::TableWriter& w) { w.erase(model_[n].first); });
        model_.erase(model_.begin() + static_cast<std::ptrdiff_t>(n));
    }

    void compareWithReader(const std::string& path, int step) {
        // The table's order: pages in page order (a row may go to a page with
        // room before the last one), rows in row order.
        std::stable_sort(model_.begin(), model_.end(), [](const auto& a, const auto& b) {
            return std::pair(a.first.page, a.first.row) < std::pair(b.first.page, b.first.row);
        });
        const auto rows = allRows(jet::Database::open(path), case_.table);
        ASSERT_EQ(rows.size(), model_.size()) << "after step " << step;
        for (std::size_t r = 0; r < rows.size(); ++r)
            for (std::size_t c = 0; c < rows[r].size(); ++c)
                ASSERT_EQ(show(rows[r][c]), show(model_[r].second[c]))
                    << "row " << r << ", column " << def_->columns[c].name << ", after step " << step;
    }

    Case case_;
    std::mt19937 random_;
    std::shared_ptr<const jet::TableDef> def_;
    std::vector<std::string> noZeroLength_;  // fields whose Allow Zero Length is No
    TableRows model_;
    std::map<std::string, std::vector<Value>> referable_;  // by referring column: the keys it may name
};

class WriteDifferential : public ::testing::TestWithParam<Case> {};

TEST_P(WriteDifferential, OraclesAndReaderListTheModelsRows) {
    const Case& c = GetParam();
    if (c.file.empty()) {
        WritableCopy dir("emptyJet4.mdb");  // only for its private directory
        const std::string path = dir.path() + ".new.mdb";
        jet::createDatabase(path);
        Sequence(c, 7).go(path);
        return;
    }
    WritableCopy copy(c.file);
    if (c.make)
        jet::runStore(copy.path(), [&](jet::PageStore& pages) { jet::createTable(pages, *c.make); });
    Sequence(c, 11).go(copy.path());
}

INSTANTIATE_TEST_SUITE_P(
    Files, WriteDifferential,
    ::testing::Values(Case{"delTestV2000.mdb", "Table", {"a", "b"}, 50, "", ""},
                      Case{"delTestV2007.accdb", "Table", {"a", "b"}, 50, "", ""},
                      Case{"fixedNumericTestV2000.mdb", "test", {"col1"}, 9000, "", ""},
                      Case{"indexTestV2000.mdb", "Table1", {"data"}, 50, "", "id", true, "", "",
                           {{"otherfk1", "Table2", "id"}, {"otherfk2", "Table3", "id"}}},
                      Case{"testV2000.mdb", "Table1", {"A", "B"}, 60, "A", "", true, "H", "I", {}},
                      // Its global usage map is of the page-referenced kind, with unused slots.
                      Case{"../access-more/testRefGlobalV2000.mdb", "Table1", {"A", "B"}, 50, "A", "", true, "H", "I", {}},
                      Case{"", "T_Main", {"ComputerName", "Name", "Contact", "Email"}, 60, "ComputerName", ""},
                      Case{"emptyJet4.mdb", "Made", {"Name", "Note"}, 5000, "Name", "Number", false, "", "", {},
                           jet::NewTable{"Made",
                                         {{"Name", jet::ColumnType::Text, 30}, {"Note", jet::ColumnType::Memo},
                                          {"Number", jet::ColumnType::Long}},
                                         {{"Name", {"Name"}, true, false}, {"Number", {"Number"}, true, true}}}},
                      // Access 2010: General 2010 text keys in its primary key.
                      Case{"../access-more/testIndexPropertiesV2010.accdb", "TableUnique1_temp", {"row"}, 50, "row", "", true},
                      Case{"../access-more/extDateTestV2019.accdb", "Made", {"Name"}, 30, "", "Big", false, "", "", {},
                           jet::NewTable{"Made", {{"Name", jet::ColumnType::Text, 30}, {"Big", jet::ColumnType::BigInt},
                                                  {"When", jet::ColumnType::DateTimeExtended}},
                                         {{"Big", {"Big"}, true, true}, {"When", {"When"}, false, false}}},
                           "When"}),
    [](const ::testing::TestParamInfo<Case>& param) {
        std::string name = param.param.file.empty() ? "NewUserNameDatabase" : param.param.file;
        for (auto& ch : name)
            if (!std::isalnum(static_cast<unsigned char>(ch)))
                ch = '_';
        return name;
    });

}  // namespace
