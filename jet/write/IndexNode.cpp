#include "jet/write/IndexNode.h"

#include "jet/Error.h"
#include "jet/page/PageFormat.h"

#include <algorithm>
#include <string>

namespace jet {
namespace {

const IndexPageLayout& layoutOf(const FileFormat& format) { return indexPageLayout(format.version == Version::Jet3); }

[[noreturn]] void damaged(const PageStore& store, std::uint32_t page, const std::string& what) {
    throw databaseDamaged(store.name(), "index page " + std::to_string(page) + " " + what);
}

// The bytes all entries share at their start: those the first and the last
// share, as entries are in ascending order. Every entry after the first is
// longer than that (no entry is a beginning of one below it), so each still
// stores bytes of its own.
std::size_t sharedPrefix(std::span<const IndexEntry> entries) {
    if (entries.size() < 2)
        return 0;
    const auto& first = entries.front().bytes;
    const auto& last = entries.back().bytes;
    return static_cast<std::size_t>(std::mismatch(first.begin(), first.end(), last.begin(), last.end()).first -
                                    first.begin());
}

}  // namespace

IndexNode readIndexNode(const PageStore& store, std::uint32_t number, std::uint32_t tablePage) {
    return decodeIndexNode(store, number, tablePage, store.read(number));
}

IndexNode decodeIndexNode(const PageStore& store, std::uint32_t number, std::uint32_t tablePage,
                          std::span<const std::uint8_t> p) {
    const IndexPageLayout& L = layoutOf(store.format());
    if (p.size() < 0x200 || (p[0] != kIndexNodePageType && p[0] != kIndexLeafPageType))
        damaged(store, number, "is no index page");
    if (readU32(&p[4]) != tablePage)
        damaged(store, number, "belongs to another table");
    IndexNode node;
    node.page = number;
    node.leaf = p[0] == kIndexLeafPageType;
    node.level = L.level != 0 ? p[L.level] : std::uint8_t{0};
    node.previous = readU32(&p[L.previous]);
    node.next = readU32(&p[L.next]);
    node.tail = readU32(&p[L.tail]);
    const std::size_t prefix = readU16(&p[L.prefixLength]);
    const std::size_t trailer = node.leaf ? 0 : 4;  // child page after the key and row location
    const std::size_t room = p.size() - L.firstEntry;
    std::size_t start = 0;
    for (std::size_t byte = L.bitmap; byte < L.firstEntry; ++byte) {
        for (std::size_t bit = 0; bit < 8; ++bit) {
            if (!(p[byte] >> bit & 1))
                continue;
            const std::size_t end = (byte - L.bitmap) * 8 + bit;
            const bool first = node.entries.empty();
            const std::size_t shared = first ? 0 : prefix;
            if (end > room || end <= start || end - start + shared < trailer + 5)
                damaged(store, number, "holds an entry that does not fit");
            IndexEntry e;
            if (!first)
                e.bytes.assign(node.entries.front().bytes.begin(),
                               node.entries.front().bytes.begin() + static_cast<std::ptrdiff_t>(shared));
            const std::uint8_t* stored = &p[L.firstEntry + start];
            e.bytes.insert(e.bytes.end(), stored, stored + (end - start - trailer));
            if (first && prefix > e.bytes.size())
                damaged(store, number, "shares a prefix longer than its first entry");
            e.row = readIndexRow(&e.bytes[e.bytes.size() - 4]);
            if (!node.leaf)
                e.child = readU32BigEndian(&p[L.firstEntry + end - 4]);
            if (!first && !std::lexicographical_compare(node.entries.back().bytes.begin(), node.entries.back().bytes.end(),
                                                        e.bytes.begin(), e.bytes.end()))
                damaged(store, number, "holds entries out of order");
            node.entries.push_back(std::move(e));
            start = end;
        }
    }
    return node;
}

std::size_t indexPageBytes(const FileFormat& format, bool leaf, std::span<const IndexEntry> entries) {
    const std::size_t prefix = sharedPrefix(entries);
    std::size_t used = layoutOf(format).firstEntry;
    for (std::size_t n = 0; n < entries.size(); ++n)
        used += entries[n].bytes.size() - (n == 0 ? 0 : prefix) + (leaf ? 0 : 4);
    return used;
}

bool fitsIndexPage(const FileFormat& format, const IndexNode& node) {
    return indexPageBytes(format, node.leaf, node.entries) <= format.pageSize;
}

std::vector<std::uint8_t> encodeIndexNode(const PageStore& store, const IndexNode& node, std::uint32_t tablePage) {
    const FileFormat& format = store.format();
    if (format.version == Version::Jet3)
        throw Error(InvalidArgument, "Ravelin does not write the indexes of Jet 3 databases ('" + store.name() + "').");
    const IndexPageLayout& L = layoutOf(format);
    const std::size_t used = indexPageBytes(format, node.leaf, node.entries);
    if (used > format.pageSize)
        throw Error(InvalidArgument, "Index page " + std::to_string(node.page) + " of '" + store.name() +
                                         "' cannot hold its entries.");
    std::vector<std::uint8_t> p(format.pageSize, 0);
    p[0] = node.leaf ? kIndexLeafPageType : kIndexNodePageType;
    p[1] = 0x01;
    p[2] = static_cast<std::uint8_t>(format.pageSize - used);
    p[3] = static_cast<std::uint8_t>((format.pageSize - used) >> 8);
    writeU32(&p[4], tablePage);
    writeU32(&p[L.previous], node.previous);
    writeU32(&p[L.next], node.next);
    writeU32(&p[L.tail], node.tail);
    const std::size_t prefix = sharedPrefix(node.entries);
    p[L.prefixLength] = static_cast<std::uint8_t>(prefix);
    p[L.prefixLength + 1] = static_cast<std::uint8_t>(prefix >> 8);
    p[L.level] = node.level;
    std::size_t at = 0;
    for (std::size_t n = 0; n < node.entries.size(); ++n) {
        const IndexEntry& e = node.entries[n];
        const std::size_t skip = n == 0 ? 0 : prefix;
        std::copy(e.bytes.begin() + static_cast<std::ptrdiff_t>(skip), e.bytes.end(),
                  p.begin() + static_cast<std::ptrdiff_t>(L.firstEntry + at));
        at += e.bytes.size() - skip;
        if (!node.leaf) {
            writeU32BigEndian(&p[L.firstEntry + at], e.child);
            at += 4;
        }
        p[L.bitmap + at / 8] |= static_cast<std::uint8_t>(1u << (at % 8));
    }
    return p;
}

}  // namespace jet
