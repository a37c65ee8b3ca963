#pragma once
// A file opened for reading only, never blocking: opened with O_NONBLOCK (a
// FIFO or device named like a database or lock file does not hang the
// reader) and refused unless it is a regular file. Reads are bounded by the
// size asked for.
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
    ~ReadOnlyFile();
    ReadOnlyFile(const ReadOnlyFile&) = delete;
    ReadOnlyFile& operator=(const ReadOnlyFile&) = delete;

    int fd() const { return fd_; }
    bool missing() const { return fd_ < 0; }

    // Up to `limit` bytes from the start; fewer only at the file's end.
    // Throws Error (DiskIo) naming the file.
    std::vector<std::uint8_t> readUpTo(std::size_t limit) const;

private:
    std::string path_;
    int fd_ = -1;
};

}  // namespace jet
