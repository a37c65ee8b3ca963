#include "jet/tools/commands/CheckCommand.h"

#include "jet/check/CheckDatabase.h"

#include <iostream>

int checkFile(const std::string& path, const std::string& password) {
    const auto findings = jet::checkDatabase(path, jet::RowCounts::AsAccessLeavesThem, password);
    for (const auto& f : findings)
        std::cout << jet::describe(f) << '\n';
    std::cout.flush();
    return findings.empty() ? 0 : 1;
}
