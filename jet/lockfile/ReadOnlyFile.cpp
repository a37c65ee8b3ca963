#include "jet/lockfile/ReadOnlyFile.h"

#include "jet/Error.h"

#include <cerrno>
#include <cstring>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace jet {

ReadOnlyFile::ReadOnlyFile(const std::string& path, IfMissing ifMissing)
    : path_(path), fd_(::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK | O_NOCTTY)) {
    if (fd_ < 0 && (errno == ENOENT || errno == ENOTDIR)) {
        if (ifMissing == IfMissing::Empty)
            return;
        throw Error(FileNotFound, "Could not find file '" + path + "'.");
    }
    if (fd_ < 0)
        throw Error(DiskIo, "Could not open file '" + path + "': " + std::strerror(errno) + ".");
    struct stat st {};
    if (::fstat(fd_, &st) != 0 || !S_ISREG(st.st_mode)) {
        ::close(fd_);
        throw Error(DiskIo, "Could not open file '" + path + "': it is not a regular file.");
    }
}

ReadOnlyFile::~ReadOnlyFile() {
    if (fd_ >= 0)
        ::close(fd_);
}

std::vector<std::uint8_t> ReadOnlyFile::readUpTo(std::size_t limit) const {
    std::vector<std::uint8_t> bytes(limit);
    std::size_t got = 0;
    while (got < limit) {
        const ssize_t n = ::pread(fd_, bytes.data() + got, limit - got, static_cast<off_t>(got));
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0)
            throw Error(DiskIo, "Could not read file '" + path_ + "': " + std::strerror(errno) + ".");
        if (n == 0)
            break;
        got += static_cast<std::size_t>(n);
    }
    bytes.resize(got);
    return bytes;
}

}  // namespace jet
