#pragma once
// The Jet lock file (.ldb, or .laccdb beside an .accdb): an array of up to 255
// slots of 64 bytes, one per user who has opened the database since the lock
// file was created. Each slot holds a 32-byte computer name field and a 32-byte
// security (account) name field; a name ends at its first NUL, and whatever
// follows up to the field's end is padding (Jet uses blanks or NULs). Text is
// in the writing client's ANSI code page, read here as Windows-1252.
//
// A user is connected while it holds its user lock: a one-byte byte-range lock
// at kUserLockBase + slot, far beyond the file's end.
#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <vector>

namespace jet {

inline constexpr std::size_t kLockSlotSize = 64;
inline constexpr std::size_t kLockNameFieldSize = 32;
inline constexpr int kMaxLockSlots = 255;
inline constexpr std::size_t kMaxLockFileSize = kLockSlotSize * kMaxLockSlots;  // 16320
inline constexpr std::int64_t kUserLockBase = 0x10000001;

struct LockSlot {
    int index;                 // 0-based slot number (user lock kUserLockBase + index)
    std::string computerName;  // UTF-8; empty when the slot holds none
    std::string securityName;  // UTF-8; empty when absent
};

// The slots in `bytes` (a lock file's contents), in slot order, one entry per
// slot whose computer name field is complete; at most kMaxLockSlots, bytes
// beyond them are ignored. Names are decoded from Windows-1252, cut at the
// first NUL (a field without one is taken whole) and stripped of surrounding
// blanks.
std::vector<LockSlot> parseLockSlots(std::span<const std::uint8_t> bytes);

// One slot as a Jet client writes it: each name converted to Windows-1252,
// cut to 31 bytes, ended by a NUL; the computer name field padded with blanks
// and the security name field with NULs, as Jet itself pads them.
std::vector<std::uint8_t> encodeLockSlot(const std::string& computerName,
                                         const std::string& securityName);

// The lock file that belongs to the database at `databasePath`: the path with
// the file name's extension replaced by .laccdb for an ACE database (.accdb,
// .accde, .accdr, .accdt) and by .ldb otherwise; a name without an extension
// gets .ldb appended.
std::string lockFilePathFor(const std::string& databasePath);

}  // namespace jet
