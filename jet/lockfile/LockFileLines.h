#pragma once
// Reads a lock file as lines of text, as the monitor's reader does: a line
// ends at a carriage return, at a carriage return and line feed, or at a NUL
// (a real lock file has no line breaks; each name ends with a NUL). The file
// is read a buffer at a time, so a huge file costs bounded memory: a line is
// kept up to kMaxLineBytes, the rest of it is skipped.
#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>
#include <span>
#include <string>
#include <sys/types.h>
#include <vector>

namespace jet {

class LockFileLines {
public:
    static constexpr std::size_t kMaxLineBytes = 4096;

    // Reads through `read`, which fills up to n bytes at p and returns the
    // count, 0 at the end, or -1 with errno set on failure.
    using ReadFn = std::function<ssize_t(void* p, std::size_t n)>;
    explicit LockFileLines(ReadFn read);

    // The next line's bytes, without its end mark; nothing at the end of the
    // input. Throws Error (DiskIo) when reading fails; `name` names the file.
    std::optional<std::string> next(const std::string& name);

private:
    bool fill(const std::string& name);

    ReadFn read_;
    std::vector<std::uint8_t> buffer_;
    std::size_t pos_ = 0;
    std::size_t end_ = 0;
    bool eof_ = false;
};

// The same over bytes in memory.
LockFileLines linesOf(std::span<const std::uint8_t> bytes);

}  // namespace jet
