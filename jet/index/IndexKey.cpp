#include "jet/index/IndexKey.h"

#include "jet/page/PageFormat.h"
#include "jet/table/ColumnType.h"
#include "jet/table/ExtendedDate.h"
#include "jet/text/Text.h"

#include <algorithm>
#include <array>
#include <bit>

namespace jet {
namespace {

constexpr std::uint8_t kAscendingFlag = 0x7F;
constexpr std::uint8_t kAscendingNull = 0x00;
constexpr std::uint8_t kDescendingFlag = 0x80;
constexpr std::uint8_t kDescendingNull = 0xFF;

bool sameCode(const SortCode& a, const SortCode& b) {
    const auto same = [](std::span<const std::uint8_t> x, std::span<const std::uint8_t> y) {
        return std::equal(x.begin(), x.end(), y.begin(), y.end());
    };
    return a.kind == b.kind && same(a.primary, b.primary) && same(a.accents, b.accents) && a.letters == b.letters &&
           a.smallKana == b.smallKana;
}

// The code of the character `c` in `order`; Ignored for one General 97 text cannot hold.
SortCode codeOf(SortOrder order, char32_t c) {
    if (c > 0xFFFF)
        return order == SortOrder::General97 ? SortCode{} : SortCode{CodeKind::Surrogate, {}, {}, 1, false};
    if (order != SortOrder::General97)
        return sortCode(order, static_cast<char16_t>(c));
    const auto byte = general97Byte(static_cast<char16_t>(c));
    return byte ? sortCode(order, *byte) : SortCode{};
}

void appendBigEndian(std::vector<std::uint8_t>& out, std::uint64_t v, int bytes) {
    for (int n = bytes - 1; n >= 0; --n)
        out.push_back(static_cast<std::uint8_t>(v >> (8 * n)));
}

// Integers: big-endian with the sign bit turned over, so that negative
// numbers come first.
void appendSigned(std::vector<std::uint8_t>& out, std::int64_t v, int bytes) {
    const std::uint64_t signBit = std::uint64_t{1} << (8 * bytes - 1);
    appendBigEndian(out, static_cast<std::uint64_t>(v) ^ signBit, bytes);
}

// Floating point: positive numbers with the sign bit turned over, negative
// ones with every bit turned over, so that the bytes order as the numbers.
void appendFloating(std::vector<std::uint8_t>& out, std::uint64_t bits, int bytes) {
    const std::uint64_t signBit = std::uint64_t{1} << (8 * bytes - 1);
    const std::uint64_t all = bytes == 8 ? ~std::uint64_t{0} : (signBit << 1) - 1;
    appendBigEndian(out, (bits & signBit) ? (~bits & all) : (bits ^ signBit), bytes);
}

// Bytes in 8-byte segments: each full one with more after it is followed by
// 09, the last is padded with zeros and followed by its length. Descending:
// every byte but the 09s turned over.
void appendSegments(std::vector<std::uint8_t>& out, std::span<const std::uint8_t> data, bool ascending) {
    constexpr std::size_t kSegment = 8;
    constexpr std::uint8_t kMore = 0x09;
    const std::uint8_t flip = ascending ? 0x00 : 0xFF;
    for (std::size_t at = 0; at < data.size(); at += kSegment) {
        const std::size_t n = std::min(kSegment, data.size() - at);
        for (std::size_t k = 0; k < kSegment; ++k)
            out.push_back(static_cast<std::uint8_t>((k < n ? data[at + k] : 0) ^ flip));
        out.push_back(at + kSegment < data.size() ? kMore : static_cast<std::uint8_t>(n ^ flip));
    }
}

bool fail(std::string& why, std::string text) {
    why = std::move(text);
    return false;
}

}  // namespace

std::vector<KeyColumn> keyColumns(const TableDef& table, const RealIndex& index, const Pager& pager) {
    std::vector<KeyColumn> out;
    for (const auto& ic : index.columns) {
        const ColumnDef* found = nullptr;
        for (const auto& c : table.columns)
            if (c.number == ic.columnNumber)
                found = &c;
        if (!found)
            pager.damaged("an index of the table at page " + std::to_string(table.page) + " names column " +
                          std::to_string(ic.columnNumber) + ", which the table does not have");
        out.push_back({found, ic.ascending});
    }
    return out;
}

bool leftOutOf(const RealIndex& index, std::span<const Value> keyValues) {
    return index.ignoreNulls() && std::all_of(keyValues.begin(), keyValues.end(), [](const Value& v) { return v.isNull(); });
}

std::optional<SortOrder> KeyEncoder::textSortOrder(const ColumnDef& column) const {
    if (version_ == Version::Jet3) {
        // Jet 3 text is Windows-1252 (0: the default code page).
        if ((column.sortOrder == kGeneralSortOrder || column.sortOrder == 0) &&
            (column.codePage == 1252 || column.codePage == 0))
            return SortOrder::General97;
        return std::nullopt;
    }
    // 0 records no sort order: the file's default, General 2010 from ACE 14 on.
    if (column.sortOrder == 0)
        return version_ >= Version::Ace14 ? SortOrder::General2010 : SortOrder::GeneralLegacy;
    if (column.sortOrder != kGeneralSortOrder || column.sortOrderVersion > 1)
        return std::nullopt;
    return column.sortOrderVersion == 0 ? SortOrder::GeneralLegacy : SortOrder::General2010;
}

bool KeyEncoder::caseClosed(SortOrder order, char32_t c) {
    const SortCode mine = codeOf(order, c);
    if (mine.kind == CodeKind::Ignored)
        return false;
    // foldCase only joins characters below U+0460; check every partner there.
    const char32_t folded = foldCase(c);
    for (char32_t d = 0; d < 0x460; ++d) {
        if (d == c || foldCase(d) != folded)
            continue;
        if (order == SortOrder::General97 && !general97Byte(static_cast<char16_t>(d)))
            continue;  // Jet 3 text cannot hold it
        if (!sameCode(codeOf(order, d), mine))
            return false;
    }
    return true;
}

bool KeyEncoder::append(std::vector<std::uint8_t>& key, const KeyColumn& kc, const Value& value, std::string& why) const {
    const ColumnDef& c = *kc.column;
    const auto type = static_cast<ColumnType>(c.type);
    const std::size_t start = key.size();
    const auto undo = [&](std::string text) {
        key.resize(start);
        return fail(why, "column '" + c.name + "': " + std::move(text));
    };
    const auto turnOver = [&](std::size_t from) {
        for (std::size_t n = from; n < key.size(); ++n)
            key[n] = static_cast<std::uint8_t>(~key[n]);
    };
    const auto wrongKind = [&] { return undo("the value is not of the column's type"); };

    if (type == ColumnType::Boolean) {
        // A flag and one byte: True (Jet's -1) before False.
        if (!value.isNull() && value.kind() != Value::Kind::Boolean)
            return wrongKind();
        const bool truth = !value.isNull() && value.asBool();
        key.push_back(kc.ascending ? kAscendingFlag : kDescendingFlag);
        key.push_back(truth == kc.ascending ? 0x00 : 0xFF);
        return true;
    }
    if (value.isNull()) {
        key.push_back(kc.ascending ? kAscendingNull : kDescendingNull);
        return true;
    }
    key.push_back(kc.ascending ? kAscendingFlag : kDescendingFlag);
    const std::size_t body = key.size();
    switch (type) {
    case ColumnType::Byte:
        if (value.kind() != Value::Kind::Integer)
            return wrongKind();
        key.push_back(static_cast<std::uint8_t>(value.asInteger()));
        break;
    case ColumnType::Integer:
    case ColumnType::Long:
    case ColumnType::Complex:
    case ColumnType::BigInt:
        if (value.kind() != Value::Kind::Integer)
            return wrongKind();
        appendSigned(key, value.asInteger(), type == ColumnType::Integer ? 2 : type == ColumnType::BigInt ? 8 : 4);
        break;
    case ColumnType::Currency:
        if (value.kind() != Value::Kind::Currency)
            return wrongKind();
        appendSigned(key, value.currencyScaled(), 8);
        break;
    case ColumnType::Single:
        if (value.kind() != Value::Kind::Single)
            return wrongKind();
        appendFloating(key, std::bit_cast<std::uint32_t>(value.asSingle()), 4);
        break;
    case ColumnType::Double:
    case ColumnType::DateTime: {
        double d = 0;
        if (value.kind() == Value::Kind::Double)
            d = value.asDouble();
        else if (value.kind() == Value::Kind::DateTime)
            d = value.dateTimeSerial();
        else
            return wrongKind();
        appendFloating(key, std::bit_cast<std::uint64_t>(d), 8);
        break;
    }
    case ColumnType::Guid: {
        if (value.kind() != Value::Kind::Guid)
            return wrongKind();
        // The GUID in its written order (the row holds the first three groups little-endian).
        static constexpr int kOrder[16] = {3, 2, 1, 0, 5, 4, 7, 6, 8, 9, 10, 11, 12, 13, 14, 15};
        const GuidBytes g = value.guidValue();
        std::array<std::uint8_t, 16> written{};
        for (std::size_t n = 0; n < written.size(); ++n)
            written[n] = g[static_cast<std::size_t>(kOrder[n])];
        appendSegments(key, written, kc.ascending);
        return true;
    }
    case ColumnType::Binary:
        if (value.kind() != Value::Kind::Binary)
            return wrongKind();
        appendSegments(key, value.bytes(), kc.ascending);
        return true;
    case ColumnType::DateTimeExtended: {
        // Keyed as binary of its stored text, which sorts in time order.
        if (value.kind() != Value::Kind::DateTimeExtended)
            return wrongKind();
        const std::string stored = extendedDateBytes(value.dateTimeExtendedTicks(), c.scale);
        appendSegments(key, std::span(reinterpret_cast<const std::uint8_t*>(stored.data()), stored.size()), kc.ascending);
        return true;
    }
    case ColumnType::Numeric: {
        if (value.kind() != Value::Kind::Decimal)
            return wrongKind();
        const auto d = value.decimalValue().atScale(c.scale);
        if (!d)
            return undo("the Decimal " + value.decimalValue().toString() + " cannot be held exactly with " +
                        std::to_string(c.scale) + " digits after the point");
        // A sign byte (FF positive, zero among them; 00 negative), then the
        // magnitude big-endian, turned over when negative. Descending, ACE
        // turns every byte over; Jet 4 only the magnitude, keeping its sign
        // byte, so its negatives still come first.
        const bool negative = d->negative && !d->isZero();
        const bool turnSign = !kc.ascending && version_ >= Version::Ace12;
        key.push_back(negative != turnSign ? 0x00 : 0xFF);
        for (const std::uint32_t word : d->magnitude)
            appendBigEndian(key, negative == kc.ascending ? ~word : word, 4);
        return true;
    }
    case ColumnType::Text:
    case ColumnType::Memo: {
        if (value.kind() != Value::Kind::Text)
            return wrongKind();
        const auto order = textSortOrder(c);
        if (!order)
            return undo("its sort order (" + std::to_string(c.sortOrder) + ", version " +
                        std::to_string(c.sortOrderVersion) + ") is not one Ravelin can encode");
        appendTextKey(key, *order, value.text(), kc.ascending, expansions_);
        return true;
    }
    default:
        return undo("index keys of " + typeName(c.type) + " columns are not supported");
    }
    if (!kc.ascending)
        turnOver(body);
    return true;
}

}  // namespace jet
