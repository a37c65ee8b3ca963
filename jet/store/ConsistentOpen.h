#pragma once
// Opening a database for reading while stores may run. While the object
// lives the reader holds the writer lock shared, so no store starts; a store
// already running is waited out (up to the lock wait). An interrupted store
// (its journal beside the file) is rolled back first when the file can be
// written and no Jet user is connected, as a store would (writer lock, a slot
// in the lock file); otherwise the reader reads through the journal, seeing
// the file as it was before that store (when the journal still fits the
// file; else the file as it is).
#include "jet/page/File.h"
#include "jet/page/PageSource.h"
#include "jet/store/WriterLock.h"

#include <memory>
#include <string>

namespace jet {

// What an open does with the journal of an interrupted store: roll it back
// when it can, or only read through it (a reader that must write nothing).
enum class PendingJournal { RollBack, ReadThrough };

class ConsistentOpen {
public:
    // Errors as openFileSource, 3218 when a store does not end in time, 3043
    // when rolling back fails.
    explicit ConsistentOpen(const std::string& path, int waitMs = kDefaultLockWaitMs,
                            PendingJournal pending = PendingJournal::RollBack);
    ~ConsistentOpen();
    ConsistentOpen(const ConsistentOpen&) = delete;
    ConsistentOpen& operator=(const ConsistentOpen&) = delete;

    // The file's pages as they are while the object lives; taken once.
    std::unique_ptr<PageSource> takeSource() { return std::move(source_); }
    // Whether a journal of an interrupted store was found and left pending.
    bool journalLeftPending() const { return leftPending_; }

private:
    void openUnderLock(const std::string& path, int waitMs, PendingJournal pending);
    bool rollBackAsWriter(const std::string& path, int waitMs);

    UniqueFd fd_;
    std::unique_ptr<WriterLock> lock_;
    std::unique_ptr<PageSource> source_;
    bool leftPending_ = false;
};

// Rolls back an interrupted store of the database open for writing on `fd`,
// the caller holding the writer lock exclusively; drops a journal that was
// cut short. A journal that does not fit the file (jet/store/Journal.h) is
// kept aside, the file left alone, and a notice says so (jet/Error.h).
// Whether the file was rolled back.
bool recoverInterruptedStore(int fd, const std::string& path);

}  // namespace jet
