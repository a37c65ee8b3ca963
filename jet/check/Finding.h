#pragma once
// One inconsistency the checker found in a database file: the table it
// concerns, the page where it shows, and what is wrong.
#include "jet/Database.h"
#include "jet/table/TableDef.h"

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace jet {

struct Finding {
    std::string table;
    std::uint32_t page = 0;
    std::string problem;
};

// "TABLE: page N: PROBLEM", the form the command prints.
std::string describe(const Finding& f);

// What the checks of one file share: the database and the findings so far.
struct CheckRun {
    std::shared_ptr<const Database> db;
    std::vector<Finding> findings;

    void add(const std::string& table, std::uint32_t page, std::string problem) {
        findings.push_back({table, page, std::move(problem)});
    }
};

}  // namespace jet
