#include "jet/index/IndexPage.h"

#include "jet/page/PageFormat.h"

#include <bit>
#include <string>

namespace jet {

IndexPage::IndexPage(const Pager& pager, bool jet3, std::uint32_t number, std::uint32_t tablePage)
    : page_(pager.page(number)), number_(number) {
    const std::vector<std::uint8_t>& p = page_->bytes;
    const auto damaged = [&](const std::string& what) {
        pager.damaged("index page " + std::to_string(number) + " " + what);
    };
    if (p.size() < 0x200 || (p[0] != kIndexNodePageType && p[0] != kIndexLeafPageType))
        pager.damaged("page " + std::to_string(number) + " should belong to an index but does not");
    if (readU32(&p[4]) != tablePage)
        damaged("belongs to the table at page " + std::to_string(readU32(&p[4])) + ", not to the one at page " +
                std::to_string(tablePage));

    const IndexPageLayout& L = indexPageLayout(jet3);
    leaf_ = p[0] == kIndexLeafPageType;
    previous_ = readU32(&p[L.previous]);
    next_ = readU32(&p[L.next]);
    tail_ = readU32(&p[L.tail]);
    firstEntry_ = L.firstEntry;
    prefixLength_ = jet3 ? p[L.prefixLength] : readU16(&p[L.prefixLength]);  // Jet 3 keeps it in one byte
    const std::size_t trailer = leaf_ ? 4 : 8;  // row location, and child page
    const std::size_t room = p.size() - L.firstEntry;

    std::size_t start = 0;
    ends_.reserve(64);
    for (std::size_t byte = L.bitmap; byte < L.firstEntry; ++byte) {
        for (unsigned bits = p[byte]; bits != 0; bits &= bits - 1) {
            const std::size_t end = (byte - L.bitmap) * 8 + static_cast<std::size_t>(std::countr_zero(bits));
            if (end > room)
                damaged("marks an entry end beyond the page");
            // Every entry has at least one key byte and its trailer once the
            // shared prefix is restored; the prefix never reaches a child page.
            const std::size_t whole = end - start + (ends_.empty() ? 0 : prefixLength_);
            if (end <= start || whole < trailer + 1)
                damaged("holds an entry of " + std::to_string(whole) + " bytes");
            if (ends_.empty() && prefixLength_ > whole - (trailer - 4))
                damaged("shares a prefix of " + std::to_string(prefixLength_) + " bytes, longer than its first entry");
            ends_.push_back(static_cast<std::uint16_t>(end));
            start = end;
        }
    }
}

std::size_t IndexPage::lowerBound(std::span<const std::uint8_t> prefix) const {
    std::size_t lo = 0, hi = ends_.size();
    while (lo < hi) {
        const std::size_t mid = lo + (hi - lo) / 2;
        if (compare(mid, prefix) < 0)
            lo = mid + 1;
        else
            hi = mid;
    }
    return lo;
}

std::size_t IndexPage::length(std::size_t n) const {
    return ends_[n] - begin(n) + (n == 0 ? 0 : prefixLength_) - (leaf_ ? 0 : 4);
}

std::uint8_t IndexPage::at(std::size_t n, std::size_t i) const {
    const std::uint8_t* stored = page_->bytes.data() + firstEntry_;
    if (n != 0) {
        if (i < prefixLength_)
            return stored[i];
        i -= prefixLength_;
    }
    return stored[begin(n) + i];
}

int IndexPage::compare(std::size_t n, std::span<const std::uint8_t> prefix) const {
    const std::size_t len = length(n);
    const std::size_t common = std::min(len, prefix.size());
    for (std::size_t i = 0; i < common; ++i) {
        const std::uint8_t b = at(n, i);
        if (b != prefix[i])
            return b < prefix[i] ? -1 : 1;
    }
    return len < prefix.size() ? -1 : 0;
}

std::size_t IndexPage::keySize(std::size_t n) const { return length(n) - 4; }

RowLocation IndexPage::row(std::size_t n) const {
    // Through at(): the row location may lie in the prefix shared with the
    // first entry, and an intermediate entry's child page follows it.
    const std::size_t r = length(n) - 4;
    const std::uint8_t bytes[4] = {at(n, r), at(n, r + 1), at(n, r + 2), at(n, r + 3)};
    return readIndexRow(bytes);
}

std::uint32_t IndexPage::child(std::size_t n) const {
    return readU32BigEndian(page_->bytes.data() + firstEntry_ + ends_[n] - 4);
}

IndexEntry IndexPage::entry(std::size_t n) const {
    IndexEntry e;
    const std::size_t len = length(n);
    e.bytes.reserve(len);
    for (std::size_t i = 0; i < len; ++i)
        e.bytes.push_back(at(n, i));
    e.row = row(n);
    e.child = leaf_ ? 0 : child(n);
    return e;
}

}  // namespace jet
