#include "jet/page/PageSource.h"

#include "jet/Error.h"
#include "jet/page/File.h"

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

    void read(std::uint64_t offset, std::span<std::uint8_t> out) const override {
        if (readFully(fd_.get(), out.data(), out.size(), offset, path_) < out.size())
            throw Error(DiskIo, "File '" + path_ + "' became shorter while it was read.");
    }

private:
    UniqueFd fd_;
    std::string path_;
    std::uint64_t size_;
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
