#include "jet/index/IndexKey.h"

#include "jet/table/ColumnType.h"
#include "jet/text/Text.h"
#include "jet/text/Windows1252.h"

#include <array>
#include <bit>
#include <cmath>
#include <cstring>

namespace jet {
namespace {

constexpr std::uint8_t kAscendingFlag = 0x7F;
constexpr std::uint8_t kAscendingNull = 0x00;
constexpr std::uint8_t kDescendingFlag = 0x80;
constexpr std::uint8_t kDescendingNull = 0xFF;

constexpr std::uint16_t kGeneralSortOrder = 1033;
// Text longer than this is indexed by its first characters only.
constexpr std::size_t kMaxIndexedChars = 255;

// How one character enters a text key: bytes in the main run (Plain), a code
// in the trailing run of set-aside characters (SetAside), or not at all here.
struct CharCode {
    enum Kind : std::uint8_t { None, Plain, SetAside } kind = None;
    std::uint8_t size = 0;
    std::array<std::uint8_t, 2> bytes{};
};

constexpr CharCode S(std::uint8_t a) { return {CharCode::Plain, 1, {a, 0}}; }
constexpr CharCode S(std::uint8_t a, std::uint8_t b) { return {CharCode::Plain, 2, {a, b}}; }
constexpr CharCode U(std::uint8_t code) { return {CharCode::SetAside, 1, {code, 0}}; }
constexpr CharCode N{};

// Jet 4 / ACE "General" sort order, by UTF-16 code unit 0-255. N: accented
// letters (which carry extra accent codes) and NUL.
constexpr std::array<CharCode, 256> kGeneral{{
    N, U(0x03), U(0x04), U(0x05), U(0x06), U(0x07), U(0x08), U(0x09),  // 00
    U(0x0A), S(0x08, 0x03), S(0x08, 0x04), S(0x08, 0x05), S(0x08, 0x06), S(0x08, 0x07), U(0x0B), U(0x0C),  // 08
    U(0x0D), U(0x0E), U(0x0F), U(0x10), U(0x11), U(0x12), U(0x13), U(0x14),  // 10
    U(0x15), U(0x16), U(0x17), U(0x18), U(0x19), U(0x1A), U(0x1B), U(0x1C),  // 18
    S(0x07), S(0x09), S(0x0A), S(0x0C), S(0x0E), S(0x10), S(0x12), U(0x80),  // 20
    S(0x14), S(0x16), S(0x18), S(0x2C), S(0x1A), U(0x82), S(0x1C), S(0x1E),  // 28
    S(0x36), S(0x38), S(0x3A), S(0x3C), S(0x3E), S(0x40), S(0x42), S(0x44),  // 30
    S(0x46), S(0x48), S(0x20), S(0x22), S(0x2E), S(0x30), S(0x32), S(0x24),  // 38
    S(0x26), S(0x4A), S(0x4C), S(0x4D), S(0x4F), S(0x51), S(0x53), S(0x55),  // 40
    S(0x57), S(0x59), S(0x5B), S(0x5C), S(0x5E), S(0x60), S(0x62), S(0x64),  // 48
    S(0x66), S(0x68), S(0x69), S(0x6B), S(0x6D), S(0x6F), S(0x71), S(0x73),  // 50
    S(0x75), S(0x76), S(0x78), S(0x27), S(0x29), S(0x2A), S(0x2B, 0x02), S(0x2B, 0x03),  // 58
    S(0x2B, 0x07), S(0x4A), S(0x4C), S(0x4D), S(0x4F), S(0x51), S(0x53), S(0x55),  // 60
    S(0x57), S(0x59), S(0x5B), S(0x5C), S(0x5E), S(0x60), S(0x62), S(0x64),  // 68
    S(0x66), S(0x68), S(0x69), S(0x6B), S(0x6D), S(0x6F), S(0x71), S(0x73),  // 70
    S(0x75), S(0x76), S(0x78), S(0x2B, 0x09), S(0x2B, 0x0B), S(0x2B, 0x0D), S(0x2B, 0x0F), U(0x1D),  // 78
    U(0x1E), U(0x1F), U(0x20), U(0x21), U(0x22), U(0x23), U(0x24), U(0x25),  // 80
    U(0x26), U(0x27), U(0x28), U(0x29), U(0x2A), U(0x2B), U(0x2C), U(0x2D),  // 88
    U(0x2E), U(0x2F), U(0x30), U(0x31), U(0x32), U(0x33), U(0x34), U(0x35),  // 90
    U(0x36), U(0x37), U(0x38), U(0x39), U(0x3A), U(0x3B), U(0x3C), U(0x3D),  // 98
    S(0x08, 0x02), S(0x2B, 0x10), S(0x34, 0xA6), S(0x34, 0xA7), S(0x34, 0xA8), S(0x34, 0xA9), S(0x2B, 0x11), S(0x34, 0xAA),  // A0
    S(0x2B, 0x12), S(0x34, 0xAB), N, S(0x33, 0x05), S(0x34, 0xAC), U(0x83), S(0x34, 0xAD), S(0x2B, 0x13),  // A8
    S(0x34, 0xAE), S(0x33, 0x04), S(0x3A), S(0x3C), S(0x2B, 0x14), S(0x34, 0xAF), S(0x34, 0xB0), S(0x34, 0xB1),  // B0
    S(0x2B, 0x15), S(0x38), N, S(0x33, 0x07), S(0x37, 0x12), S(0x37, 0x16), S(0x37, 0x1A), S(0x2B, 0x16),  // B8
    N, N, N, N, N, N, S(0x4A, 0x51), N,  // C0
    N, N, N, N, N, N, N, N,  // C8
    N, N, N, N, N, N, N, S(0x33, 0x09),  // D0
    N, N, N, N, N, N, S(0x6D, 0x57), S(0x6B, 0x6B),  // D8
    N, N, N, N, N, N, S(0x4A, 0x51), N,  // E0
    N, N, N, N, N, N, N, N,  // E8
    N, N, N, N, N, N, N, S(0x33, 0x0A),  // F0
    N, N, N, N, N, N, S(0x6D, 0x57), N,  // F8
}};

// Jet 3 General sort order, by Windows-1252 byte.
constexpr std::array<CharCode, 256> kGeneral97{{
    N, S(0x10), S(0x10), S(0x10), S(0x10), S(0x10), S(0x10), S(0x10),  // 00
    S(0x10), S(0x11), S(0x10), S(0x10), S(0x10), S(0x10), S(0x10), S(0x10),  // 08
    S(0x10), S(0x10), S(0x10), S(0x10), S(0x10), S(0x10), S(0x10), S(0x10),  // 10
    S(0x10), S(0x10), S(0x10), S(0x10), S(0x10), S(0x10), S(0x10), S(0x10),  // 18
    S(0x11), S(0x12), S(0x13), S(0x14), S(0x15), S(0x16), S(0x17), S(0x18),  // 20
    S(0x19), S(0x1A), S(0x1B), S(0x1C), S(0x1D), S(0x1E), S(0x1F), S(0x20),  // 28
    S(0x56), S(0x57), S(0x58), S(0x59), S(0x5A), S(0x5B), S(0x5C), S(0x5D),  // 30
    S(0x5E), S(0x5F), S(0x21), S(0x22), S(0x23), S(0x24), S(0x25), S(0x26),  // 38
    S(0x27), S(0x60), S(0x61), S(0x62), S(0x64), S(0x66), S(0x67), S(0x68),  // 40
    S(0x69), S(0x6A), S(0x6B), S(0x6C), S(0x6D), S(0x6F), S(0x70), S(0x72),  // 48
    S(0x73), S(0x74), S(0x75), S(0x76), S(0x77), S(0x78), S(0x7A), S(0x7B),  // 50
    S(0x7C), S(0x7D), S(0x7E), S(0x28), S(0x29), S(0x2A), S(0x2B), S(0x2C),  // 58
    S(0x2D), S(0x60), S(0x61), S(0x62), S(0x64), S(0x66), S(0x67), S(0x68),  // 60
    S(0x69), S(0x6A), S(0x6B), S(0x6C), S(0x6D), S(0x6F), S(0x70), S(0x72),  // 68
    S(0x73), S(0x74), S(0x75), S(0x76), S(0x77), S(0x78), S(0x7A), S(0x7B),  // 70
    S(0x7C), S(0x7D), S(0x7E), S(0x2E), S(0x2F), S(0x30), S(0x31), S(0x10),  // 78
    S(0x10), S(0x10), S(0x18), S(0x32), S(0x13), S(0x33), S(0x34), S(0x35),  // 80
    S(0x36), S(0x37), N, S(0x18), S(0x72, 0x66), S(0x10), S(0x10), S(0x10),  // 88
    S(0x10), S(0x18), S(0x18), S(0x13), S(0x13), S(0x38), S(0x1E), S(0x1E),  // 90
    S(0x39), S(0x3A), N, S(0x18), S(0x72, 0x66), S(0x10), S(0x10), N,  // 98
    S(0x11), S(0x3B), S(0x3C), S(0x3D), S(0x3E), S(0x3F), S(0x40), S(0x41),  // A0
    S(0x42), S(0x43), S(0x44), S(0x13), S(0x45), S(0x1E), S(0x46), S(0x47),  // A8
    S(0x48), S(0x49), S(0x58), S(0x59), S(0x4A), S(0x4B), S(0x4C), S(0x4D),  // B0
    S(0x4E), S(0x57), S(0x4F), S(0x13), S(0x50), S(0x51), S(0x52), S(0x53),  // B8
    N, N, N, N, N, N, S(0x60, 0x66), N,  // C0
    N, N, N, N, N, N, N, N,  // C8
    S(0x65), N, N, N, N, N, N, S(0x54),  // D0
    S(0x81), N, N, N, N, N, S(0x7F), S(0x76, 0x76),  // D8
    N, N, N, N, N, N, S(0x60, 0x66), N,  // E0
    N, N, N, N, N, N, N, N,  // E8
    S(0x65), N, N, N, N, N, N, S(0x55),  // F0
    S(0x81), N, N, N, N, N, S(0x7F), N,  // F8
}};

// Markers of a Jet 4 text key: the end of the main run, and the end of the key.
constexpr std::uint8_t kEndOfText = 0x01;
constexpr std::uint8_t kEndOfKey = 0x00;
// A set-aside character is written as a position word, this byte and its code.
constexpr std::uint8_t kSetAsideMark = 0x06;

// Reads one UTF-8 character at `pos`; false for malformed bytes.
bool nextChar(std::string_view s, std::size_t& pos, char32_t& cp) {
    const auto byte = [&](std::size_t i) { return static_cast<std::uint8_t>(s[i]); };
    const std::uint8_t lead = byte(pos);
    const int extra = lead < 0x80 ? 0 : (lead >> 5) == 0x6 ? 1 : (lead >> 4) == 0xE ? 2 : (lead >> 3) == 0x1E ? 3 : -1;
    if (extra < 0 || pos + static_cast<std::size_t>(extra) >= s.size())
        return false;
    cp = extra == 0 ? lead : lead & (0x7F >> (extra + 1));
    for (int n = 1; n <= extra; ++n) {
        if ((byte(pos + n) & 0xC0) != 0x80)
            return false;
        cp = (cp << 6) | (byte(pos + n) & 0x3F);
    }
    pos += static_cast<std::size_t>(extra) + 1;
    return true;
}

std::string hexChar(char32_t c) {
    static constexpr char kHex[] = "0123456789ABCDEF";
    std::string s = "U+";
    for (int shift = c > 0xFFFF ? 20 : 12; shift >= 0; shift -= 4)
        s += kHex[(c >> shift) & 0xF];
    return s;
}

// The Windows-1252 byte of `c`; false when the code page has none.
bool toWindows1252(char32_t c, std::uint8_t& out) {
    std::string utf8;
    appendUtf8(utf8, c);
    const std::string b = utf8ToWindows1252(utf8);
    if (b.size() != 1 || (b[0] == '?' && c != '?'))
        return false;
    out = static_cast<std::uint8_t>(b[0]);
    return true;
}

// The code of `c` in this sort order; None when there is no usable one.
CharCode codeOf(bool jet3, char32_t c) {
    if (jet3) {
        std::uint8_t b = 0;
        return toWindows1252(c, b) ? kGeneral97[b] : N;
    }
    return c < 256 ? kGeneral[c] : N;
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

bool KeyEncoder::textSortOrderKnown(const ColumnDef& column) const {
    if (jet3_)
        return column.sortOrder == kGeneralSortOrder && (column.codePage == 1252 || column.codePage == 0);
    return column.sortOrder == kGeneralSortOrder && column.sortOrderVersion == 0;
}

bool KeyEncoder::caseClosed(char32_t c) const {
    const CharCode mine = codeOf(jet3_, c);
    if (mine.kind == CharCode::None)
        return false;
    // foldCase only joins characters below U+0460; check every partner there.
    const char32_t folded = foldCase(c);
    for (char32_t d = 0; d < 0x460; ++d) {
        if (d == c || foldCase(d) != folded)
            continue;
        if (jet3_) {
            std::uint8_t b = 0;
            if (!toWindows1252(d, b))
                continue;  // Jet 3 text cannot hold it
        }
        const CharCode other = codeOf(jet3_, d);
        if (other.kind != mine.kind || other.size != mine.size || other.bytes != mine.bytes)
            return false;
    }
    return true;
}

bool KeyEncoder::appendText(std::vector<std::uint8_t>& out, std::string_view utf8, std::string& why) const {
    std::vector<std::uint8_t> setAside;
    std::size_t plainChars = 0;  // characters written to the main run so far
    std::size_t chars = 0;
    for (std::size_t pos = 0; pos < utf8.size() && chars < kMaxIndexedChars; ++chars) {
        char32_t c = 0;
        if (!nextChar(utf8, pos, c))
            return fail(why, "the text is not valid UTF-8");
        const CharCode code = codeOf(jet3_, c);
        if (code.kind == CharCode::None)
            return fail(why, "the character " + hexChar(c) + " has no index code that Ravelin knows");
        if (code.kind == CharCode::Plain) {
            out.insert(out.end(), code.bytes.begin(), code.bytes.begin() + code.size);
            ++plainChars;
        } else {
            // Position word: 0x8000 | (7 + 4 * characters before it in the main run).
            const std::size_t word = 0x8000 | (7 + 4 * plainChars);
            setAside.push_back(static_cast<std::uint8_t>(word >> 8));
            setAside.push_back(static_cast<std::uint8_t>(word));
            setAside.push_back(kSetAsideMark);
            setAside.push_back(code.bytes[0]);
        }
    }
    if (jet3_)
        return true;  // Jet 3 keys end with the key terminator alone
    out.push_back(kEndOfText);
    if (!setAside.empty()) {
        // Two empty runs (accents, case marks) and their ends come first.
        out.push_back(kEndOfText);
        out.push_back(kEndOfText);
        out.push_back(kEndOfText);
        out.insert(out.end(), setAside.begin(), setAside.end());
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
        // The GUID in its written order (the row holds the first three groups
        // little-endian), in two halves: 8 bytes, 0x09, 8 bytes, 0x08. When
        // descending every byte but the middle 0x09 is turned over.
        static constexpr int kOrder[16] = {3, 2, 1, 0, 5, 4, 7, 6, 8, 9, 10, 11, 12, 13, 14, 15};
        const GuidBytes g = value.guidValue();
        for (int n = 0; n < 16; ++n) {
            if (n == 8)
                key.push_back(0x09);
            key.push_back(g[static_cast<std::size_t>(kOrder[n])]);
        }
        key.push_back(0x08);
        if (!kc.ascending) {
            turnOver(body);
            key[body + 8] = 0x09;
        }
        return true;
    }
    case ColumnType::Text: {
        if (value.kind() != Value::Kind::Text)
            return wrongKind();
        if (!textSortOrderKnown(c))
            return undo("its sort order (" + std::to_string(c.sortOrder) + ", version " +
                        std::to_string(c.sortOrderVersion) + ") is not one Ravelin can encode");
        if (jet3_ && !kc.ascending)
            return undo("descending Jet 3 text keys are not supported");
        std::string problem;
        if (!appendText(key, value.text(), problem))
            return undo(problem);
        if (!kc.ascending) {
            // The terminator is turned over with the text, and another follows.
            key.push_back(kEndOfKey);
            turnOver(body);
        }
        key.push_back(kEndOfKey);
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
