#include "jet/write/Store.h"

#include "jet/Error.h"
#include "jet/page/FileFormat.h"

#include <fstream>
#include <map>

namespace jet {
namespace {

// Pages read from the file on demand; written pages kept until the end.
class BufferedStore : public PageStore {
public:
    BufferedStore(std::string path, FileFormat format, std::uint32_t pages)
        : path_(std::move(path)), format_(format), pages_(pages) {}

    const FileFormat& format() const override { return format_; }
    const std::string& name() const override { return path_; }
    std::uint32_t pageCount() const override { return pages_; }

    std::vector<std::uint8_t> read(std::uint32_t number) const override {
        if (number >= pages_)
            throw Error(NotADatabase, "The database '" + path_ + "' has no page " + std::to_string(number) + ".");
        if (auto it = changed_.find(number); it != changed_.end())
            return it->second;
        std::vector<std::uint8_t> bytes(pageSize());
        std::ifstream in(path_, std::ios::binary);
        in.seekg(static_cast<std::streamoff>(number) * static_cast<std::streamoff>(pageSize()));
        if (!in.read(reinterpret_cast<char*>(bytes.data()), static_cast<std::streamsize>(bytes.size())))
            throw Error(DiskIo, "Page " + std::to_string(number) + " of '" + path_ + "' could not be read.");
        return bytes;
    }

    void write(std::uint32_t number, std::span<const std::uint8_t> bytes) override {
        if (number >= pages_ || bytes.size() != pageSize())
            throw Error(InvalidArgument, "Page " + std::to_string(number) + " cannot be written.");
        changed_[number].assign(bytes.begin(), bytes.end());
    }

    std::uint32_t append() override {
        changed_[pages_].assign(pageSize(), 0);
        return pages_++;
    }

    void commit() {
        std::fstream out(path_, std::ios::binary | std::ios::in | std::ios::out);
        if (!out)
            throw Error(DiskIo, "'" + path_ + "' could not be opened for writing.");
        for (const auto& [number, bytes] : changed_) {
            out.seekp(static_cast<std::streamoff>(number) * static_cast<std::streamoff>(pageSize()));
            out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
        }
        if (!out.flush())
            throw Error(DiskIo, "'" + path_ + "' could not be written.");
    }

private:
    std::string path_;
    FileFormat format_;
    std::uint32_t pages_;
    std::map<std::uint32_t, std::vector<std::uint8_t>> changed_;
};

}  // namespace

// A first, plain store: buffers the change and writes it in place. Not yet
// atomic, not yet shared: no journal, no locks.
void runStore(const std::string& path, const std::function<void(PageStore&)>& change, const StoreOptions&) {
    const FileFormat format = readFileFormat(path);
    std::ifstream in(path, std::ios::binary | std::ios::ate);
    const auto size = static_cast<std::uint64_t>(in.tellg());
    BufferedStore store(path, format, static_cast<std::uint32_t>(size / format.pageSize));
    change(store);
    store.commit();
}

}  // namespace jet
