#pragma once
// The rollback journal of a store: a file beside the database holding the
// original contents of every page the store is about to overwrite and the
// database's original length. It is complete and on disk before the first
// page of the database changes, and removed once the database is on disk, so
// a journal found later means a store was cut short: putting its pages back
// and cutting the file to its old length undoes it. A journal without its
// closing checksum was cut short itself, before any page changed, and is
// dropped.
//
// Layout (little-endian): "RVJOURN1", page size (u32), page count (u32),
// original length (u64), reserved (u64); per page its number (u32) and its
// bytes; then an FNV-1a 64 checksum of everything before it and "RVJCOMMT".
#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <vector>

namespace jet {

struct JournalImage {
    std::uint32_t pageSize = 0;
    std::uint64_t originalLength = 0;
    std::map<std::uint32_t, std::vector<std::uint8_t>> pages;  // original contents by number
};

// `users.mdb` -> `users.mdb.rvj`, beside the file a symbolic link leads to.
std::string journalPathFor(const std::string& databasePath);

// Writes the journal and makes it durable (the file and its folder entry).
void writeJournal(const std::string& journalPath, const JournalImage& image);

// The journal at `journalPath`; nothing when there is none or it is
// incomplete. Error 3043 when it cannot be read.
std::optional<JournalImage> readJournal(const std::string& journalPath);

// Puts the journal's pages back into the database open on `fd`, cuts it to
// its original length and syncs it. Running it again gives the same file.
void rollBack(int fd, const std::string& databasePath, const JournalImage& image);

}  // namespace jet
