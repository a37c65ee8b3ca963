#pragma once
// A file opened for reading only, never blocking: opened with O_NONBLOCK (a
// FIFO or device named like a database or lock file does not hang the
// reader) and refused unless it is a regular file. Reads are bounded by the
// size asked for.
#include "jet/page/File.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace jet {

class ReadOnlyFile {
public:
    enum class IfMissing { Throw, Empty };

    // Throws Error naming the file: FileNotFound when it is missing (unless
    // `ifMissing` is Empty), DiskIo when it can't be opened or is not a
    // regular file.
    explicit ReadOnlyFile(const std::string& path, IfMissing ifMissing = IfMissing::Throw);

    int fd() const { return fd_.get(); }
    bool missing() const { return !fd_.valid(); }

    // Up to `limit` bytes from the start; fewer only at the file's end.
    // Throws Error (DiskIo) naming the file.
    std::vector<std::uint8_t> readUpTo(std::size_t limit) const;

private:
    std::string path_;
    UniqueFd fd_;
};

}  // namespace jet
