#pragma once
// Recognises a Jet or ACE file from the first bytes of its header page,
// never from its name.
#include "jet/page/HeaderFormat.h"

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>

namespace jet {

// The value is the version byte of the header page (kHeaderVersionAt).
enum class Version : std::uint8_t {
    Jet3 = 0,   // Access 97: 2 KB pages, 8-bit text
    Jet4 = 1,   // Access 2000-2003: 4 KB pages, UCS-2 text
    Ace12 = 2,  // Access 2007 .accdb
    Ace14 = 3,  // Access 2010
    Ace15 = 4,  // Access 2013
    Ace16 = 5,  // Access 2016
    Ace17 = 6,  // Access 2019 and Microsoft 365 (a file with a Date/Time Extended column)
};

struct FileFormat {
    Version version;
    bool workgroup;  // "Jet System DB": a workgroup information file
    std::size_t pageSize;
};

// Bytes needed from the start of the file to recognise it.
inline constexpr std::size_t kFormatProbeSize = kHeaderVersionAt + 1;

// The format of a file whose first bytes are `head`, or nothing when they are
// not those of a Jet or ACE database of a version we know. Every version
// Access writes is known; all but Jet 3 share the Jet 4 page layout.
std::optional<FileFormat> detectFormat(std::span<const std::uint8_t> head);

// Why detectFormat refused `head`, for a message naming the file `name`: a
// database of an Access version newer than those we know (naming its version
// byte), or not a Jet or ACE database at all.
std::string refusedFormatMessage(std::span<const std::uint8_t> head, const std::string& name);

// Reads the first bytes of the file at `path`; throws Error (FileNotFound,
// DiskIo, NotADatabase) naming the file when it is missing, unreadable or
// not a database (refusedFormatMessage).
FileFormat readFileFormat(const std::string& path);

std::string versionName(Version v);

}  // namespace jet
