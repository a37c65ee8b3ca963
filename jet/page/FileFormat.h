#pragma once
// Recognises a Jet or ACE file from the first bytes of its header page,
// never from its name.
#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>

namespace jet {

enum class Version {
    Jet3,   // Access 97: 2 KB pages, 8-bit text
    Jet4,   // Access 2000-2003: 4 KB pages, UCS-2 text
    Ace12,  // Access 2007 .accdb
    Ace14,  // Access 2010
    Ace15,  // Access 2013
    Ace16,  // Access 2016 and later
};

struct FileFormat {
    Version version;
    bool workgroup;  // "Jet System DB": a workgroup information file
    std::size_t pageSize;
};

// Bytes needed from the start of the file to recognise it.
inline constexpr std::size_t kFormatProbeSize = 0x15;

// The format of a file whose first bytes are `head`, or nothing when they are
// not those of a Jet or ACE database.
std::optional<FileFormat> detectFormat(std::span<const std::uint8_t> head);

// Reads the first bytes of the file at `path`; throws Error (FileNotFound,
// DiskIo, NotADatabase) naming the file when it is missing, unreadable or
// not a database.
FileFormat readFileFormat(const std::string& path);

std::string versionName(Version v);

}  // namespace jet
