// Defaults, validation rules and calculated fields as Access keeps them in a
// table's properties: every one in the test files evaluates, every value
// Access calculated is computed again equal, and rules refuse what Access
// refuses before anything is written.
#include "LockFileTesting.h"
#include "WriteTesting.h"

#include "jet/Error.h"
#include "jet/Recordset.h"
#include "jet/check/CheckDatabase.h"
#include "jet/create/CreateDatabase.h"
#include "jet/create/TableCreator.h"
#include "jet/create/TableProperties.h"
#include "jet/import/CsvImport.h"
#include "jet/table/ColumnProperties.h"
#include "jet/write/FieldValue.h"
#include "jet/write/TableRules.h"

#include <gtest/gtest.h>

namespace {

using jet::Value;

std::string show(const Value& v) { return v.isNull() ? "Null" : v.toText(); }

// Every DefaultValue and calculated Expression of every table of the test
// files evaluates; each calculated value Access stored is computed again equal.
TEST(TableRules, EveryPropertyOfTheTestFilesEvaluatesAndCalculatedValuesMatchAccess) {
    std::size_t expressions = 0, calculated = 0;
    for (const std::string& file : jettest::accessFiles()) {
        const auto db = jet::Database::open(file);
        for (const std::string& table : db->tableNames(true)) {
            const auto props = db->properties(*db->findTable(table));
            jet::forEachProperty(props, [&](std::size_t, const std::string&, const std::string& name, std::uint8_t,
                                            std::span<const std::uint8_t>) {
                expressions += jet::equalsIgnoreCase(name, "DefaultValue") || jet::equalsIgnoreCase(name, "Expression") ||
                               jet::equalsIgnoreCase(name, "ValidationRule");
            });
            const auto def = db->tableDef(table);
            const jet::TableRules rules(*def, table, props);
            try {
                rules.newRow();
            } catch (const jet::Error& e) {
                ADD_FAILURE() << file << " " << table << ": " << e.description();
            }
            // A Decimal result computed with Decimal fields is refused, not computed inexactly.
            for (const auto& stored : jettest::allRows(db, table))
                for (std::size_t n = 0; n < stored.size(); ++n)
                    if (rules.computes(n)) {
                        const std::string field = file + " " + table + "." + def->columns[n].name;
                        try {
                            EXPECT_EQ(show(rules.computed(stored, n)), show(stored[n])) << field;
                            ++calculated;
                        } catch (const jet::Error& e) {
                            EXPECT_EQ(def->columns[n].name + " " + std::to_string(e.number()), "BigNumTest 3164") << field << e.description();
                        }
                    }
        }
    }
    EXPECT_GE(expressions, 60u);
    EXPECT_GE(calculated, 20u);
}

// A row stored into a table with calculated fields holds what Access would
// compute, in each field's result type.
TEST(TableRules, CalculatedFieldsAreStoredAsAccessStoresThem) {
    jettest::WritableCopy copy("../access-more/calcFieldTestV2010.accdb");
    const auto given = [](jet::TableWriter& w, const char* popularity) {
        auto r = jettest::row(w.definition(), {{"FirstName", Value::text("Ada")}, {"LastName", Value::text("Lovelace")},
                                               {"Salary", Value::text("1200")}});
        if (popularity)
            r[static_cast<std::size_t>(w.definition().findColumn("Popularity") - w.definition().columns.data())] =
                Value::text(popularity);
        return r;
    };
    // BigNumTest computes with a Decimal field, which would not be exact: refused, naming it.
    const jet::Error e = jettest::caught([&] {
        jettest::store(copy.path(), "Table1", [&](jet::TableWriter& w) { w.insert(given(w, "2.5")); });
    });
    EXPECT_EQ(e.number(), jet::FieldNotUpdatable);
    EXPECT_NE(e.description().find("'Table1.BigNumTest'"), std::string::npos) << e.description();
    jettest::store(copy.path(), "Table1", [&](jet::TableWriter& w) { w.insert(given(w, nullptr)); });
    const auto db = jet::Database::open(copy.path());
    const auto rows = jettest::allRows(db, "Table1");
    std::string stored;
    for (const auto& v : rows.back())
        stored += show(v) + "|";
    EXPECT_EQ(stored, "5|Ada|Lovelace|Lovelace, Ada|Null|13|1200.0000|100.0000|False|Lovelace, Ada=Lovelace, Ada|"
                      "23.0769230769231|1200.0000|True|Null|Null|Null|Null|");
    // Neither independent reader decodes calculated fields (Access's own rows neither); Access left the
    // stored row count behind, which the check therefore allows.
    EXPECT_TRUE(jet::checkDatabase(copy.path()).empty());
}

// Products and Order Details as in Northwind, in a new database, with their rules.
class Northwind : public ::testing::Test {
protected:
    void SetUp() override {
        path_ = dir_ / "northwind.mdb";
        jet::createEmptyDatabase(path_);
        jet::runStore(path_, [](jet::PageStore& pages) {
            jet::createTable(pages, {"Products",
                                     {{"ProductName", jet::ColumnType::Text, 40},
                                      {"UnitPrice", jet::ColumnType::Currency},
                                      {"UnitsInStock", jet::ColumnType::Integer},
                                      {"Discount", jet::ColumnType::Single},
                                      {"Code", jet::ColumnType::Text, 10}},
                                     {}});
        });
        setProperties({{"Products", "ValidationRule", "[UnitsInStock] < 1000 Or [Discount] = 0"},
                       {"Products", "ValidationText", "Too much stock for a discount."},
                       {"UnitPrice", "ValidationRule", ">=0"},
                       {"UnitPrice", "ValidationText", "You must enter a positive number."},
                       {"UnitPrice", "DefaultValue", "0"},
                       {"UnitsInStock", "DefaultValue", "0"},
                       {"Discount", "ValidationRule", "Between 0 And 1"},
                       {"Discount", "DefaultValue", "=0"},
                       {"Code", "AllowZeroLength", "", 0},
                       {"Code", "DefaultValue", "UCase(\"x\") & Year(#2024-05-06#)"}});
    }

