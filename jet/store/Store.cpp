#include "jet/store/Store.h"

#include "jet/Error.h"
#include "jet/page/File.h"
#include "jet/lockfile/LdbCommitState.h"
#include "jet/lockfile/LockFileUser.h"
#include "jet/page/Coding.h"
#include "jet/page/DatabaseHeader.h"
#include "jet/store/ConsistentOpen.h"
#include "jet/store/Journal.h"
#include "jet/store/StoreIo.h"

#include <cerrno>
#include <cstdint>
#include <cstring>
#include <fcntl.h>
#include <map>
#include <unordered_map>
#include <sys/stat.h>
#include <unistd.h>

namespace jet {
namespace {

const char* const kReadOnly = "Cannot update. Database or object is read-only.";

// Pages read from the file on demand; written pages kept until the commit.
class BufferedStore : public PageStore {
public:
    // `cipher`: of the pages after the header page, which the file keeps enciphered.
    BufferedStore(int fd, std::string path, FileFormat format, std::uint64_t length,
                  std::shared_ptr<const PageCipher> cipher)
        : fd_(fd), path_(std::move(path)), format_(format), length_(length),
          pages_(static_cast<std::uint32_t>(length / format.pageSize)), cipher_(std::move(cipher)) {}

    const FileFormat& format() const override { return format_; }
    const std::string& name() const override { return path_; }
    std::uint32_t pageCount() const override { return pages_; }

    std::vector<std::uint8_t> read(std::uint32_t number) const override {
        if (number >= pages_)
            throw Error(NotADatabase, "The database '" + path_ + "' has no page " + std::to_string(number) + ".");
        if (auto it = changed_.find(number); it != changed_.end())
            return it->second;
        std::vector<std::uint8_t> bytes = readOriginal(number);
        if (cipher_ && number != 0)
            cipher_->decipher(number, bytes);
        return bytes;
    }

    void write(std::uint32_t number, std::span<const std::uint8_t> bytes) override {
        if (number >= pages_ || bytes.size() != pageSize())
            throw Error(InvalidArgument, "Page " + std::to_string(number) + " cannot be written.");
        changed_[number].assign(bytes.begin(), bytes.end());
    }

    std::uint32_t append() override {
        changed_[pages_].assign(pageSize(), 0);
        return pages_++;
    }

    // Journals the original pages; marks this user's commit in progress in
    // the header page, as a Jet client does while it writes, so that a store
    // cut short leaves the database suspect to Jet clients; writes the
    // changed pages; records the finished write; syncs; drops the journal.
    // A failure on the way puts the original pages back, so a store that
    // throws has changed nothing.
    void commit(int slot) {
        if (changed_.empty())
            return;
        writeChanged(slot);
        // The file now holds the changes: later reads and the next commit start from it.
        changed_.clear();
        originals_.clear();
        length_ = pages_ * std::uint64_t{pageSize()};
    }

    std::size_t pendingBytes() const { return changed_.size() * pageSize(); }

    // Error 3343 when a Jet user left the database suspect (a write cut
    // short, a damaged page met): Access repairs it first; a store would
    // hide the mark.
    void requireNotSuspect() const {
        const auto header = readOriginal(0);
        for (int slot = 0; slot < kMaxLockSlots; ++slot)
            if (const auto at = commitValueOffset(format_, slot); at && leftSuspect(readU16(&header[*at]), false))
                throw Error(NotADatabase, "The database '" + path_ + "' is damaged: a Jet user (slot " +
                                              std::to_string(slot) + " of its lock file) left it in a suspect state. "
                                              "Repair it in Access before changing it.");
    }

