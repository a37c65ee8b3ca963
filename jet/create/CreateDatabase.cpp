#include "jet/create/CreateDatabase.h"

#include "jet/Error.h"
#include "jet/create/Jet4Header.h"
#include "jet/create/NewFormat.h"
#include "jet/create/OleNow.h"
#include "jet/create/SystemCatalog.h"
#include "jet/create/TableCreator.h"
#include "jet/page/DatabaseHeader.h"
#include "jet/page/File.h"
#include "jet/write/MemoryPageStore.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace jet {
namespace {

[[noreturn]] void fail(const std::string& path, const std::string& what) {
    throw Error(DiskIo, "Could not create the database '" + path + "': " + what + ".");
}

std::string folderOf(const std::string& path) {
    const auto slash = path.find_last_of('/');
    return slash == std::string::npos ? "." : slash == 0 ? "/" : path.substr(0, slash);
}

void writeAll(int fd, const std::uint8_t* data, std::size_t size, const std::string& path) {
    while (size > 0) {
        const ssize_t n = ::write(fd, data, size);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            fail(path, std::strerror(n < 0 ? errno : ENOSPC));
        data += n;
        size -= static_cast<std::size_t>(n);
    }
}

// Moves `from` to `to` unless `to` exists: a hard link where the file system
// has them, else an exclusive rename. Returns 0 or the errno of the failure
// (EEXIST when `to` exists).
int placeWithoutReplacing(const std::string& from, const std::string& to) {
    if (::link(from.c_str(), to.c_str()) == 0) {
        ::unlink(from.c_str());
        return 0;
    }
    if (errno == EEXIST)
        return EEXIST;
    if (::renameat2(AT_FDCWD, from.c_str(), AT_FDCWD, to.c_str(), RENAME_NOREPLACE) == 0)
        return 0;
    return errno;
}

std::vector<std::uint8_t> joined(const std::vector<create::Bytes>& pages) {
    std::vector<std::uint8_t> bytes;
    for (const auto& page : pages)
        bytes.insert(bytes.end(), page.begin(), page.end());
    return bytes;
}

// Writes `bytes` as the new file at `path`.
void writeNewFile(const std::string& path, const std::vector<std::uint8_t>& bytes) {
    struct stat st {};
    if (::lstat(path.c_str(), &st) == 0)
        throw Error(DatabaseExists, "The database '" + path + "' already exists.");

    std::string temp = path + ".XXXXXX";
    UniqueFd fd(::mkstemp(temp.data()));
    if (!fd.valid())
        fail(path, std::strerror(errno));
    try {
        const mode_t mask = ::umask(0);
        ::umask(mask);
        if (::fchmod(fd.get(), 0666 & ~mask) != 0)
            fail(path, std::strerror(errno));
        writeAll(fd.get(), bytes.data(), bytes.size(), path);
        if (::fsync(fd.get()) != 0)
            fail(path, std::strerror(errno));
        if (const int err = fd.close(); err != 0)
            fail(path, std::strerror(err));
    } catch (...) {
        ::unlink(temp.c_str());
        throw;
    }
    if (const int err = placeWithoutReplacing(temp, path); err != 0) {
        ::unlink(temp.c_str());
        if (err == EEXIST)
            throw Error(DatabaseExists, "The database '" + path + "' already exists.");
        fail(path, std::strerror(err));
    }
    // Make the new name itself durable.
    if (const UniqueFd dir(::open(folderOf(path).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC)); dir.valid())
        ::fsync(dir.get());
}

}  // namespace

void createEmptyDatabase(const std::string& path) { createEmptyDatabase(path, newDatabaseVersion(path)); }

void createEmptyDatabase(const std::string& path, Version version, const std::optional<create::SidMasking>& like,
                         const std::optional<KeptProtection>& protection) {
    if (version == Version::Jet3 || (version == Version::Jet4) != (newDatabaseVersion(path) == Version::Jet4))
        throw Error(InvalidArgument, "Cannot create '" + path + "' as a " + versionName(version) + " database.");
    std::vector<create::Bytes> pages = create::emptyDatabasePages(oleNow(), version, like);
    if (protection) {
        create::keepProtection(pages[0], protection->header);
        if (protection->cipher)
            for (std::uint32_t n = 1; n < pages.size(); ++n)
                protection->cipher->encipher(n, pages[n]);
    }
    writeNewFile(path, joined(pages));
}

NewTable userNameTable() {
    return {"T_Main",
            {{"ComputerName", ColumnType::Text, 50},
             {"Name", ColumnType::Text, 60},
             {"Contact", ColumnType::Text, 60},
             {"Email", ColumnType::Text, 60}},
            {{"ComputerName", {"ComputerName"}, true, false}}};
}

void createDatabase(const std::string& path) {
    const std::vector<create::Bytes> pages = create::emptyDatabasePages(oleNow(), Version::Jet4);
    MemoryPageStore store(joined(pages), decodeHeader(pages[0])->format, path);
    createTable(store, userNameTable());
    writeNewFile(path, store.bytes());
}

}  // namespace jet
