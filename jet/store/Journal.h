#pragma once
// The rollback journal of a store: a file beside the database holding the
// original contents of every page the store is about to overwrite, what it
// is about to write there (a checksum per 512-byte sector), and the
// database's lengths before and after. It is complete and on disk before the
// first page of the database changes, and made void once the database is on
// disk, so a journal found pending later means a store was cut short. A
// journal without its closing checksum was cut short itself, before any page
// changed, and is made void.
//
// The file stays beside the database between stores, void (its first eight
// bytes zero), so that a store writes over it instead of creating and
// removing a file: the folder then never has to be synced.
//
// A journal only ever undoes its own store: it is applied (its pages put
// back, the file cut to its old length) only when every sector it names
// holds either its original bytes or the store's, and the file is no longer
// than the store made it. Otherwise someone else has written the file since
// the store was cut short; the journal is then kept aside, not applied.
//
// Layout (little-endian): "RVJOURN2", page size (u32), page count (u32),
// original length (u64), length after the store (u64); per page its number
// (u32), the checksum of each sector the store writes (0: any content
// passes), and, for pages inside the original length, the original bytes;
// then a checksum of everything before it and "RVJCOMMT". Checksums are
// FNV-1a 64 over 64-bit words, each step folded (h ^= h >> 29).
// Bytes after that are left from an earlier journal and mean nothing.
#include <cstdint>
#include <map>
#include <optional>
#include <span>
#include <string>
#include <vector>

namespace jet {

inline constexpr std::size_t kJournalSector = 512;

struct JournalPage {
    std::vector<std::uint8_t> original;    // empty for a page the store appended
    std::vector<std::uint64_t> written;    // checksum of each sector the store writes; 0: not checked
};

struct JournalImage {
    std::uint32_t pageSize = 0;
    std::uint64_t originalLength = 0;
    std::uint64_t newLength = 0;
    std::map<std::uint32_t, JournalPage> pages;  // by page number
};

// The checksums JournalPage::written holds for `bytes`, a page.
std::vector<std::uint64_t> sectorSums(std::span<const std::uint8_t> bytes);

// `users.mdb` -> `users.mdb.rvj`, beside the file a symbolic link leads to.
std::string journalPathFor(const std::string& databasePath);

// Writes the journal over the file (creating it when there is none) and
// makes it durable (the file, and a new file's folder entry).
void writeJournal(const std::string& journalPath, const JournalImage& image);

// Whether the file at `journalPath` is a journal not yet made void.
bool journalPending(const std::string& journalPath);
// Makes the journal void (not synced: should it come back after a power
// loss, it undoes a store that had completed, whole).
void voidJournal(const std::string& journalPath);

// The pending journal at `journalPath`; nothing when there is none, it is
// void or it is incomplete. Error 3043 when it cannot be read.
std::optional<JournalImage> readJournal(const std::string& journalPath);

// Whether the database open on `fd` holds, in every sector the journal
// names, either the original bytes or the store's, and is no longer than the
// store made it: whether the journal may be applied.
bool journalFits(int fd, const std::string& databasePath, const JournalImage& image);

// Puts the journal's original pages back into the database open on `fd`
// (page 0, the header, last), cuts it to its original length and syncs it.
// Running it again gives the same file.
void rollBack(int fd, const std::string& databasePath, const JournalImage& image);

// Moves the journal out of the way under a name that says it was not
// applied (`users.mdb.rvj.not-applied`, or with a number when that is
// taken); returns the name.
std::string keepJournalAside(const std::string& journalPath);

}  // namespace jet
