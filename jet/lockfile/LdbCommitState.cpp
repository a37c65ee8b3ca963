#include "jet/lockfile/LdbCommitState.h"

#include "jet/Error.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <unistd.h>
#include <vector>

namespace jet {
namespace {

constexpr std::size_t kCommitAreaSize = 512;

bool established(Version v) {
    return v == Version::Jet3 || v == Version::Jet4 || v == Version::Ace12;
}

// Reads up to `size` bytes from the start of the file; fewer only at its end.
std::vector<std::uint8_t> readHead(const std::string& path, std::size_t size) {
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) {
        if (errno == ENOENT)
            throw Error(FileNotFound, "Could not find file '" + path + "'.");
        throw Error(DiskIo, "Could not open file '" + path + "': " + std::strerror(errno) + ".");
    }
    std::vector<std::uint8_t> bytes(size);
    std::size_t got = 0;
    while (got < size) {
        const ssize_t n = ::pread(fd, bytes.data() + got, size - got, static_cast<off_t>(got));
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0) {
            const int err = errno;
            ::close(fd);
            throw Error(DiskIo, "Could not read file '" + path + "': " + std::strerror(err) + ".");
        }
        if (n == 0)
            break;
        got += static_cast<std::size_t>(n);
    }
    ::close(fd);
    bytes.resize(got);
    return bytes;
}

}  // namespace

std::optional<std::size_t> commitValueOffset(const FileFormat& format, int slot) {
    if (!established(format.version) || slot < 0 || slot >= kMaxLockSlots)
        return std::nullopt;
    return format.pageSize - kCommitAreaSize + 2 + 2 * static_cast<std::size_t>(slot);
}

bool leftSuspect(std::uint16_t value, bool userLockHeld) {
    return value == kCommitCorruptPageSeen || (value == kCommitWriteInProgress && !userLockHeld);
}

std::optional<CommitValues> readCommitValues(const std::string& path) {
    const FileFormat format = readFileFormat(path);
    if (!commitValueOffset(format, 0))
        return std::nullopt;
    const std::vector<std::uint8_t> page = readHead(path, format.pageSize);
    if (page.size() < format.pageSize)
        throw Error(NotADatabase, "The header page of '" + path + "' is incomplete.");
    CommitValues values{};
    for (int slot = 0; slot < kMaxLockSlots; ++slot) {
        const std::size_t at = *commitValueOffset(format, slot);
        values[static_cast<std::size_t>(slot)] = static_cast<std::uint16_t>(page[at] | (page[at + 1] << 8));
    }
    return values;
}

}  // namespace jet
