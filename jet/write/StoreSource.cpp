#include "jet/write/StoreSource.h"

#include <algorithm>
#include <cstring>

namespace jet {
namespace {

class StorePageSource : public PageSource {
public:
    explicit StorePageSource(PageStore& store) : store_(store) {}

    std::uint64_t size() const override { return std::uint64_t{store_.pageCount()} * store_.pageSize(); }

    void read(std::uint64_t offset, std::span<std::uint8_t> out) const override {
        const std::size_t pageSize = store_.pageSize();
        std::size_t done = 0;
        while (done < out.size()) {
            const std::uint64_t at = offset + done;
            const auto number = static_cast<std::uint32_t>(at / pageSize);
            const std::size_t within = static_cast<std::size_t>(at % pageSize);
            const std::vector<std::uint8_t> page = store_.read(number);
            const std::size_t n = std::min(pageSize - within, out.size() - done);
            std::memcpy(out.data() + done, page.data() + within, n);
            done += n;
        }
    }

private:
    PageStore& store_;
};

}  // namespace

std::shared_ptr<Database> openStoreDatabase(PageStore& store) {
    return Database::openDeciphered(std::make_unique<StorePageSource>(store), store.name());
}

}  // namespace jet
