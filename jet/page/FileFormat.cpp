#include "jet/page/FileFormat.h"

#include "jet/Error.h"
#include "jet/page/File.h"
#include "jet/page/HeaderFormat.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <unistd.h>

namespace jet {
namespace {

bool hasText(std::span<const std::uint8_t> head, const char* text) {
    const std::size_t n = std::strlen(text);
    return head.size() >= kHeaderFormatNameAt + n && std::memcmp(head.data() + kHeaderFormatNameAt, text, n) == 0;
}

// The head carries a Jet or ACE signature (whatever its version byte says).
bool hasSignature(std::span<const std::uint8_t> head) {
    return head.size() >= kFormatProbeSize && std::memcmp(head.data(), kHeaderMagic.data(), kHeaderMagic.size()) == 0 &&
           (hasText(head, "Jet System DB") || hasText(head, "Standard Jet DB") || hasText(head, "Standard ACE DB"));
}

}  // namespace

std::optional<FileFormat> detectFormat(std::span<const std::uint8_t> head) {
    if (!hasSignature(head) || head[kHeaderVersionAt] > static_cast<std::uint8_t>(Version::Ace17))
        return std::nullopt;
    const auto v = static_cast<Version>(head[kHeaderVersionAt]);
    return FileFormat{v, hasText(head, "Jet System DB"), v == Version::Jet3 ? std::size_t{2048} : std::size_t{4096}};
}

std::string refusedFormatMessage(std::span<const std::uint8_t> head, const std::string& name) {
    if (!hasSignature(head) || head[kHeaderVersionAt] <= static_cast<std::uint8_t>(Version::Ace17))
        return "'" + name + "' is not a Jet or ACE database file.";
    char byte[8];
    std::snprintf(byte, sizeof byte, "0x%02X", head[kHeaderVersionAt]);
    return "'" + name + "' was made by a version of Access newer than Ravelin knows (format byte " + byte +
           " at offset 0x14; the newest known is 0x06, Access 2019 and Microsoft 365).";
}

FileFormat readFileFormat(const std::string& path) {
    const UniqueFd fd(::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK));  // never blocks on a FIFO
    if (!fd.valid()) {
        if (errno == ENOENT)
            throw Error(FileNotFound, "Could not find file '" + path + "'.");
        throw Error(DiskIo, "Could not open file '" + path + "': " + std::strerror(errno) + ".");
    }
    // read(), not pread(): a FIFO or device is refused as no database, not as unreadable.
    std::uint8_t head[kFormatProbeSize];
    std::size_t got = 0;
    while (got < sizeof head) {
        const ssize_t n = ::read(fd.get(), head + got, sizeof head - got);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            break;
        got += static_cast<std::size_t>(n);
    }
    const std::span<const std::uint8_t> read(head, got);
    const auto format = detectFormat(read);
    if (!format)
        throw Error(NotADatabase, refusedFormatMessage(read, path));
    return *format;
}

std::string versionName(Version v) {
    switch (v) {
    case Version::Jet3: return "Jet 3";
    case Version::Jet4: return "Jet 4";
    case Version::Ace12: return "ACE 12";
    case Version::Ace14: return "ACE 14";
    case Version::Ace15: return "ACE 15";
    case Version::Ace16: return "ACE 16";
    case Version::Ace17: return "ACE 17";
    }
    return "unknown";
}

}  // namespace jet
