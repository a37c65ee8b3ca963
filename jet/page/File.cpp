#include "jet/page/File.h"

#include "jet/Error.h"

#include <cerrno>
#include <cstring>

namespace jet {

std::size_t readFully(int fd, void* data, std::size_t size, std::uint64_t offset, const std::string& path) {
    auto* p = static_cast<std::uint8_t*>(data);
    std::size_t got = 0;
    while (got < size) {
        const ssize_t n = ::pread(fd, p + got, size - got, static_cast<off_t>(offset + got));
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0)
            throw Error(DiskIo, "Could not read file '" + path + "': " + std::strerror(errno) + ".");
        if (n == 0)
            break;
        got += static_cast<std::size_t>(n);
    }
    return got;
}

}  // namespace jet
