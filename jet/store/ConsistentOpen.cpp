#include "jet/store/ConsistentOpen.h"

#include "jet/Error.h"
#include "jet/page/File.h"
#include "jet/lockfile/LockFileUser.h"
#include "jet/store/Journal.h"

#include <algorithm>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace jet {
namespace {

// The file as it was before the interrupted store: the journal's pages in
// place of the file's, cut at the original length.
class JournalOverlay final : public PageSource {
public:
    JournalOverlay(std::unique_ptr<PageSource> file, JournalImage image)
        : file_(std::move(file)), image_(std::move(image)) {}

    std::uint64_t size() const override { return image_.originalLength; }

    void read(std::uint64_t offset, std::span<std::uint8_t> out) const override {
        if (offset > size() || out.size() > size() - offset)
            throw Error(DiskIo, "Read past the end of the database bytes.");
        const std::uint64_t end = offset + out.size();
        const std::uint64_t fromFile = std::min(end, file_->size());
        std::fill(out.begin(), out.end(), std::uint8_t{0});
        if (fromFile > offset)
            file_->read(offset, out.first(static_cast<std::size_t>(fromFile - offset)));
        const std::uint64_t ps = image_.pageSize;
        for (auto it = image_.pages.lower_bound(static_cast<std::uint32_t>(offset / ps));
             it != image_.pages.end() && it->first * ps < end; ++it) {
            const auto& original = it->second.original;
            if (original.empty())
                continue;  // a page the store added: past the original length
            const std::uint64_t pageStart = it->first * ps;
            const std::uint64_t from = std::max(pageStart, offset);
            const std::uint64_t to = std::min(pageStart + ps, end);
            std::memcpy(out.data() + (from - offset), original.data() + (from - pageStart), to - from);
        }
    }

private:
    std::unique_ptr<PageSource> file_;
    JournalImage image_;
};

}  // namespace

bool recoverInterruptedStore(int fd, const std::string& path) {
    const std::string journal = journalPathFor(path);
    if (!journalPending(journal))
        return false;
    const auto image = readJournal(journal);
    if (image && !journalFits(fd, path, *image)) {
        const std::string aside = keepJournalAside(journal);
        notice("The journal of a store into '" + path + "' that was cut short was not applied: the file has been "
               "written since. The file is left as it is; the journal is kept as '" + aside + "'.");
        return false;
    }
    if (image)
        rollBack(fd, path, *image);
    voidJournal(journal);
    return image.has_value();
}

ConsistentOpen::ConsistentOpen(const std::string& path, int waitMs, PendingJournal pending)
    : fd_(::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK)) {  // never blocks on a FIFO
    struct stat st {};
    if (!fd_.valid() || ::fstat(fd_.get(), &st) != 0 || !S_ISREG(st.st_mode)) {
        source_ = openFileSource(path);  // raises the error that fits
        return;
    }
    openUnderLock(path, waitMs, pending);
}

void ConsistentOpen::openUnderLock(const std::string& path, int waitMs, PendingJournal pending) {
    lock_ = std::make_unique<WriterLock>(fd_.get(), path, WriterLock::Mode::Shared, waitMs);
    const std::string journal = journalPathFor(path);
    if (journalPending(journal) && (pending == PendingJournal::ReadThrough || !rollBackAsWriter(path, waitMs))) {
        leftPending_ = true;
        // A journal that no longer fits the file is not read through either.
        if (auto image = readJournal(journal); image && journalFits(fd_.get(), path, *image)) {
            source_ = std::make_unique<JournalOverlay>(openFileSource(path), std::move(*image));
            return;
        }
    }
    source_ = openFileSource(path);
}

// Rolls back as a store would: with the writer lock, registered as a Jet
// user. False when the file cannot be written or someone else is connected
// (the reader then reads through the journal).
bool ConsistentOpen::rollBackAsWriter(const std::string& path, int waitMs) {
    const UniqueFd file(::open(path.c_str(), O_RDWR | O_CLOEXEC));
    if (!file.valid())
        return false;
    const int rw = file.get();
    lock_.reset();
    bool done = false;
    try {
        const WriterLock exclusive(rw, path, WriterLock::Mode::Exclusive, waitMs);
        const LockFileUser user(path, thisComputerName(), "Admin");
        recoverInterruptedStore(rw, path);
        done = true;
    } catch (const Error& e) {
        if (e.number() != CurrentlyLocked && e.number() != ReadOnlyDatabase)
            throw;
    }
    lock_ = std::make_unique<WriterLock>(fd_.get(), path, WriterLock::Mode::Shared, waitMs);
    return done;
}

// The lock goes before the descriptor it was taken on (members go in reverse order).
ConsistentOpen::~ConsistentOpen() = default;

}  // namespace jet
