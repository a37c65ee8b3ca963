#include "jet/store/Journal.h"

#include "jet/Error.h"
#include "jet/page/Coding.h"
#include "jet/page/File.h"
#include "jet/store/StoreIo.h"

#include <bit>
#include <cerrno>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace jet {
namespace {

constexpr char kMagic[] = "RVJOURN2";
constexpr char kCommitMark[] = "RVJCOMMT";
constexpr std::size_t kHeaderSize = 32;
constexpr std::size_t kTrailerSize = 16;
constexpr off_t kLargestKeptJournal = 1 << 20;

// FNV-1a taken over little-endian 64-bit words (the bytes past the last
// whole word one at a time): eight times fewer steps than over bytes, and as
// sure to change with any change of the bytes it covers.
static_assert(std::endian::native == std::endian::little, "checksum words are read as stored, little-endian");

class Fnv64 {
public:
    void add(const std::uint8_t* p, std::size_t n) {
        std::size_t i = 0;
        for (; i + 8 <= n; i += 8) {
            std::uint64_t word;
            std::memcpy(&word, p + i, 8);
            hash_ = (hash_ ^ word) * 0x100000001b3ull;
            hash_ ^= hash_ >> 29;
        }
        for (; i < n; ++i)
            hash_ = (hash_ ^ p[i]) * 0x100000001b3ull;
    }
    void add(const std::vector<std::uint8_t>& bytes) { add(bytes.data(), bytes.size()); }
    std::uint64_t value() const { return hash_; }

private:
    std::uint64_t hash_ = 0xcbf29ce484222325ull;
};

// Error for a journal that could not be opened; a symbolic link in its place
// (which anyone who can write the folder may plant) is named as such.
[[noreturn]] void cannotOpen(const std::string& journalPath, int error, const char* what) {
    if (error == ELOOP)
        throw Error(ReadOnlyDatabase, "Cannot update. The journal '" + journalPath +
                                          "' is a symbolic link; Ravelin never writes through a link. Remove it.");
    throw Error(error == EROFS || error == EACCES ? ReadOnlyDatabase : DiskIo,
                std::string("Could not ") + what + " the journal '" + journalPath + "': " + std::strerror(error) + ".");
}

}  // namespace

std::string journalPathFor(const std::string& databasePath) {
    // Beside the file itself, so that every path leading to it finds the same journal.
    char resolved[PATH_MAX];
    if (::realpath(databasePath.c_str(), resolved))
        return std::string(resolved) + ".rvj";
    return databasePath + ".rvj";
}

std::vector<std::uint64_t> sectorSums(std::span<const std::uint8_t> bytes) {
    std::vector<std::uint64_t> sums;
    for (std::size_t at = 0; at + kJournalSector <= bytes.size(); at += kJournalSector) {
        Fnv64 sum;
        sum.add(bytes.data() + at, kJournalSector);
        sums.push_back(sum.value());
    }
    return sums;
}

void writeJournal(const std::string& journalPath, const JournalImage& image) {
    bool created = false;
    int raw = ::open(journalPath.c_str(), O_WRONLY | O_CLOEXEC | O_NOFOLLOW);
    if (raw < 0 && errno == ENOENT) {
        raw = ::open(journalPath.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC | O_NOFOLLOW, 0666);
        created = raw >= 0;
    }
    const UniqueFd fd(raw);
    if (fd.get() < 0)
        cannotOpen(journalPath, errno, "create");
    // Written in one piece over what the file held (a journal is the pages of one store).
    std::vector<std::uint8_t> bytes(kMagic, kMagic + 8);
    appendU32(bytes, image.pageSize);
    appendU32(bytes, static_cast<std::uint32_t>(image.pages.size()));
    appendU64(bytes, image.originalLength);
    appendU64(bytes, image.newLength);
    for (const auto& [number, page] : image.pages) {
        appendU32(bytes, number);
        for (const std::uint64_t sum : page.written)
            appendU64(bytes, sum);
        bytes.insert(bytes.end(), page.original.begin(), page.original.end());
    }
    Fnv64 sum;
    sum.add(bytes);
    appendU64(bytes, sum.value());
    bytes.insert(bytes.end(), kCommitMark, kCommitMark + 8);
    storeio::writeAt(fd.get(), bytes.data(), bytes.size(), 0, journalPath);
    storeio::sync(fd.get(), journalPath);
    if (created)
        storeio::syncFolderOf(journalPath);
}

bool journalPending(const std::string& journalPath) {
    // A link is no journal of ours: a store refuses it when it writes the journal.
    const UniqueFd fd(::open(journalPath.c_str(), O_RDONLY | O_CLOEXEC | O_NOFOLLOW));
    char magic[8] = {};
    return fd.get() >= 0 && ::pread(fd.get(), magic, sizeof magic, 0) == sizeof magic &&
           std::memcmp(magic, kMagic, sizeof magic) == 0;
}

