#include "jet/store/StoreIo.h"

#include "jet/Error.h"
#include "jet/page/File.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <unistd.h>

namespace jet::storeio {
namespace {

[[noreturn]] void fail(int error, const std::string& what, const std::string& path) {
    if (error == ENOSPC || error == EDQUOT || error == EFBIG)
        throw Error(DiskFull, "Not enough space on disk to " + what + " '" + path + "'.");
    throw Error(DiskIo, "Could not " + what + " '" + path + "': " + std::strerror(error) + ".");
}

// The fault injected into an operation that writes no bytes.
int plainFault() { return injectedFault(-1, nullptr, 0, 0); }

// The injected error, else the error of `call` (0 when it succeeded).
int errorOf(int injected, auto&& call) {
    if (injected)
        return injected;
    return call() == 0 ? 0 : errno;
}

}  // namespace

void writeAt(int fd, const void* data, std::size_t size, std::uint64_t offset, const std::string& path) {
    if (const int injected = injectedFault(fd, data, size, offset))
        fail(injected, "write", path);
    const auto* p = static_cast<const std::uint8_t*>(data);
    while (size > 0) {
        const ssize_t n = ::pwrite(fd, p, size, static_cast<off_t>(offset));
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            fail(n < 0 ? errno : ENOSPC, "write", path);
        p += n;
        size -= static_cast<std::size_t>(n);
        offset += static_cast<std::uint64_t>(n);
    }
}

void sync(int fd, const std::string& path) {
    if (const int error = errorOf(plainFault(), [&] { return ::fdatasync(fd); }))
        fail(error, "flush", path);
}

void syncFolderOf(const std::string& path) {
    const auto slash = path.find_last_of('/');
    const std::string folder = slash == std::string::npos ? "." : slash == 0 ? "/" : path.substr(0, slash);
    const UniqueFd fd(::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (!fd.valid())
        fail(errno, "open the folder of", path);
    const int error = errorOf(plainFault(), [&] { return ::fsync(fd.get()); });
    // Some file systems (network mounts among them) cannot sync a folder.
    if (error != 0 && error != EINVAL && error != EROFS)
        fail(error, "flush the folder of", path);
}

void truncate(int fd, std::uint64_t length, const std::string& path) {
    if (const int error = errorOf(plainFault(), [&] { return ::ftruncate(fd, static_cast<off_t>(length)); }))
        fail(error, "shorten", path);
}

bool readAt(int fd, void* data, std::size_t size, std::uint64_t offset, const std::string& path) {
    return readFully(fd, data, size, offset, path) == size;
}

}  // namespace jet::storeio
