#include "jet/write/LongValueWriter.h"

#include "jet/Error.h"
#include "jet/page/PageFormat.h"
#include "jet/write/DataPageWriter.h"
#include "jet/write/PageAllocator.h"

#include <algorithm>
#include <unordered_set>

namespace jet {
namespace {

constexpr std::uint32_t kInline = 0x80000000u;
constexpr std::uint32_t kSingleRow = 0x40000000u;
constexpr std::uint32_t kLengthMask = 0x3FFFFFFFu;
constexpr std::size_t kHeaderSize = 12;
constexpr std::size_t kMaxInline = 64;

}  // namespace

void LongValueWriter::remember(std::uint32_t page) {
    constexpr std::size_t kRemembered = 8;  // enough to fill pages again, few to look through
    roomy_.push_back(page);
    if (roomy_.size() > kRemembered)
        roomy_.erase(roomy_.begin());
}

std::uint32_t LongValueWriter::place(std::vector<std::uint8_t> row) {
    // A new writer starts from the long-value pages among the file's last
    // few: one store after another (a copy's tables, catalogue rows, each
    // table's definition and index pages between them) then fills pages
    // instead of taking a page each.
    if (!lookedBack_) {
        lookedBack_ = true;
        constexpr std::uint32_t kLookBack = 16;
        const std::uint32_t count = store_.pageCount();
        for (std::uint32_t number = count; number > std::max(kFirstFreeablePage, count - std::min(count, kLookBack));) {
            --number;
            if (isFreePage(store_, number))
                continue;
            const auto page = DataPageWriter::parse(store_.read(number));
            if (page && page->owner() == kLongValueOwner)
                roomy_.push_back(number);
        }
    }
    for (const std::uint32_t number : roomy_) {
        if (number >= store_.pageCount())
            continue;  // undone with the change that made it
        auto page = DataPageWriter::parse(store_.read(number));
        if (page && page->owner() == kLongValueOwner && page->canAdd(row.size())) {
            const std::uint16_t n = page->add(std::move(row));
            store_.write(number, page->bytes());
            return rowPointer(number, static_cast<std::uint8_t>(n));
        }
    }
    const std::uint32_t number = newPage(store_);
    remember(number);
    DataPageWriter page(store_.pageSize(), kLongValueOwner);
    const std::uint16_t n = page.add(std::move(row));
    store_.write(number, page.bytes());
    return rowPointer(number, static_cast<std::uint8_t>(n));
}

std::vector<std::uint8_t> LongValueWriter::write(std::span<const std::uint8_t> bytes) {
    if (bytes.size() > kLengthMask)
        throw Error(RecordTooLarge, "A memo or OLE value of " + std::to_string(bytes.size()) + " bytes is too large.");
    std::vector<std::uint8_t> field(kHeaderSize, 0);
    const auto length = static_cast<std::uint32_t>(bytes.size());
    if (bytes.size() <= kMaxInline) {
        writeU32(field.data(), length | kInline);
        field.insert(field.end(), bytes.begin(), bytes.end());
        return field;
    }
    const std::size_t limit = maxRowSize(store_.pageSize());
    if (bytes.size() <= limit) {
        writeU32(field.data(), length | kSingleRow);
        writeU32(field.data() + 4, place({bytes.begin(), bytes.end()}));
        return field;
    }
    // A chain: written from its last piece back, so each piece knows the next.
    const std::size_t piece = limit - 4;
    std::uint32_t next = 0;
    for (std::size_t end = bytes.size(); end > 0;) {
        const std::size_t start = (end - 1) / piece * piece;
        std::vector<std::uint8_t> row(4);
        writeU32(row.data(), next);
        row.insert(row.end(), bytes.begin() + static_cast<std::ptrdiff_t>(start),
                   bytes.begin() + static_cast<std::ptrdiff_t>(end));
        next = place(std::move(row));
        end = start;
    }
    writeU32(field.data(), length);
    writeU32(field.data() + 4, next);
    return field;
}

void LongValueWriter::free(std::span<const std::uint8_t> field) {
    if (field.size() < kHeaderSize)
        return;
    const std::uint32_t word = readU32(field.data());
    if ((word & kInline) || (word & kLengthMask) == 0)
        return;
    const bool single = word & kSingleRow;
    std::uint32_t pointer = readU32(field.data() + 4);
    std::unordered_set<std::uint32_t> seen;
    // Pieces that cannot be found are left alone: the row that named them goes
    // away all the same, and a damaged chain is not followed further.
    while (pointer != 0 && seen.insert(pointer).second) {
        const auto [number, row] = rowPointer(pointer);
        if (number == 0 || number >= store_.pageCount())
            return;
        auto page = DataPageWriter::parse(store_.read(number));
        if (!page || page->owner() != kLongValueOwner || row >= page->rowCount() || (page->row(row).flags & kRowDeleted))
            return;
        const auto& bytes = page->row(row).bytes;
        const std::uint32_t next = !single && bytes.size() >= 4 ? readU32(bytes.data()) : 0;
        page->markDeleted(row);
        store_.write(number, page->bytes());
        std::erase(roomy_, number);
        if (page->holdsNothing())
            releasePage(store_, {}, number);
        else
            remember(number);
        pointer = next;
    }
}

}  // namespace jet
