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
    // "path: a FIFO named like a database, passed over" for each entry named
    // like a database or lock file that is not a regular file; sorted.
    std::vector<std::string> passedOver;
};

// The databases under `root`: each regular file named like a database with a
// regular file beside it named like its lock file, the name's case aside (as
// Samba matches names). Symbolic links are never followed (so the walk stays
// inside the tree); a folder that can't be read is skipped and listed.
ScanResult findDatabasesInUse(const std::string& root);

}  // namespace jet::who