void voidJournal(const std::string& journalPath) {
    const UniqueFd fd(::open(journalPath.c_str(), O_WRONLY | O_CLOEXEC | O_NOFOLLOW));
    if (fd.get() < 0) {
        if (errno == ENOENT)
            return;
        cannotOpen(journalPath, errno, "open");
    }
    const std::uint8_t none[8] = {};
    storeio::writeAt(fd.get(), none, sizeof none, 0, journalPath);
    // A journal left large by a large store is not kept at that size.
    if (struct stat st {}; ::fstat(fd.get(), &st) == 0 && st.st_size > kLargestKeptJournal)
        storeio::truncate(fd.get(), sizeof none, journalPath);
}

std::optional<JournalImage> readJournal(const std::string& journalPath) {
    const UniqueFd fd(::open(journalPath.c_str(), O_RDONLY | O_CLOEXEC | O_NOFOLLOW));
    if (fd.get() < 0) {
        if (errno == ENOENT)
            return std::nullopt;
        cannotOpen(journalPath, errno, "open");
    }
    struct stat st {};
    if (::fstat(fd.get(), &st) != 0 || st.st_size < static_cast<off_t>(kHeaderSize + kTrailerSize))
        return std::nullopt;
    // What follows the closing mark is left from an earlier, larger journal.
    const auto size = static_cast<std::uint64_t>(st.st_size);
    std::vector<std::uint8_t> bytes(size);
    if (!storeio::readAt(fd.get(), bytes.data(), bytes.size(), 0, journalPath))
        return std::nullopt;

    const std::uint8_t* p = bytes.data();
    if (std::memcmp(p, kMagic, 8) != 0)
        return std::nullopt;
    JournalImage image;
    image.pageSize = readU32(p + 8);
    const std::uint64_t count = readU32(p + 12);
    image.originalLength = readU64(p + 16);
    image.newLength = readU64(p + 24);
    if (image.pageSize != 2048 && image.pageSize != 4096)
        return std::nullopt;
    const std::size_t sectors = image.pageSize / kJournalSector;
    std::uint64_t at = kHeaderSize;
    for (std::uint64_t i = 0; i < count; ++i) {
        if (size - at < 4 + 8 * sectors)
            return std::nullopt;
        const auto number = readU32(p + at);
        JournalPage& page = image.pages[number];
        for (std::size_t n = 0; n < sectors; ++n)
            page.written.push_back(readU64(p + at + 4 + 8 * n));
        at += 4 + 8 * sectors;
        if (std::uint64_t{number} * image.pageSize < image.originalLength) {
            if (size - at < image.pageSize)
                return std::nullopt;
            page.original.assign(p + at, p + at + image.pageSize);
            at += image.pageSize;
        }
    }
    if (size - at < kTrailerSize || std::memcmp(p + at + 8, kCommitMark, 8) != 0)
        return std::nullopt;
    Fnv64 sum;
    sum.add(p, at);
    if (sum.value() != readU64(p + at))
        return std::nullopt;
    return image;
}

bool journalFits(int fd, const std::string& databasePath, const JournalImage& image) {
    struct stat st {};
    if (::fstat(fd, &st) != 0)
        throw Error(DiskIo, "Could not read '" + databasePath + "': " + std::strerror(errno) + ".");
    const auto length = static_cast<std::uint64_t>(st.st_size);
    if (length > image.newLength)
        return false;
    const std::vector<std::uint8_t> zeros(kJournalSector, 0);
    std::vector<std::uint8_t> sector(kJournalSector);
    for (const auto& [number, page] : image.pages) {
        const std::uint64_t pageAt = std::uint64_t{number} * image.pageSize;
        for (std::size_t n = 0; n < page.written.size(); ++n) {
            const std::uint64_t at = pageAt + n * kJournalSector;
            if (at + kJournalSector > length) {
                if (!page.original.empty())
                    return false;  // the file lost bytes the store never took away
                continue;          // an added page not (wholly) written yet
            }
            if (!storeio::readAt(fd, sector.data(), sector.size(), at, databasePath))
                return false;
            if (page.written[n] == 0 || sectorSums(sector)[0] == page.written[n])
                continue;
            const bool original = page.original.empty()
                                      ? sector == zeros
                                      : std::equal(sector.begin(), sector.end(), page.original.begin() + n * kJournalSector);
            if (!original)
                return false;
        }
    }
    return true;
}

void rollBack(int fd, const std::string& databasePath, const JournalImage& image) {
    // The header last: while it still shows the interrupted store's commit
    // in progress, Jet clients keep out of the half-restored file.
    for (auto it = image.pages.rbegin(); it != image.pages.rend(); ++it) {
        const auto& [number, page] = *it;
        if (!page.original.empty())
            storeio::writeAt(fd, page.original.data(), page.original.size(), std::uint64_t{number} * image.pageSize,
                             databasePath);
    }
    storeio::truncate(fd, image.originalLength, databasePath);
    storeio::sync(fd, databasePath);
}

std::string keepJournalAside(const std::string& journalPath) {
    std::string aside = journalPath + ".not-applied";
    struct stat st {};
    for (int n = 2; ::lstat(aside.c_str(), &st) == 0; ++n)
        aside = journalPath + ".not-applied." + std::to_string(n);
    if (::rename(journalPath.c_str(), aside.c_str()) != 0)
        throw Error(DiskIo, "Could not move the journal '" + journalPath + "' aside: " + std::strerror(errno) + ".");
    storeio::syncFolderOf(journalPath);
    return aside;
}

}  // namespace jet
