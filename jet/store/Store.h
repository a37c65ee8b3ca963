#pragma once
// One store: a change of a database file made as one atomic step, by a writer
// that does not hold the file open between stores.
//
// A store takes the writer lock (jet/store/WriterLock.h), registers as a Jet
// user in the lock file (refused with 3260 while anyone else is connected),
// rolls back an interrupted earlier store, runs the change on pages read from
// disk, and writes what it changed under a rollback journal
// (jet/store/Journal.h). Afterwards its lock file slot is cleared and the lock
// file removed when no one else uses it.

#include "jet/page/PageCipher.h"
#include "jet/store/PageStore.h"
#include "jet/store/WriterLock.h"

#include <functional>
#include <memory>
#include <optional>
#include <string>

namespace jet {

struct StoreOptions {
    std::string computerName;  // empty: this machine's name (thisComputerName)
    std::string userName = "Admin";
    int lockWaitMs = kDefaultLockWaitMs;  // how long to wait for another store to end
    // A database protected by a database password, encoded or encrypted is
    // written only by a caller that keeps its protection: this holds the
    // cipher of its pages after the header page, as a reader of the file has
    // it (Pager::cipher(); nullptr when they are plain). The store's pages
    // are then read deciphered and written enciphered again.
    std::optional<std::shared_ptr<const PageCipher>> protection;
};

// Runs `change` against the pages of the database at `path` and writes what it
// changed. `change` reads the file as it is on disk now (never a cached copy)
// and throws to abandon the store; nothing is then written. Errors are
// jet::Error with Jet's numbers: 3024 no such file; 3027 the file cannot be
// written (no permission, read-only mount, a format we do not write: Jet 3;
// encoded or password-protected without `protection`); 3260 someone else has the database open;
// 3218 another store does not end in time; 3026 disk full; 3043 any other
// failure to read or write. A store that fails while writing puts the
// original pages back before it throws, or, if even that fails, leaves its
// journal for the next open to roll back.
//
// A store started inside the change of another store into the same file, in
// the same thread, is part of that store: it sees the outer change's pages,
// its own changes are undone if it throws, and they are written when the
// outer store commits.
void runStore(const std::string& path, const std::function<void(PageStore&)>& change,
              const StoreOptions& options = {});

// Says, between two operations of a change, that what it changed so far may be
// written now; true when it was (the change's page caches then start again).
using StoreStep = std::function<bool()>;

// runStore for a file no one else is to read until the change ends (a new
// file that is removed after any error): memory stays bounded however much
// the change writes. Whenever `step` is called with more than `boundBytes` of
// changed pages held, they are written as one store, and the change goes on
// in the next under the same locks. A change that throws undoes only what it
// changed since the last store written. Inside another store of the same
// file `step` never writes.
void runStoreInSteps(const std::string& path, std::size_t boundBytes,
                     const std::function<void(PageStore&, const StoreStep& step)>& change,
                     const StoreOptions& options = {});

}  // namespace jet
