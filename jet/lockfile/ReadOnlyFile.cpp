#include "jet/lockfile/ReadOnlyFile.h"

#include "jet/Error.h"
#include "jet/page/File.h"

#include <cerrno>
#include <cstring>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace jet {

ReadOnlyFile::ReadOnlyFile(const std::string& path, IfMissing ifMissing)
    : path_(path), fd_(::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK | O_NOCTTY)) {
    if (!fd_.valid() && (errno == ENOENT || errno == ENOTDIR)) {
        if (ifMissing == IfMissing::Empty)
            return;
        throw Error(FileNotFound, "Could not find file '" + path + "'.");
    }
    if (!fd_.valid())
        throw Error(DiskIo, "Could not open file '" + path + "': " + std::strerror(errno) + ".");
    struct stat st {};
    if (::fstat(fd_.get(), &st) != 0 || !S_ISREG(st.st_mode))
        throw Error(DiskIo, "Could not open file '" + path + "': it is not a regular file.");
}

std::vector<std::uint8_t> ReadOnlyFile::readUpTo(std::size_t limit) const {
    std::vector<std::uint8_t> bytes(limit);
    bytes.resize(readFully(fd_.get(), bytes.data(), limit, 0, path_));
    return bytes;
}

}  // namespace jet
