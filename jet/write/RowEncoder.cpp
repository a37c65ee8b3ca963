#include "jet/write/RowEncoder.h"

#include "jet/page/Coding.h"
#include "jet/table/ColumnType.h"
#include "jet/table/ExtendedDate.h"
#include "jet/write/FieldValue.h"

#include <algorithm>
#include <cstring>

namespace jet {
namespace {

template <class T>
void putRaw(std::uint8_t* at, T v) {
    std::memcpy(at, &v, sizeof v);  // the engine runs on little-endian machines only
}

void putFixed(std::uint8_t* at, const ColumnDef& c, const Value& v) {
    switch (static_cast<ColumnType>(c.type)) {
    case ColumnType::Byte: at[0] = static_cast<std::uint8_t>(v.asInteger()); return;
    case ColumnType::Integer: putRaw(at, static_cast<std::int16_t>(v.asInteger())); return;
    case ColumnType::Long:
    case ColumnType::Complex: putRaw(at, static_cast<std::int32_t>(v.asInteger())); return;
    case ColumnType::BigInt: putRaw(at, v.asInteger()); return;
    case ColumnType::Currency: putRaw(at, v.currencyScaled()); return;
    case ColumnType::Single: putRaw(at, v.asSingle()); return;
    case ColumnType::Double: putRaw(at, v.asDouble()); return;
    case ColumnType::DateTime: putRaw(at, v.dateTimeSerial()); return;
    case ColumnType::Guid: {
        const GuidBytes g = v.guidValue();
        std::memcpy(at, g.data(), g.size());
        return;
    }
    case ColumnType::DateTimeExtended: {
        // The column's scale is the precision the value records.
        const std::string text = extendedDateBytes(v.dateTimeExtendedTicks(), c.scale);
        std::memcpy(at, text.data(), text.size());
        return;
    }
    case ColumnType::Numeric: {
        const Decimal& d = v.decimalValue();
        at[0] = d.negative ? 0x80 : 0x00;
        for (std::size_t w = 0; w < 4; ++w)
            writeU32(at + 1 + 4 * w, d.magnitude[w]);
        return;
    }
    default: {
        // Fixed-width text or binary: the bytes, padded with blanks or zeros.
        if (v.kind() == Value::Kind::Text) {
            const auto bytes = encodeJet4Text(v.text(), false);
            std::fill(at, at + c.length, 0);
            for (std::size_t i = 0; i + 1 < c.length; i += 2)
                at[i] = ' ';
            std::copy_n(bytes.begin(), std::min<std::size_t>(bytes.size(), c.length), at);
        } else {
            const auto b = v.bytes();
            std::copy_n(b.begin(), std::min<std::size_t>(b.size(), c.length), at);
        }
        return;
    }
    }
}

// A calculated value as Access stores it: 16 bytes of zeros, the result's
// length (32 bits), then the result in its own type: Yes/No as FF or 00,
// text compressed where it can be, though the column's flags do not say so
// (a memo result as UCS-2 in a long value),
// Decimal as a VARIANT's DECIMAL (type 14, scale, sign, high 32 bits, low 64).
std::vector<std::uint8_t> calculatedField(const ColumnDef& c, const Value& v) {
    std::vector<std::uint8_t> out(16, 0);
    std::vector<std::uint8_t> result;
    ColumnDef as = c;
    as.type = c.valueType();
    switch (static_cast<ColumnType>(as.type)) {
    case ColumnType::Boolean: result.push_back(v.asBool() ? 0xFF : 0x00); break;
    case ColumnType::Text: result = encodeJet4Text(v.text(), true); break;
    case ColumnType::Memo: result = encodeJet4Text(v.text(), false); break;
    case ColumnType::Numeric: {
        const Decimal& d = v.decimalValue();
        result.assign(16, 0);
        result[0] = 14;
        result[2] = d.scale;
        result[3] = d.negative ? 0x80 : 0x00;
        writeU32(&result[4], d.magnitude[1]);
        writeU32(&result[8], d.magnitude[3]);
        writeU32(&result[12], d.magnitude[2]);
        break;
    }
    default:
        result.assign(fixedSize(as.type), 0);
        putFixed(result.data(), as, v);
    }
    appendU32(out, static_cast<std::uint32_t>(result.size()));
    out.insert(out.end(), result.begin(), result.end());
    return out;
}

}  // namespace

std::vector<std::uint8_t> encodeRow(const TableDef& table, const std::vector<Value>& values,
                                    const LongFieldWriter& longField) {
    std::size_t columnCount = table.maxColumns;
    std::size_t fixedArea = 0;
    std::size_t varCount = 0;
    for (const auto& c : table.columns) {
        columnCount = std::max<std::size_t>(columnCount, c.number + 1u);
        if (c.fixedLength()) {
            const std::size_t size = fixedSize(c.type) ? fixedSize(c.type) : c.length;
            if (c.type != static_cast<std::uint8_t>(ColumnType::Boolean))
                fixedArea = std::max<std::size_t>(fixedArea, c.fixedOffset + size);
        } else {
            varCount = std::max<std::size_t>(varCount, c.varIndex + 1u);
        }
    }

    std::vector<std::uint8_t> row;
    appendU16(row, static_cast<std::uint16_t>(columnCount));
    row.resize(2 + fixedArea, 0);
    std::vector<std::uint8_t> mask((columnCount + 7) / 8, 0);
    const auto present = [&](const ColumnDef& c) { mask[c.number / 8] |= static_cast<std::uint8_t>(1u << (c.number % 8)); };

    // Variable-length fields by entry; absent entries stay empty.
    std::vector<std::vector<std::uint8_t>> varFields(varCount);
    for (std::size_t n = 0; n < table.columns.size(); ++n) {
        const ColumnDef& c = table.columns[n];
        const Value& v = values[n];
        if (c.calculated) {
            if (v.isNull())
                continue;
            present(c);
            auto field = calculatedField(c, v);
            varFields[c.varIndex] = isLongValue(c.valueType()) ? longField(n, Value::binary(field)) : std::move(field);
            continue;
        }
        if (c.type == static_cast<std::uint8_t>(ColumnType::Boolean)) {
            if (!v.isNull() && v.asBool())
                present(c);
            continue;
        }
        if (v.isNull())
            continue;
        present(c);
        if (c.fixedLength())
            putFixed(row.data() + 2 + c.fixedOffset, c, v);
        else if (isLongValue(c.type))
            varFields[c.varIndex] = longField(n, v);
        else if (v.kind() == Value::Kind::Text)
            varFields[c.varIndex] = encodeJet4Text(v.text(), c.compressedUnicode);
        else if (v.kind() == Value::Kind::Binary)
            varFields[c.varIndex].assign(v.bytes().begin(), v.bytes().end());
        else {
            // A number, date or GUID in a variable-length column (system
            // tables hold such): its fixed-width bytes.
            varFields[c.varIndex].assign(fixedSize(c.type), 0);
            putFixed(varFields[c.varIndex].data(), c, v);
        }
    }

    if (table.varColumnCount > 0) {
        std::vector<std::size_t> offsets;
        for (const auto& f : varFields) {
            offsets.push_back(row.size());
            row.insert(row.end(), f.begin(), f.end());
        }
        appendU16(row, static_cast<std::uint16_t>(row.size()));  // end of the data
        for (auto it = offsets.rbegin(); it != offsets.rend(); ++it)
            appendU16(row, static_cast<std::uint16_t>(*it));
        appendU16(row, static_cast<std::uint16_t>(varCount));
    }
    row.insert(row.end(), mask.begin(), mask.end());
    return row;
}

}  // namespace jet
