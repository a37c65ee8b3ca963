#include "jet/lockfile/LockFileLines.h"

#include "jet/Error.h"

#include <algorithm>
#include <cerrno>
#include <cstring>

namespace jet {
namespace {
constexpr std::size_t kBufferSize = 64 * 1024;
}

LockFileLines::LockFileLines(ReadFn read) : read_(std::move(read)), buffer_(kBufferSize) {}

bool LockFileLines::fill(const std::string& name) {
    if (pos_ < end_)
        return true;
    if (eof_)
        return false;
    for (;;) {
        const ssize_t n = read_(buffer_.data(), buffer_.size());
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0)
            throw Error(DiskIo, "Could not read the lock file '" + name + "': " + std::strerror(errno) + ".");
        pos_ = 0;
        end_ = static_cast<std::size_t>(n);
        eof_ = n == 0;
        return n > 0;
    }
}

std::optional<std::string> LockFileLines::next(const std::string& name) {
    if (!fill(name))
        return std::nullopt;
    std::string line;
    while (fill(name)) {
        const std::uint8_t c = buffer_[pos_++];
        if (c == 0)
            return line;
        if (c == '\r') {
            if (fill(name) && buffer_[pos_] == '\n')
                ++pos_;
            return line;
        }
        if (line.size() < kMaxLineBytes)
            line += static_cast<char>(c);
    }
    return line;
}

LockFileLines linesOf(std::span<const std::uint8_t> bytes) {
    std::size_t offset = 0;
    return LockFileLines([bytes, offset](void* p, std::size_t n) mutable -> ssize_t {
        const std::size_t take = std::min(n, bytes.size() - offset);
        if (take > 0)
            std::memcpy(p, bytes.data() + offset, take);
        offset += take;
        return static_cast<ssize_t>(take);
    });
}

}  // namespace jet
