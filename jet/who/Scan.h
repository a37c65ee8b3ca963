#pragma once
// Finds the databases in use under a folder: every Access database file with
// its lock file beside it. Reads folder entries only; never opens a file.
#include <string>
#include <vector>

namespace jet::who {

struct ScanResult {
    std::string root;
    std::vector<std::string> databases;  // sorted
    std::string rootError;               // why `root` itself could not be read, or empty
    std::vector<std::string> unreadable;  // "folder: reason" for each folder under it skipped
};

// The databases under `root`. Symbolic links are never followed (so the walk
// stays inside the tree); a folder that can't be read is skipped and listed.
ScanResult findDatabasesInUse(const std::string& root);

}  // namespace jet::who
