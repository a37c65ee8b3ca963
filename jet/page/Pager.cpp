#include "jet/page/Pager.h"

#include "jet/page/Coding.h"
#include "jet/Error.h"
#include "jet/page/Rc4.h"

#include <array>

namespace jet {
namespace {

// Enough for a scan (data page, a few long-value pages, usage map pages) with
// room to spare; each slot holds one page.
constexpr std::size_t kCacheSlots = 48;

}  // namespace

void JetEncoding::decipher(std::uint32_t number, std::span<std::uint8_t> page) const {
    std::array<std::uint8_t, 4> key;
    writeU32(key.data(), databaseKey_ ^ number);
    Rc4(key).apply(page);
}

Pager::Pager(std::unique_ptr<PageSource> source, std::string name, const DatabaseHeader& header,
             std::shared_ptr<const PageCipher> cipher)
    : source_(std::move(source)),
      name_(std::move(name)),
      pageSize_(header.format.pageSize),
      cipher_(std::move(cipher)) {
    const std::uint64_t pages = source_->size() / pageSize_;
    pageCount_ = pages > 0xFFFFFFu ? 0xFFFFFFu : static_cast<std::uint32_t>(pages);
    cache_.resize(kCacheSlots);
    if (cipher_)
        if (auto helper = cipher_->clone())
            ahead_ = std::make_unique<DecipherAhead>(*source_, pageSize_, pageCount_, *cipher_, std::move(helper));
}

void Pager::damaged(const std::string& what) const {
    throw databaseDamaged(name_, what);
}

void Pager::load(Page& page, std::uint32_t number) const {
    page.number = number;
    page.bytes.resize(pageSize_);
    if (ahead_ && number != 0 && ahead_->load(number, page.bytes))
        return;
    source_->read(static_cast<std::uint64_t>(number) * pageSize_, page.bytes);
    if (cipher_ && number != 0)
        cipher_->decipher(number, page.bytes);
}

PageRef Pager::page(std::uint32_t number) const {
    if (number >= pageCount_)
        damaged("page " + std::to_string(number) + " lies beyond the end of the file");
    ++clock_;
    Slot* victim = nullptr;
    for (auto& slot : cache_) {
        if (slot.page && slot.page->number == number) {
            slot.lastUse = clock_;
            return slot.page;
        }
        if (!victim || slot.lastUse < victim->lastUse)
            victim = &slot;
    }
    // Reuse the evicted page's buffer unless a caller still holds it.
    if (!victim->page || victim->page.use_count() > 1)
        victim->page = std::make_shared<Page>();
    victim->lastUse = clock_;
    try {
        load(*victim->page, number);
    } catch (...) {
        victim->page.reset();
        throw;
    }
    return victim->page;
}

std::uint16_t CheckedBytes::u16(std::size_t offset) const { return readU16(at(offset, 2)); }
std::uint32_t CheckedBytes::u32(std::size_t offset) const { return readU32(at(offset, 4)); }

const std::uint8_t* CheckedBytes::at(std::size_t offset, std::size_t length) const {
    if (offset > bytes_.size() || length > bytes_.size() - offset)
        fail("it ends before offset " + std::to_string(offset + length));
    return bytes_.data() + offset;
}

void CheckedBytes::fail(const std::string& problem) const {
    pager_->damaged(std::string(what_) + " at page " + std::to_string(page_) + ": " + problem);
}

}  // namespace jet

