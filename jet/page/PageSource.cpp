#include "jet/page/PageSource.h"

#include "jet/Error.h"
#include "jet/page/File.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace jet {
namespace {

class FileSource final : public PageSource {
public:
    FileSource(UniqueFd fd, std::string path, std::uint64_t size)
        : fd_(std::move(fd)), path_(std::move(path)), size_(size) {}

    std::uint64_t size() const override { return size_; }

    // A read that follows the one before it (a table read in file order)
    // reads kReadAhead bytes at once and the next reads are copied from
    // them: one system call for sixteen pages of 4 KB instead of one a page.
    void read(std::uint64_t offset, std::span<std::uint8_t> out) const override {
        if (out.empty())
            return;
        const bool inOrder = offset == next_;
        next_ = offset + out.size();
        if (offset >= aheadFrom_ && next_ <= aheadFrom_ + ahead_.size()) {
            std::memcpy(out.data(), ahead_.data() + (offset - aheadFrom_), out.size());
            return;
        }
        if (!inOrder || out.size() > kReadAhead / 4 || offset >= size_) {
            if (readFully(fd_.get(), out.data(), out.size(), offset, path_) < out.size())
                shorter();
            return;
        }
        ahead_.resize(static_cast<std::size_t>(std::max<std::uint64_t>(std::min(kReadAhead, size_ - offset), out.size())));
        ahead_.resize(readFully(fd_.get(), ahead_.data(), ahead_.size(), offset, path_));
        aheadFrom_ = offset;
        if (ahead_.size() < out.size())
            shorter();
        std::memcpy(out.data(), ahead_.data(), out.size());
    }

private:
    static constexpr std::uint64_t kReadAhead = 64 * 1024;

    [[noreturn]] void shorter() const {
        throw Error(DiskIo, "File '" + path_ + "' became shorter while it was read.");
    }

    UniqueFd fd_;
    std::string path_;
    std::uint64_t size_;
    mutable std::uint64_t next_ = UINT64_MAX;  // where the read after the last one would start
    mutable std::vector<std::uint8_t> ahead_;
    mutable std::uint64_t aheadFrom_ = 0;
};

class MemorySource final : public PageSource {
public:
    explicit MemorySource(std::vector<std::uint8_t> bytes) : bytes_(std::move(bytes)) {}
    std::uint64_t size() const override { return bytes_.size(); }
    void read(std::uint64_t offset, std::span<std::uint8_t> out) const override {
        if (offset > bytes_.size() || out.size() > bytes_.size() - offset)
            throw Error(DiskIo, "Read past the end of the database bytes.");
        if (!out.empty())
            std::memcpy(out.data(), bytes_.data() + offset, out.size());
    }

private:
    std::vector<std::uint8_t> bytes_;
};

}  // namespace

std::unique_ptr<PageSource> openFileSource(const std::string& path) {
    UniqueFd fd(::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK));  // never blocks on a FIFO
    if (!fd.valid()) {
        if (errno == ENOENT || errno == ENOTDIR)
            throw Error(FileNotFound, "Could not find file '" + path + "'.");
        throw Error(DiskIo, "Could not open file '" + path + "': " + std::strerror(errno) + ".");
    }
    struct stat st {};
    if (::fstat(fd.get(), &st) != 0 || !S_ISREG(st.st_mode))
        throw Error(NotADatabase, "'" + path + "' is not a database file.");
    return std::make_unique<FileSource>(std::move(fd), path, static_cast<std::uint64_t>(st.st_size));
}

std::unique_ptr<PageSource> memorySource(std::vector<std::uint8_t> bytes) {
    return std::make_unique<MemorySource>(std::move(bytes));
}

}  // namespace jet
