#include "jet/page/FileFormat.h"

#include "jet/Error.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <unistd.h>

namespace jet {
namespace {

constexpr std::uint8_t kMagic[4] = {0x00, 0x01, 0x00, 0x00};

bool hasText(std::span<const std::uint8_t> head, const char* text) {
    const std::size_t n = std::strlen(text);
    return head.size() >= 4 + n && std::memcmp(head.data() + 4, text, n) == 0;
}

}  // namespace

std::optional<FileFormat> detectFormat(std::span<const std::uint8_t> head) {
    if (head.size() < kFormatProbeSize || std::memcmp(head.data(), kMagic, 4) != 0)
        return std::nullopt;
    bool workgroup = false;
    if (hasText(head, "Jet System DB"))
        workgroup = true;
    else if (!hasText(head, "Standard Jet DB") && !hasText(head, "Standard ACE DB"))
        return std::nullopt;
    Version v;
    switch (head[0x14]) {
    case 0: v = Version::Jet3; break;
    case 1: v = Version::Jet4; break;
    case 2: v = Version::Ace12; break;
    case 3: v = Version::Ace14; break;
    case 4: v = Version::Ace15; break;
    case 5: v = Version::Ace16; break;
    default: return std::nullopt;
    }
    return FileFormat{v, workgroup, v == Version::Jet3 ? std::size_t{2048} : std::size_t{4096}};
}

FileFormat readFileFormat(const std::string& path) {
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);  // never blocks on a FIFO
    if (fd < 0) {
        if (errno == ENOENT)
            throw Error(FileNotFound, "Could not find file '" + path + "'.");
        throw Error(DiskIo, "Could not open file '" + path + "': " + std::strerror(errno) + ".");
    }
    std::uint8_t head[kFormatProbeSize];
    std::size_t got = 0;
    while (got < sizeof head) {
        const ssize_t n = ::read(fd, head + got, sizeof head - got);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            break;
        got += static_cast<std::size_t>(n);
    }
    ::close(fd);
    const auto format = detectFormat(std::span<const std::uint8_t>(head, got));
    if (!format)
        throw Error(NotADatabase, "'" + path + "' is not a Jet or ACE database file.");
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
    }
    return "unknown";
}

}  // namespace jet
