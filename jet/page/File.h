#pragma once
// The engine's file handling: one owner of file descriptors, and one way of
// reading a file's bytes.
#include <cerrno>
#include <cstddef>
#include <cstdint>
#include <string>
#include <utility>

#include <unistd.h>

namespace jet {

// Owns a file descriptor: closes it when it goes, so that no path out of a
// function (an Error thrown half way included) leaves a descriptor open.
// Closing matters beyond leaks here: closing any descriptor of a file drops
// this process's POSIX record locks on it.
class UniqueFd {
public:
    UniqueFd() = default;
    explicit UniqueFd(int fd) : fd_(fd) {}
    ~UniqueFd() { reset(); }
    UniqueFd(UniqueFd&& other) noexcept : fd_(other.release()) {}
    UniqueFd& operator=(UniqueFd&& other) noexcept {
        if (this != &other)
            reset(other.release());
        return *this;
    }
    UniqueFd(const UniqueFd&) = delete;
    UniqueFd& operator=(const UniqueFd&) = delete;

    int get() const { return fd_; }
    bool valid() const { return fd_ >= 0; }
    // Gives the descriptor up without closing it.
    int release() { return std::exchange(fd_, -1); }
    // Closes the descriptor now, for a caller that must know whether the
    // close itself failed (a file just written); 0, or the errno. The
    // descriptor is given up either way.
    int close() {
        const int fd = release();
        return fd < 0 || ::close(fd) == 0 ? 0 : errno;
    }
    // Closes the descriptor held, if any, and holds `fd` instead.
    void reset(int fd = -1) {
        if (fd_ >= 0)
            ::close(fd_);
        fd_ = fd;
    }

private:
    int fd_ = -1;
};

// Reads `size` bytes at `offset` into `data`, retrying interrupted reads;
// returns how many it read, fewer only at the end of the file. Throws Error
// DiskIo (3043) naming `path` when a read fails.
std::size_t readFully(int fd, void* data, std::size_t size, std::uint64_t offset, const std::string& path);

}  // namespace jet
