#include "jet/tools/commands/CheckCommand.h"

#include "jet/check/CheckDatabase.h"

#include <iostream>

int checkFile(const std::string& path) {
    const auto findings = jet::checkDatabase(path);
    for (const auto& f : findings)
        std::cout << jet::describe(f) << '\n';
    std::cout.flush();
    return findings.empty() ? 0 : 1;
}
