#include "jet/IndexPage.h"

#include "jet/ByteOrder.h"

#include <string>

namespace jet {
namespace {

struct Layout {
    std::size_t previous, next, tail, prefixLength, bitmap, firstEntry;
};

constexpr Layout kJet3{8, 12, 16, 20, 0x16, 0xF8};
constexpr Layout kJet4{12, 16, 20, 24, 0x1B, 0x1E0};

std::uint32_t bigEndian(std::span<const std::uint8_t> b) {
    std::uint32_t v = 0;
    for (auto x : b)
        v = (v << 8) | x;
    return v;
}

}  // namespace

IndexPage::IndexPage(const Pager& pager, bool jet3, std::uint32_t number, std::uint32_t tablePage)
    : number_(number) {
    const PageRef page = pager.page(number);
    const std::vector<std::uint8_t>& p = page->bytes;
    const std::string where = "index page " + std::to_string(number);
    if (p.size() < 0x200 || (p[0] != kIndexNodePageType && p[0] != kIndexLeafPageType))
        pager.damaged("page " + std::to_string(number) + " should belong to an index but does not");
    if (readU32(&p[4]) != tablePage)
        pager.damaged(where + " belongs to the table at page " + std::to_string(readU32(&p[4])) +
                      ", not to the one at page " + std::to_string(tablePage));

    const Layout& L = jet3 ? kJet3 : kJet4;
    leaf_ = p[0] == kIndexLeafPageType;
    previous_ = readU32(&p[L.previous]);
    next_ = readU32(&p[L.next]);
    tail_ = readU32(&p[L.tail]);
    const std::size_t prefixLength = readU16(&p[L.prefixLength]);
    const std::size_t trailer = leaf_ ? 4 : 8;  // row location, and child page
    const std::size_t room = p.size() - L.firstEntry;

    std::size_t start = 0;
    for (std::size_t bit = 0; bit < (L.firstEntry - L.bitmap) * 8; ++bit) {
        if (!(p[L.bitmap + bit / 8] & (1u << (bit % 8))))
            continue;
        const std::size_t end = bit;
        if (end > room)
            pager.damaged(where + " marks an entry end beyond the page");
        if (end <= start)
            pager.damaged(where + " has an empty entry");
        IndexEntry e;
        const bool first = entries_.empty();
        if (!first)
            e.bytes.assign(entries_.front().bytes.begin(), entries_.front().bytes.begin() + prefixLength);
        e.bytes.insert(e.bytes.end(), p.begin() + L.firstEntry + start, p.begin() + L.firstEntry + end);
        if (e.bytes.size() < trailer + 1)
            pager.damaged(where + " holds an entry of " + std::to_string(e.bytes.size()) + " bytes");
        // The prefix is shared by the entries' keys and row locations, never by child page numbers.
        if (first && prefixLength > e.bytes.size() - (trailer - 4))
            pager.damaged(where + " shares a prefix of " + std::to_string(prefixLength) +
                          " bytes, longer than its first entry");
        if (!leaf_) {
            e.child = bigEndian({e.bytes.data() + e.bytes.size() - 4, 4});
            e.bytes.resize(e.bytes.size() - 4);
        }
        const std::uint8_t* row = e.bytes.data() + e.bytes.size() - 4;
        e.row = {bigEndian({row, 3}), row[3]};
        entries_.push_back(std::move(e));
        start = end;
    }
}

}  // namespace jet
