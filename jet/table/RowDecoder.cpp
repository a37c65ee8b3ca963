#include "jet/table/RowDecoder.h"

#include "jet/page/Coding.h"
#include "jet/table/ColumnType.h"
#include "jet/table/ExtendedDate.h"
#include "jet/table/LongValue.h"

#include <cstring>

namespace jet {

RowDecoder::RowDecoder(const Pager& pager, bool jet3, const TableDef& table, const CodePageDecoder& text)
    : pager_(pager), jet3_(jet3), table_(table), text_(text) {}

void RowDecoder::damaged(const std::string& what) const {
    pager_.damaged("a row of the table at page " + std::to_string(table_.page) + " " + what);
}

RowDecoder::Layout RowDecoder::crack(std::span<const std::uint8_t> row) const {
    Layout l;
    l.row = row;
    const std::size_t len = row.size();
    const std::size_t countSize = jet3_ ? 1 : 2;
    if (len < countSize)
        damaged("is empty");
    l.columnCount = jet3_ ? row[0] : readU16(row.data());
    l.fixedStart = countSize;
    const std::size_t maskSize = (l.columnCount + 7) / 8;
    if (maskSize + countSize > len)
        damaged("is shorter than its null mask");
    l.nullMask = len - maskSize;
    std::size_t end = l.nullMask;  // everything else lies before the null mask
    l.dataEnd = end;
    if (table_.varColumnCount == 0)
        return l;

    if (jet3_) {
        if (end < countSize + 1)
            damaged("has no room for its variable-length column count");
        l.varCount = row[end - 1];
        // Room for one jump entry per 256 bytes of row is reserved before the
        // count; an entry not needed holds 0xFF and counts for nothing.
        l.jumpCount = (len - 1) / 256;
        if (end < countSize + 2 + l.jumpCount + l.varCount)
            damaged("has a variable-length offset table larger than the row");
        l.jumpTable = end - 1 - l.jumpCount;
        l.varTable = l.jumpTable - 1;  // entry k at varTable - k, end of data at entry varCount
    } else {
        if (end < countSize + 2)
            damaged("has no room for its variable-length column count");
        l.varCount = readU16(&row[end - 2]);
        if (end < countSize + 4 + 2 * l.varCount)
            damaged("has a variable-length offset table larger than the row");
        l.varTable = end - 4;  // entry k at varTable - 2k
    }
    return l;
}

namespace {

// Offset of Jet 3 variable-length entry `k` (k == varCount: the end of the data).
std::size_t jet3VarOffset(const std::span<const std::uint8_t> row, std::size_t varTable, std::size_t jumpTable,
                          std::size_t jumpCount, std::size_t k) {
    std::size_t offset = row[varTable - k];
    // Each jump entry names the first entry at or past the next 256-byte boundary.
    for (std::size_t j = 0; j < jumpCount; ++j)
        if (row[jumpTable + j] != 0xFF && row[jumpTable + j] <= k)
            offset += 256;
    return offset;
}

}  // namespace

void RowDecoder::decodeText(std::span<const std::uint8_t> bytes, Value& value) {
    std::string& out = value.setText();
    if (jet3_)
        text_.append(bytes, out);
    else
        appendUcs2Text(bytes, out);
}

std::optional<std::span<const std::uint8_t>> RowDecoder::storedBytes(const Layout& l, const ColumnDef& c) const {
    if (!l.present(c.number))
        return std::nullopt;
    if (c.fixedLength()) {
        std::size_t size = fixedSize(c.type);
        if (size == 0)
            size = c.length;
        const std::size_t start = l.fixedStart + c.fixedOffset;
        if (start + size > l.dataEnd)
            damaged("holds a fixed-length value beyond its end");
        return l.row.subspan(start, size);
    }
    if (c.varIndex >= l.varCount)
        return std::nullopt;
    const auto offset = [&](std::size_t k) {
        return jet3_ ? jet3VarOffset(l.row, l.varTable, l.jumpTable, l.jumpCount, k)
                     : std::size_t{readU16(&l.row[l.varTable - 2 * k])};
    };
    const std::size_t start = offset(c.varIndex);
    const std::size_t end = offset(c.varIndex + 1u);
    if (start < l.fixedStart || start > end || end > l.dataEnd)
        damaged("has a variable-length value outside the row");
    return l.row.subspan(start, end - start);
}

void RowDecoder::decodeField(const Layout& l, const ColumnDef& c, Value& value) {
    const auto type = static_cast<ColumnType>(c.type);
    // A Yes/No is its null-mask bit, never Null: in a row older than the
    // column (fewer columns stored) it is No, as Access shows it.
    if (type == ColumnType::Boolean) {
        value.setBoolean(l.present(c.number));
        return;
    }
    const auto stored = storedBytes(l, c);
    if (!stored)
        value.setNull();
    else if (c.calculated)
        decodeCalculated(*stored, c, value);
    else
        decodeAs(type, *stored, c, value);
}

// A calculated value: 16 bytes Access keeps to itself, the result's length
// (32 bits; 0 when the result is Null), then the result in its own type. A
// memo result is a long value that holds the same.
void RowDecoder::decodeCalculated(std::span<const std::uint8_t> bytes, const ColumnDef& c, Value& value) {
    constexpr std::size_t kHeader = 20;
    const auto type = static_cast<ColumnType>(c.valueType());
    const bool longValue = type == ColumnType::Memo || type == ColumnType::Ole;
    if (longValue) {
        scratch_.clear();
        readLongValue(pager_, jet3_, bytes, scratch_);
        bytes = {reinterpret_cast<const std::uint8_t*>(scratch_.data()), scratch_.size()};
    }
    if (bytes.size() < kHeader || readU32(&bytes[16]) > bytes.size() - kHeader)
        damaged("has a calculated value that does not fit its " + std::to_string(bytes.size()) + " bytes");
    bytes = bytes.subspan(kHeader, readU32(&bytes[16]));
    if (bytes.empty()) {
        value.setNull();
        return;
    }
    switch (type) {
    case ColumnType::Boolean: value.setBoolean(bytes[0] != 0); return;
    case ColumnType::Memo: decodeText(bytes, value); return;
    case ColumnType::Ole: value.setBinary().assign(reinterpret_cast<const char*>(bytes.data()), bytes.size()); return;
    case ColumnType::Numeric: {
        // As a VARIANT's DECIMAL: 2 bytes unused, scale, sign (0x80 negative), the high
        // 32 bits of the 96-bit magnitude, then its low 64 bits, little endian.
        if (bytes.size() < 16)
            damaged("has a calculated Decimal value of " + std::to_string(bytes.size()) + " bytes");
        Decimal d;
        d.scale = bytes[2];
        d.negative = (bytes[3] & 0x80) != 0;
        d.magnitude = {0, readU32(&bytes[4]), readU32(&bytes[12]), readU32(&bytes[8])};
        value.setDecimal(d);
        return;
    }
    default: decodeAs(type, bytes, c, value); return;
    }
}

void RowDecoder::decodeAs(ColumnType type, std::span<const std::uint8_t> bytes, const ColumnDef& c, Value& value) {
    const auto need = [&](std::size_t n) {
        if (bytes.size() < n)
            damaged("has a " + typeName(c.type) + " value of " + std::to_string(bytes.size()) + " bytes");
    };
    switch (type) {
    case ColumnType::Byte: need(1); value.setInteger(bytes[0]); return;
    case ColumnType::Integer: need(2); value.setInteger(static_cast<std::int16_t>(readU16(bytes.data()))); return;
    case ColumnType::Long:
    case ColumnType::Complex:
        need(4);
        value.setInteger(static_cast<std::int32_t>(readU32(bytes.data())));
        return;
    case ColumnType::BigInt: need(8); value.setInteger(static_cast<std::int64_t>(readU64(bytes.data()))); return;
    case ColumnType::Currency: need(8); value.setCurrency(static_cast<std::int64_t>(readU64(bytes.data()))); return;
    case ColumnType::Single: need(4); value.setSingle(readFloat(bytes.data())); return;
    case ColumnType::Double: need(8); value.setDouble(readDouble(bytes.data())); return;
    case ColumnType::DateTime: need(8); value.setDateTime(readDouble(bytes.data())); return;
    case ColumnType::DateTimeExtended: {
        const auto ticks = readExtendedDate(bytes);
        if (!ticks)
            damaged("has a Date/Time Extended value that is not one");
        value.setDateTimeExtended(*ticks);
        return;
    }
    case ColumnType::Guid: {
        need(16);
        GuidBytes g;
        std::memcpy(g.data(), bytes.data(), g.size());
        value.setGuid(g);
        return;
    }
    case ColumnType::Numeric: {
        need(17);
        Decimal d;
        d.negative = bytes[0] != 0;
        // Four 32-bit little-endian words, the most significant first.
        for (std::size_t w = 0; w < 4; ++w)
            d.magnitude[w] = readU32(bytes.data() + 1 + 4 * w);
        d.precision = c.precision;
        d.scale = c.scale;
        value.setDecimal(d);
        return;
    }
    case ColumnType::Text: decodeText(bytes, value); return;
    case ColumnType::Memo:
        scratch_.clear();
        readLongValue(pager_, jet3_, bytes, scratch_);
        decodeText({reinterpret_cast<const std::uint8_t*>(scratch_.data()), scratch_.size()}, value);
        return;
    case ColumnType::Ole: readLongValue(pager_, jet3_, bytes, value.setBinary()); return;
    default:
        // Binary, and types this reader does not interpret: the stored bytes.
        value.setBinary().assign(reinterpret_cast<const char*>(bytes.data()), bytes.size());
        return;
    }
}

void RowDecoder::decode(std::span<const std::uint8_t> row, std::vector<Value>& values) {
    const Layout l = crack(row);
    values.resize(table_.columns.size());
    for (std::size_t n = 0; n < table_.columns.size(); ++n)
        decodeField(l, table_.columns[n], values[n]);
}

void RowDecoder::decodeColumn(std::span<const std::uint8_t> row, std::size_t index, Value& value) {
    decodeField(crack(row), table_.columns.at(index), value);
}

void RowDecoder::select(std::span<const std::uint8_t> row) { selected_ = crack(row); }

void RowDecoder::field(std::size_t index, Value& value) { decodeField(selected_, table_.columns.at(index), value); }

std::optional<std::span<const std::uint8_t>> RowDecoder::storedText(std::size_t index) const {
    return storedBytes(selected_, table_.columns.at(index));
}

}  // namespace jet