    void setProperties(const std::vector<jet::TableProperty>& properties) {
        jet::runStore(path_, [&](jet::PageStore& pages) { jet::setTableProperties(pages, "Products", properties); });
    }

    locktest::TempDir dir_;
    std::string path_;
};

// Inserts a row: the defaults, then `given` (field, text) as the insert command assigns them.
using Given = std::vector<std::pair<const char*, const char*>>;
void insert(const std::string& path, const Given& given) {
    jettest::store(path, "Products", [&](jet::TableWriter& w) {
        auto row = w.newRow();
        for (const auto& [name, text] : given)
            row[static_cast<std::size_t>(w.definition().findColumn(name) - w.definition().columns.data())] = Value::text(text);
        w.insert(row);
    });
}

TEST_F(Northwind, RulesRefuseAndDefaultsFillAsAccess) {
    const auto before = jettest::fileBytes(path_);
    const std::tuple<Given, int, std::string> refused[] = {
        {{{"UnitPrice", "-5"}}, 3317, "You must enter a positive number."},
        {{{"Discount", "5"}}, 3317, "prohibited by the validation rule 'Between 0 And 1' set for 'Products.Discount'"},
        {{{"UnitsInStock", "2000"}, {"Discount", "0.5"}}, 3316, "Too much stock for a discount."},
        {{{"Code", ""}}, 3315, "Field 'Products.Code' cannot be a zero-length string."},
    };
    for (const auto& [values, number, says] : refused) {
        const jet::Error e = jettest::caught([&, &given = values] { insert(path_, given); });
        EXPECT_EQ(e.number(), number) << says;
        EXPECT_NE(e.description().find(says), std::string::npos) << e.description();
    }
    EXPECT_EQ(jettest::fileBytes(path_), before);

    insert(path_, {{"ProductName", "Chai"}, {"UnitPrice", "18"}});
    const auto rows = jettest::allRows(jet::Database::open(path_), "Products");
    ASSERT_EQ(rows.size(), 1u);
    EXPECT_EQ(show(rows[0][2]) + " " + show(rows[0][3]) + " " + show(rows[0][4]), "0 0 X2024");
    // So does an import that leaves fields out; its rows meet the rules.
    jet::importCsv(path_, "Products", "ProductName\r\nTea\r\n");
    EXPECT_EQ(show(jettest::allRows(jet::Database::open(path_), "Products").back()[2]), "0");
    EXPECT_EQ(jettest::errorOf([&] { jet::importCsv(path_, "Products", "ProductName,UnitPrice\r\nCake,-1\r\n"); }), 3317);
    // The record source the user name window uses starts a new record from the defaults too.
    {
        jet::Recordset products(path_, "Products");
        products.addNew();
        EXPECT_EQ(show(products.field("UnitsInStock")) + " " + show(products.field("Code")), "0 X2024");
    }
    // An update that leaves a field as it was is not refused by that field's rule.
    setProperties({{"UnitPrice", "ValidationRule", ">=100"}});
    jettest::store(path_, "Products", [](jet::TableWriter& w) {
        auto row = w.read(*w.find(0, Value::text("Chai")));
        row[2] = Value::integer(3);
        w.update(*w.find(0, Value::text("Chai")), row);
    });
    // A rule Ravelin cannot evaluate refuses the store, naming the property and the expression.
    setProperties({{"UnitPrice", "ValidationRule", "DLookUp(\"x\", \"y\") > 0"}});
    const jet::Error unknown = jettest::caught([&] { insert(path_, {{"UnitPrice", "1"}}); });
    EXPECT_EQ(unknown.number(), 3085);
    EXPECT_NE(unknown.description().find("The ValidationRule of field 'Products.UnitPrice' is the expression "
                                         "'DLookUp(\"x\", \"y\") > 0'"),
              std::string::npos) << unknown.description();
    // A default Ravelin cannot evaluate refuses only the row that needs it.
    setProperties({{"Discount", "DefaultValue", "DLookUp(\"x\", \"y\")"}});
    EXPECT_EQ(jettest::errorOf([&] { insert(path_, {{"ProductName", "Jam"}}); }), 3085);
    insert(path_, {{"ProductName", "Jam"}, {"Discount", "0.5"}});
}

}  // namespace