    void undoable(const std::function<void()>& change) override {
        auto changed = changed_;
        const auto pages = pages_;
        try {
            change();
        } catch (...) {
            changed_ = std::move(changed);
            pages_ = pages;
            throw;
        }
    }

private:
    void writeChanged(int slot) {
        if (cipher_)  // from here on the pages as the file keeps them; the commit then forgets them
            for (auto& [number, bytes] : changed_)
                if (number != 0)
                    cipher_->encipher(number, bytes);
        JournalImage journal{static_cast<std::uint32_t>(pageSize()), length_, pages_ * std::uint64_t{pageSize()}, {}};
        for (const auto& [number, bytes] : changed_) {
            JournalPage& page = journal.pages[number];
            if (number * std::uint64_t{pageSize()} < length_)
                page.original = readOriginal(number);
            page.written = sectorSums(bytes);
        }
        std::vector<std::uint8_t> writing, done;  // the header page while the store writes, and after
        if (const auto markAt = commitValueOffset(format_, slot)) {
            JournalPage& header = journal.pages[0];
            if (header.original.empty())
                header.original = readOriginal(0);
            done = changed_.count(0) ? changed_.at(0) : header.original;
            writing = done;
            writeU16(&writing[*markAt], kCommitWriteInProgress);
            writeU16(&done[*markAt], nextCommitValue(readU16(&header.original[*markAt])));
            header.written = sectorSums(done);
            header.written[*markAt / kJournalSector] = 0;  // the commit value: in progress or done
        }
        const std::string journalPath = journalPathFor(path_);
        try {
            writeJournal(journalPath, journal);
        } catch (...) {
            try {
                voidJournal(journalPath);  // cut short: the file is untouched
            } catch (const Error&) {  // incomplete all the same
            }
            throw;
        }
        try {
            if (!writing.empty())
                writePage(0, writing);
            for (const auto& [number, bytes] : changed_)
                if (number != 0 || writing.empty())
                    writePage(number, bytes);
            if (!done.empty())
                writePage(0, done);
            storeio::sync(fd_, path_);
            voidJournal(journalPath);  // the store is in
        } catch (...) {
            try {
                rollBack(fd_, path_, journal);
                voidJournal(journalPath);
            } catch (const Error&) {  // the journal stays; the next open rolls back
            }
            throw;
        }
    }

    void writePage(std::uint32_t number, const std::vector<std::uint8_t>& bytes) {
        storeio::writeAt(fd_, bytes.data(), bytes.size(), number * std::uint64_t{pageSize()}, path_);
    }

    // A page as the file holds it; kept while the store runs (no one else
    // writes the file meanwhile), a bounded number of them.
    const std::vector<std::uint8_t>& readOriginal(std::uint32_t number) const {
        constexpr std::size_t kKept = 512;
        if (auto it = originals_.find(number); it != originals_.end())
            return it->second;
        if (originals_.size() >= kKept)
            originals_.clear();
        std::vector<std::uint8_t> bytes(pageSize());
        const std::uint64_t at = number * std::uint64_t{pageSize()};
        const std::size_t present = static_cast<std::size_t>(std::min<std::uint64_t>(pageSize(), length_ - at));
        if (!storeio::readAt(fd_, bytes.data(), present, at, path_))
            throw Error(DiskIo, "Page " + std::to_string(number) + " of '" + path_ + "' could not be read.");
        return originals_[number] = std::move(bytes);
    }

