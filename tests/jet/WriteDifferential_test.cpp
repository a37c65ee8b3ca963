// Differential test of the writer: scripted random sequences (fixed seeds) of
// inserts, updates and deletes, applied both to a copy of a real file and to
// an in-memory model of the table's rows. After every store our reader lists
// exactly the model's rows; every few stores, and at the end, mdb-export and
// mdb-reader read the table exactly as our reader does (so as the model), and
// every index lists exactly the rows, and the checker finds nothing wrong.
#include "WriteTesting.h"

#include "jet/Error.h"
#include "jet/create/CreateDatabase.h"
#include "jet/write/FieldValue.h"

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
};

std::string show(const Value& v) { return v.isNull() ? "(null)" : "'" + v.toText() + "'"; }

class Sequence {
public:
    Sequence(const Case& c, std::uint32_t seed) : case_(c), random_(seed) {}

    void go(const std::string& path) {
        const auto db = jet::Database::open(path);
        def_ = db->tableDef(case_.table);
        jet::TableCursor cursor(db, def_);
        for (bool more = cursor.moveFirst(); more; more = cursor.moveNext())
            model_.push_back({cursor.location(), cursor.values()});
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
        if (!case_.uniqueNumber.empty())
            row[column(case_.uniqueNumber)] = Value::integer(pick(0, 150));
        if (!case_.uniqueText.empty() && row[column(case_.uniqueText)].isNull())
            row[column(case_.uniqueText)] = Value::text("PC-" + std::to_string(pick(0, 150)));
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

    bool tooLong(const std::vector<Value>& row) const {
        for (std::size_t c = 0; c < row.size(); ++c)
            if (def_->columns[c].type == 0x0A && row[c].kind() == Value::Kind::Text &&
                jet::textLength(row[c].text()) * 2 > def_->columns[c].length)
                return true;
        return false;
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

    static int refusalFor(bool tooLong, bool duplicate) {
        return tooLong ? jet::FieldTooSmall : duplicate ? jet::DuplicateKey : 0;
    }

    void insert(const std::string& path) {
        const auto row = randomRow(std::vector<Value>(def_->columns.size()));
        const int expected = refusalFor(tooLong(row), duplicate(row, SIZE_MAX));
        jet::RowLocation at;
        attempt(path, expected, [&](jet::TableWriter& w) { at = w.insert(row); });
        if (!expected)
            model_.push_back({at, row});
    }

    void update(const std::string& path) {
        const auto n = static_cast<std::size_t>(pick(0, static_cast<int>(model_.size()) - 1));
        const auto row = randomRow(model_[n].second);
        const int expected = refusalFor(tooLong(row), duplicate(row, n));
        attempt(path, expected, [&](jet::TableWriter& w) { w.update(model_[n].first, row); });
        if (!expected)
            model_[n].second = row;
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
    TableRows model_;
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
    Sequence(c, 11).go(copy.path());
}

INSTANTIATE_TEST_SUITE_P(
    Files, WriteDifferential,
    ::testing::Values(Case{"delTestV2000.mdb", "Table", {"a", "b"}, 50, "", ""},
                      Case{"delTestV2007.accdb", "Table", {"a", "b"}, 50, "", ""},
                      Case{"fixedNumericTestV2000.mdb", "test", {"col1"}, 9000, "", ""},
                      Case{"indexTestV2000.mdb", "Table1", {"data"}, 50, "", "id"},
                      Case{"", "T_Main", {"ComputerName", "Name", "Contact", "Email"}, 60, "ComputerName", ""}),
    [](const ::testing::TestParamInfo<Case>& param) {
        std::string name = param.param.file.empty() ? "NewUserNameDatabase" : param.param.file;
        for (auto& ch : name)
            if (!std::isalnum(static_cast<unsigned char>(ch)))
                ch = '_';
        return name;
    });

}  // namespace
