#pragma once
// Finds the databases in use under a folder: every Access database file with
// its lock file beside it. Reads folder entries only; never opens a file.
#include <functional>
#include <string>
#include <vector>

namespace jet::who {

// The databases under `root`, sorted. Symbolic links are never followed (so
// the walk stays inside the tree); a folder that can't be read is skipped
// after `note` is told its path and the reason.
std::vector<std::string> findDatabasesInUse(const std::string& root,
                                            const std::function<void(const std::string&)>& note);

}  // namespace jet::who