    int fd_;
    std::string path_;
    FileFormat format_;
    std::uint64_t length_;
    std::uint32_t pages_;
    std::shared_ptr<const PageCipher> cipher_;
    std::map<std::uint32_t, std::vector<std::uint8_t>> changed_;
    mutable std::unordered_map<std::uint32_t, std::vector<std::uint8_t>> originals_;
};

int openForWriting(const std::string& path) {
    const int fd = ::open(path.c_str(), O_RDWR | O_CLOEXEC | O_NONBLOCK);
    if (fd >= 0)
        return fd;
    if (errno == ENOENT || errno == ENOTDIR)
        throw Error(FileNotFound, "Could not find file '" + path + "'.");
    if (errno == EACCES || errno == EPERM || errno == EROFS || errno == ETXTBSY)
        throw Error(ReadOnlyDatabase, kReadOnly);
    throw Error(DiskIo, "Could not open file '" + path + "': " + std::strerror(errno) + ".");
}

struct Writable {
    FileFormat format;
    std::shared_ptr<const PageCipher> cipher;  // of the pages after the header page
};

// The format of the file open on `fd` and the cipher of its pages; 3027 for
// a format we do not write, and for a protected file the caller does not
// keep protected.
Writable writableFormat(int fd, const std::string& path, const StoreOptions& options) {
    std::vector<std::uint8_t> head(kHeaderProbeSize);
    if (!storeio::readAt(fd, head.data(), head.size(), 0, path))
        throw Error(NotADatabase, "'" + path + "' is not a Jet or ACE database file.");
    const auto header = decodeHeader(head);
    if (!header)
        throw Error(NotADatabase, refusedFormatMessage(head, path));
    const bool protectedFile = header->databaseKey != 0 || header->passwordSet;
    std::shared_ptr<const PageCipher> cipher;
    if (protectedFile && options.protection)
        cipher = header->databaseKey != 0 ? *options.protection : nullptr;
    if (header->format.version == Version::Jet3 || (protectedFile && !options.protection) ||
        (header->databaseKey != 0 && !cipher))
        throw Error(ReadOnlyDatabase, kReadOnly);
    return {header->format, std::move(cipher)};
}

// The store this thread runs, so that a store started inside its change on
// the same file joins it instead of waiting for its locks.
struct ActiveStore {
    dev_t device;
    ino_t inode;
    BufferedStore* store;
};
thread_local ActiveStore* activeStore = nullptr;

class ActiveStoreScope {
public:
    explicit ActiveStoreScope(ActiveStore& store) : previous_(activeStore) { activeStore = &store; }
    ~ActiveStoreScope() { activeStore = previous_; }
    ActiveStoreScope(const ActiveStoreScope&) = delete;
    ActiveStoreScope& operator=(const ActiveStoreScope&) = delete;

private:
    ActiveStore* previous_;
};

}  // namespace

void runStoreInSteps(const std::string& path, std::size_t boundBytes,
                     const std::function<void(PageStore&, const StoreStep& step)>& change,
                     const StoreOptions& options) {
    if (struct stat named {}; activeStore && ::stat(path.c_str(), &named) == 0 &&
                              named.st_dev == activeStore->device && named.st_ino == activeStore->inode) {
        const StoreStep joined = [] { return false; };
        activeStore->store->undoable([&] { change(*activeStore->store, joined); });
        return;
    }
    const UniqueFd file(openForWriting(path));
    const int fd = file.get();
    struct stat st {};
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode))
        throw Error(NotADatabase, "'" + path + "' is not a database file.");
    const WriterLock lock(fd, path, WriterLock::Mode::Exclusive, options.lockWaitMs);
    const Writable writable = writableFormat(fd, path, options);  // stores never change these header fields
    const FileFormat& format = writable.format;
    const LockFileUser user(path, options.computerName.empty() ? thisComputerName() : options.computerName,
                            options.userName);
    recoverInterruptedStore(fd, path);
    if (::fstat(fd, &st) != 0)
        throw Error(DiskIo, "Could not read '" + path + "': " + std::strerror(errno) + ".");
    if (st.st_size % format.pageSize != 0)
        throw databaseDamaged(path, "it ends inside a page");
    BufferedStore store(fd, path, format, static_cast<std::uint64_t>(st.st_size), writable.cipher);
    store.requireNotSuspect();
    ActiveStore active{st.st_dev, st.st_ino, &store};
    const StoreStep step = [&] {
        if (store.pendingBytes() <= boundBytes)
            return false;
        store.commit(user.slot());
        return true;
    };
    {
        const ActiveStoreScope scope(active);
        change(store, step);
    }
    store.commit(user.slot());
}

void runStore(const std::string& path, const std::function<void(PageStore&)>& change, const StoreOptions& options) {
    runStoreInSteps(
        path, SIZE_MAX, [&](PageStore& store, const StoreStep&) { change(store); }, options);
}

}  // namespace jet
