#include "jet/write/Journal.h"

#include "jet/Error.h"
#include "jet/write/StoreIo.h"

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace jet {
namespace {

constexpr char kMagic[] = "RVJOURN1";
constexpr char kCommitMark[] = "RVJCOMMT";
constexpr std::size_t kHeaderSize = 32;
constexpr std::size_t kTrailerSize = 16;

class Fnv64 {
public:
    void add(const std::uint8_t* p, std::size_t n) {
        for (std::size_t i = 0; i < n; ++i)
            hash_ = (hash_ ^ p[i]) * 0x100000001b3ull;
    }
    void add(const std::vector<std::uint8_t>& bytes) { add(bytes.data(), bytes.size()); }
    std::uint64_t value() const { return hash_; }

private:
    std::uint64_t hash_ = 0xcbf29ce484222325ull;
};

void putLe(std::vector<std::uint8_t>& out, std::uint64_t value, int bytes) {
    for (int i = 0; i < bytes; ++i)
        out.push_back(static_cast<std::uint8_t>(value >> (8 * i)));
}

std::uint64_t getLe(const std::uint8_t* p, int bytes) {
    std::uint64_t v = 0;
    for (int i = bytes - 1; i >= 0; --i)
        v = (v << 8) | p[i];
    return v;
}

class Fd {
public:
    explicit Fd(int fd) : fd_(fd) {}
    ~Fd() {
        if (fd_ >= 0)
            ::close(fd_);
    }
    Fd(const Fd&) = delete;
    Fd& operator=(const Fd&) = delete;
    int get() const { return fd_; }

private:
    int fd_;
};

}  // namespace

std::string journalPathFor(const std::string& databasePath) {
    // Beside the file itself, so that every path leading to it finds the same journal.
    char resolved[PATH_MAX];
    if (::realpath(databasePath.c_str(), resolved))
        return std::string(resolved) + ".rvj";
    return databasePath + ".rvj";
}

void writeJournal(const std::string& journalPath, const JournalImage& image) {
    const Fd fd(::open(journalPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666));
    if (fd.get() < 0)
        throw Error(errno == EROFS || errno == EACCES ? ReadOnlyDatabase : DiskIo,
                    "Could not create the journal '" + journalPath + "': " + std::strerror(errno) + ".");
    Fnv64 sum;
    std::uint64_t at = 0;
    const auto put = [&](const std::vector<std::uint8_t>& bytes) {
        storeio::writeAt(fd.get(), bytes.data(), bytes.size(), at, journalPath);
        sum.add(bytes);
        at += bytes.size();
    };
    std::vector<std::uint8_t> header(kMagic, kMagic + 8);
    putLe(header, image.pageSize, 4);
    putLe(header, image.pages.size(), 4);
    putLe(header, image.originalLength, 8);
    putLe(header, 0, 8);
    put(header);
    for (const auto& [number, bytes] : image.pages) {
        std::vector<std::uint8_t> entry;
        entry.reserve(4 + bytes.size());
        putLe(entry, number, 4);
        entry.insert(entry.end(), bytes.begin(), bytes.end());
        put(entry);
    }
    std::vector<std::uint8_t> trailer;
    putLe(trailer, sum.value(), 8);
    trailer.insert(trailer.end(), kCommitMark, kCommitMark + 8);
    storeio::writeAt(fd.get(), trailer.data(), trailer.size(), at, journalPath);
    storeio::sync(fd.get(), journalPath);
    storeio::syncFolderOf(journalPath);
}

std::optional<JournalImage> readJournal(const std::string& journalPath) {
    const Fd fd(::open(journalPath.c_str(), O_RDONLY | O_CLOEXEC));
    if (fd.get() < 0) {
        if (errno == ENOENT)
            return std::nullopt;
        throw Error(DiskIo, "Could not open the journal '" + journalPath + "': " + std::strerror(errno) + ".");
    }
    struct stat st {};
    if (::fstat(fd.get(), &st) != 0 || st.st_size < static_cast<off_t>(kHeaderSize + kTrailerSize))
        return std::nullopt;
    const auto size = static_cast<std::uint64_t>(st.st_size);
    std::vector<std::uint8_t> bytes(size);
    if (!storeio::readAt(fd.get(), bytes.data(), bytes.size(), 0, journalPath))
        return std::nullopt;

    const std::uint8_t* p = bytes.data();
    if (std::memcmp(p, kMagic, 8) != 0 || std::memcmp(p + size - 8, kCommitMark, 8) != 0)
        return std::nullopt;
    JournalImage image;
    image.pageSize = static_cast<std::uint32_t>(getLe(p + 8, 4));
    const std::uint64_t count = getLe(p + 12, 4);
    image.originalLength = getLe(p + 16, 8);
    if (image.pageSize != 2048 && image.pageSize != 4096)
        return std::nullopt;
    if (size != kHeaderSize + count * (4 + image.pageSize) + kTrailerSize)
        return std::nullopt;
    Fnv64 sum;
    sum.add(p, size - kTrailerSize);
    if (sum.value() != getLe(p + size - kTrailerSize, 8))
        return std::nullopt;
    for (std::uint64_t i = 0; i < count; ++i) {
        const std::uint8_t* entry = p + kHeaderSize + i * (4 + image.pageSize);
        image.pages[static_cast<std::uint32_t>(getLe(entry, 4))].assign(entry + 4, entry + 4 + image.pageSize);
    }
    return image;
}

void rollBack(int fd, const std::string& databasePath, const JournalImage& image) {
    for (const auto& [number, bytes] : image.pages)
        storeio::writeAt(fd, bytes.data(), bytes.size(), std::uint64_t{number} * image.pageSize, databasePath);
    storeio::truncate(fd, image.originalLength, databasePath);
    storeio::sync(fd, databasePath);
}

}  // namespace jet
