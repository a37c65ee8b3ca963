#include "jet/table/LongValue.h"

#include "jet/page/Coding.h"
#include "jet/table/DataPage.h"

#include <algorithm>
#include <unordered_set>

namespace jet {
namespace {

constexpr std::uint32_t kInline = 0x80000000u;
constexpr std::uint32_t kSingleRow = 0x40000000u;
constexpr std::uint32_t kLengthMask = 0x3FFFFFFFu;

}  // namespace

void readLongValue(const Pager& pager, bool jet3, std::span<const std::uint8_t> field, std::string& out) {
    if (field.size() < kLongValueHeaderSize)
        pager.damaged("a memo or OLE field is shorter than its header");
    const std::uint32_t word = readU32(field.data());
    const std::uint32_t length = word & kLengthMask;
    const std::uint32_t pointer = readU32(field.data() + 4);
    if (std::uint64_t{length} > std::uint64_t{pager.pageCount()} * pager.pageSize())
        pager.damaged("a memo or OLE value claims " + std::to_string(length) + " bytes, more than the file holds");
    const auto append = [&out](std::span<const std::uint8_t> bytes) {
        out.append(reinterpret_cast<const char*>(bytes.data()), bytes.size());
    };

    if (word & kInline) {
        if (length > field.size() - kLongValueHeaderSize)
            pager.damaged("an inline memo or OLE value runs past its row");
        append(field.subspan(kLongValueHeaderSize, length));
        return;
    }
    if (length == 0)
        return;
    PageRef keep;
    if (word & kSingleRow) {
        const auto row = rowAt(pager, jet3, rowPointer(pointer), keep);
        if (row.size() < length)
            pager.damaged("a memo or OLE value is shorter than its length " + std::to_string(length));
        append(row.first(length));
        return;
    }
    // A chain of rows; a row met twice means the chain runs in a circle.
    out.reserve(out.size() + length);
    std::uint32_t remaining = length;
    std::uint32_t next = pointer;
    std::unordered_set<std::uint32_t> seen;
    while (remaining > 0) {
        if (next == 0)
            pager.damaged("a memo or OLE value ends " + std::to_string(remaining) + " bytes early");
        if (!seen.insert(next).second)
            pager.damaged("the pieces of a memo or OLE value at page " + std::to_string(rowPointer(next).page) +
                          " run in a circle");
        const auto row = rowAt(pager, jet3, rowPointer(next), keep);
        if (row.size() <= 4)
            pager.damaged("a memo or OLE value has an empty piece at page " + std::to_string(rowPointer(next).page));
        next = readU32(row.data());
        const auto piece = row.subspan(4, std::min<std::size_t>(row.size() - 4, remaining));
        append(piece);
        remaining -= static_cast<std::uint32_t>(piece.size());
    }
}

}  // namespace jet
