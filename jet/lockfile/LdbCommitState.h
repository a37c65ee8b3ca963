#pragma once
// The per-user commit state in a database's header page. The last 512 bytes
// of the header page hold 256 little-endian 16-bit values: the first for a
// user who opened the database exclusively, then one per lock-file slot
// (slot n at +2 + 2n). Jet counts a user's writes there, starting from 0x0100,
// and reserves two values: 0 while the user is writing a transaction to disk
// and 1 once the user has met a corrupted page. A user left the database
// suspect when its value is 0 and its user lock is not held, or when it is 1.
//
// Established for Jet 3 (documented at 0x600 of the 2 KB page, and so in the
// files) and for Jet 4 and every ACE version, whose files (ACE 12, 14 and 17
// among the real ones) hold the same array, with the same counter values, at
// 0xE00 of the 4 KB page (docs/locking.md).
#include "jet/page/FileFormat.h"
#include "jet/lockfile/LockFile.h"

#include <array>
#include <cstdint>
#include <optional>
#include <string>

namespace jet {

inline constexpr std::uint16_t kCommitWriteInProgress = 0x0000;
inline constexpr std::uint16_t kCommitCorruptPageSeen = 0x0001;
inline constexpr std::uint16_t kCommitCounterStart = 0x0100;

using CommitValues = std::array<std::uint16_t, kMaxLockSlots>;

// File offset of slot `slot`'s commit value; nothing for a slot outside 0-254.
std::optional<std::size_t> commitValueOffset(const FileFormat& format, int slot);

// The value a user stores once a write is done: its write count one higher,
// counting from kCommitCounterStart again past the top.
inline std::uint16_t nextCommitValue(std::uint16_t value) {
    return value >= kCommitCounterStart && value < 0xFFFF ? static_cast<std::uint16_t>(value + 1) : kCommitCounterStart;
}

// Whether a user whose commit value is `value` left the database suspect.
bool leftSuspect(std::uint16_t value, bool userLockHeld);

// The slots' commit values from the header page of the database at `path`.
// Reads only. Throws Error naming the file: FileNotFound, DiskIo, or
// NotADatabase (also for a header page cut short).
CommitValues readCommitValues(const std::string& path);

}  // namespace jet
