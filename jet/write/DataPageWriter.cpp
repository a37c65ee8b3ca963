#include "jet/write/DataPageWriter.h"

#include "jet/Error.h"
#include "jet/page/PageFormat.h"

#include <algorithm>

namespace jet {
namespace {

constexpr std::size_t kRowCountAt = dataRowCountAt(false);
constexpr std::size_t kOffsetsAt = dataRowOffsetsAt(false);

}  // namespace

DataPageWriter::DataPageWriter(std::size_t pageSize, std::uint32_t owner) : header_(kRowCountAt, 0), pageSize_(pageSize) {
    header_[0] = kDataPageType;
    header_[1] = 0x01;
    writeU32(&header_[kDataOwnerAt], owner);
}

std::optional<DataPageWriter> DataPageWriter::parse(std::span<const std::uint8_t> page) {
    if (page.size() < kOffsetsAt || page[0] != kDataPageType)
        return std::nullopt;
    DataPageWriter w(page.size(), 0);
    w.header_.assign(page.begin(), page.begin() + kRowCountAt);
    const std::size_t count = readU16(&page[kRowCountAt]);
    if (count > kMaxRowsPerPage + 1 || kOffsetsAt + 2 * count > page.size())
        return std::nullopt;
    std::size_t end = page.size();
    for (std::size_t n = 0; n < count; ++n) {
        const std::uint16_t raw = readU16(&page[kOffsetsAt + 2 * n]);
        const std::size_t start = raw & kRowOffsetMask;
        RowImage row;
        row.flags = raw & (kRowDeleted | kRowMoved);
        if (start < kOffsetsAt + 2 * count || start > end) {
            if (!(row.flags & kRowDeleted))
                return std::nullopt;
            w.rows_.push_back(std::move(row));  // a deleted row whose bytes are gone
            continue;
        }
        row.bytes.assign(page.begin() + static_cast<std::ptrdiff_t>(start),
                         page.begin() + static_cast<std::ptrdiff_t>(end));
        end = start;
        w.rows_.push_back(std::move(row));
    }
    return w;
}

std::uint32_t DataPageWriter::owner() const { return readU32(&header_[kDataOwnerAt]); }

std::size_t DataPageWriter::used() const {
    std::size_t n = kOffsetsAt + 2 * rows_.size();
    for (const auto& r : rows_)
        n += r.bytes.size();
    return n;
}

std::size_t DataPageWriter::freeSpace() const { return pageSize_ - used(); }

bool DataPageWriter::canAdd(std::size_t size) const {
    return rows_.size() < kMaxRowsPerPage && used() + 2 + size <= pageSize_;
}

std::uint16_t DataPageWriter::add(std::vector<std::uint8_t> bytes, std::uint16_t flags) {
    if (!canAdd(bytes.size()))
        throw internalFault("row does not fit on the page");
    rows_.push_back({flags, std::move(bytes)});
    return static_cast<std::uint16_t>(rows_.size() - 1);
}

bool DataPageWriter::canReplace(std::size_t n, std::size_t size) const {
    return used() - rows_.at(n).bytes.size() + size <= pageSize_;
}

void DataPageWriter::replace(std::size_t n, std::vector<std::uint8_t> bytes, std::uint16_t flags) {
    if (!canReplace(n, bytes.size()))
        throw internalFault("row does not fit on the page");
    rows_[n] = {flags, std::move(bytes)};
}

void DataPageWriter::markDeleted(std::size_t n) { rows_.at(n) = {kRowDeleted | kRowMoved, {}}; }

bool DataPageWriter::holdsNothing() const {
    return std::all_of(rows_.begin(), rows_.end(), [](const RowImage& r) { return (r.flags & kRowDeleted) && r.bytes.empty(); });
}

std::vector<std::uint8_t> DataPageWriter::bytes() const {
    std::vector<std::uint8_t> page(pageSize_, 0);
    std::copy(header_.begin(), header_.end(), page.begin());
    writeU16(&page[kDataFreeSpaceAt], static_cast<std::uint16_t>(freeSpace()));
    writeU16(&page[kRowCountAt], static_cast<std::uint16_t>(rows_.size()));
    std::size_t end = pageSize_;
    for (std::size_t n = 0; n < rows_.size(); ++n) {
        const auto& r = rows_[n];
        const std::size_t start = end - r.bytes.size();
        std::copy(r.bytes.begin(), r.bytes.end(), page.begin() + static_cast<std::ptrdiff_t>(start));
        writeU16(&page[kOffsetsAt + 2 * n], static_cast<std::uint16_t>(start | r.flags));
        end = start;
    }
    return page;
}

}  // namespace jet
