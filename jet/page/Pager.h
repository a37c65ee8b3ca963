#pragma once
// Pages of a database, read on demand through a small cache so that memory
// stays bounded however large the file is. Pages of encoded or encrypted
// databases are deciphered as they are read (RC4-encrypted ones ahead of a
// reader going in file order, jet/page/DecipherAhead.h). Every structural check that fails
// ends in damaged(), which names the file.
#include "jet/page/DatabaseHeader.h"
#include "jet/page/DecipherAhead.h"
#include "jet/page/PageCipher.h"
#include "jet/page/PageSource.h"

#include <cstdint>
#include <memory>
#include <span>
#include <string>
#include <vector>

namespace jet {

struct Page {
    std::uint32_t number = 0;
    std::vector<std::uint8_t> bytes;
};
using PageRef = std::shared_ptr<const Page>;

class Pager {
public:
    // `name` is how errors refer to the file (its path). With `cipher`, pages
    // after the header page are deciphered by it; without, they are read as
    // the source has them.
    Pager(std::unique_ptr<PageSource> source, std::string name, const DatabaseHeader& header,
          std::shared_ptr<const PageCipher> cipher = nullptr);

    std::size_t pageSize() const { return pageSize_; }
    std::uint32_t pageCount() const { return pageCount_; }
    const std::string& name() const { return name_; }
    bool enciphered() const { return cipher_ != nullptr; }
    // The cipher of the pages after the header page; nullptr when they are plain.
    const std::shared_ptr<const PageCipher>& cipher() const { return cipher_; }

    // Page `number`; damaged() when the file has no such page.
    PageRef page(std::uint32_t number) const;

    [[noreturn]] void damaged(const std::string& what) const;

private:
    struct Slot {
        std::shared_ptr<Page> page;
        std::uint64_t lastUse = 0;
    };
    void load(Page& page, std::uint32_t number) const;

    std::unique_ptr<PageSource> source_;
    std::string name_;
    std::size_t pageSize_;
    std::uint32_t pageCount_;
    std::shared_ptr<const PageCipher> cipher_;
    mutable std::unique_ptr<DecipherAhead> ahead_;  // with a cipher that has a copy for a second thread
    mutable std::vector<Slot> cache_;
    mutable std::uint64_t clock_ = 0;
};

// Bounds-checked little-endian reads from a piece of a page or table
// definition; a read outside it is reported as damage of the file.
class CheckedBytes {
public:
    CheckedBytes(std::span<const std::uint8_t> bytes, const Pager& pager, const char* what, std::uint32_t page)
        : bytes_(bytes), pager_(&pager), what_(what), page_(page) {}

    std::size_t size() const { return bytes_.size(); }
    std::uint8_t u8(std::size_t offset) const { return *at(offset, 1); }
    std::uint16_t u16(std::size_t offset) const;
    std::uint32_t u32(std::size_t offset) const;
    std::span<const std::uint8_t> slice(std::size_t offset, std::size_t length) const {
        return {at(offset, length), length};
    }
    [[noreturn]] void fail(const std::string& problem) const;

private:
    const std::uint8_t* at(std::size_t offset, std::size_t length) const;

    std::span<const std::uint8_t> bytes_;
    const Pager* pager_;
    const char* what_;
    std::uint32_t page_;
};

}  // namespace jet
