// Times Jet expressions where stores meet them:
//   - typical field rules (>=0, Between 0 And 1, <Date()) evaluated over a
//     million rows: nanoseconds per row, with the rows that pass counted;
//   - ROWS rows (default 100,000) imported into a Products table with its
//     validation rules and default values, and into the same table without
//     them: the ratio of the medians of five runs.
// Exits 1 when a rule passed a count of rows other than the one set up, or
// when an import stored no rows.
#include "jet/Database.h"
#include "jet/create/CreateDatabase.h"
#include "jet/create/TableCreator.h"
#include "jet/create/TableProperties.h"
#include "jet/expr/Expression.h"
#include "jet/import/CsvImport.h"
#include "jet/store/Store.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

namespace fs = std::filesystem;

namespace {

using Clock = std::chrono::steady_clock;
constexpr int kRuns = 5;

double seconds(const std::function<void()>& body) {
    const auto start = Clock::now();
    body();
    return std::chrono::duration<double>(Clock::now() - start).count();
}

// Evaluates `rule` as the rule of field 0 over `rows` values; false when the
// count of rows that pass differs from `passing`.
bool timeRule(const char* rule, const std::vector<jet::Value>& values, std::size_t passing) {
    const auto e = jet::expr::Expression::parseRule(rule, [](std::string_view) { return std::nullopt; }, 0);
    std::size_t passed = 0;
    const double s = seconds([&] {
        for (const jet::Value& v : values)
            passed += jet::expr::passes(e.evaluate(std::span<const jet::Value>(&v, 1)));
    });
    std::printf("%-20s %6.0f ns a row (%zu rows, %zu pass)\n", rule, s * 1e9 / static_cast<double>(values.size()),
                values.size(), passed);
    return passed == passing;
}

double medianImport(const std::string& db, bool withRules, const std::string& csv, std::size_t rows, bool& ok) {
    std::vector<double> runs;
    for (int i = 0; i < kRuns; ++i) {
        fs::remove(db);
        jet::createEmptyDatabase(db);
        jet::runStore(db, [&](jet::PageStore& pages) {
            jet::createTable(pages, {"Products",
                                     {{"ProductName", jet::ColumnType::Text, 40},
                                      {"UnitPrice", jet::ColumnType::Currency},
                                      {"UnitsInStock", jet::ColumnType::Integer},
                                      {"Discount", jet::ColumnType::Single},
                                      {"Added", jet::ColumnType::DateTime}},
                                     {}});
            if (withRules)
                jet::setTableProperties(pages, "Products",
                                        {{"Products", "ValidationRule", "[UnitsInStock] < 1000 Or [Discount] = 0"},
                                         {"UnitPrice", "ValidationRule", ">=0"},
                                         {"UnitPrice", "DefaultValue", "0"},
                                         {"UnitsInStock", "DefaultValue", "0"},
                                         {"UnitsInStock", "ValidationRule", "Between 0 And 30000"},
                                         {"Discount", "ValidationRule", "Between 0 And 1"},
                                         {"Added", "DefaultValue", "#2024-01-01#"},
                                         {"Added", "ValidationRule", "<=Date()"}});
        });
        jet::ImportResult result;
        runs.push_back(seconds([&] { result = jet::importCsv(db, "Products", csv); }));
        ok = ok && result.rows == rows;
    }
    std::sort(runs.begin(), runs.end());
    return runs[runs.size() / 2];
}

}  // namespace

int main(int argc, char** argv) {
    const fs::path folder = argc > 1 ? fs::path(argv[1]) : fs::temp_directory_path();
    const std::size_t rows = argc > 2 ? std::stoul(argv[2]) : 100000;

    // A million values, one in four negative, one in two above 1, dates before and after today.
    std::vector<jet::Value> numbers, dates;
    for (int i = 0; i < 1000000; ++i) {
        numbers.push_back(jet::Value::real(i % 4 == 0 ? -1.5 : (i % 2 == 0 ? 0.5 : 2.0)));
        dates.push_back(jet::Value::dateTime(i % 2 ? 40000.0 : 2958000.0));
    }
    bool ok = timeRule(">=0", numbers, 750000);
    ok = timeRule("Between 0 And 1", numbers, 250000) && ok;
    ok = timeRule("<Date()", dates, 500000) && ok;

    std::string csv = "ProductName,UnitPrice,Discount\r\n";
    for (std::size_t n = 0; n < rows; ++n)
        csv += "\"Product " + std::to_string(n) + "\"," + std::to_string(n % 500) + ".25,0." + std::to_string(n % 10) + "\r\n";
    const std::string db = (folder / "ravelin-bench-rules.mdb").string();
    const double plain = medianImport(db, false, csv, rows, ok);
    const double ruled = medianImport(db, true, csv, rows, ok);
    std::printf("import of %zu rows: %.3f s without rules, %.3f s with rules and defaults (%.2f times)\n", rows, plain,
                ruled, ruled / plain);
    fs::remove(db);
    if (!ok)
        std::printf("FAILED: a rule or an import did not give the rows set up\n");
    return ok ? 0 : 1;
}
