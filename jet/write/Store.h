#pragma once
// One store: a change of a database file made as one atomic step, by a writer
// that does not hold the file open between stores.

#include "jet/write/PageStore.h"

#include <functional>
#include <string>

namespace jet {

struct StoreOptions {
    std::string computerName;  // empty: this machine's host name
    std::string userName = "Admin";
};

// Runs `change` against the pages of the database at `path` and writes what it
// changed. `change` reads the file as it is on disk now (never a cached copy)
// and throws to abandon the store; nothing is then written. Errors are
// jet::Error with Jet's numbers.
void runStore(const std::string& path, const std::function<void(PageStore&)>& change,
              const StoreOptions& options = {});

}  // namespace jet
