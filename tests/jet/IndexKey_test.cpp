// Index keys: the text keys Access wrote (and those worked out from its
// tables) in all three sort orders, byte for byte; properties the real files
// cannot show on their own: the byte order of keys is the order of the values
// for every column type, in ascending and descending columns, Null first (last
// when descending); text keys ignore letter case and never begin with another
// text's whole key, so that a lookup by leading columns is sound; values that
// cannot be encoded are refused with a reason. The encoding of real rows
// against the bytes Access wrote is checked in IndexTree_test.
#include "jet/table/ColumnType.h"
#include "jet/index/IndexKey.h"
#include "jet/text/Text.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <cmath>
#include <limits>
#include <tuple>

namespace {

using jet::ColumnType;
using jet::Value;
using Key = std::vector<std::uint8_t>;

jet::ColumnDef column(ColumnType type) {
    jet::ColumnDef c;
    c.name = "c";
    c.type = static_cast<std::uint8_t>(type);
    c.sortOrder = 1033;
    c.codePage = 1252;
    return c;
}

jet::Version version(bool jet3) { return jet3 ? jet::Version::Jet3 : jet::Version::Jet4; }

Key encode(bool jet3, const jet::ColumnDef& c, bool ascending, const Value& v) {
    Key k;
    std::string why;
    EXPECT_TRUE(jet::KeyEncoder(version(jet3)).append(k, {&c, ascending}, v, why)) << why;
    return k;
}

// Keys of `ascendingValues` (given in value order) rise strictly, and fall
// strictly in a descending column; Null comes before (after) them all.
void expectOrdered(ColumnType type, const std::vector<Value>& ascendingValues, bool jet3 = false) {
    const auto c = column(type);
    for (const bool ascending : {true, false}) {
        std::vector<Key> keys{encode(jet3, c, ascending, Value())};
        for (const auto& v : ascendingValues)
            keys.push_back(encode(jet3, c, ascending, v));
        if (type == ColumnType::Boolean)
            keys.erase(keys.begin());  // booleans are never Null
        for (std::size_t n = 1; n < keys.size(); ++n) {
            if (ascending)
                EXPECT_LT(keys[n - 1], keys[n]) << jet::typeName(c.type) << " ascending, value " << n;
            else
                EXPECT_GT(keys[n - 1], keys[n]) << jet::typeName(c.type) << " descending, value " << n;
        }
    }
}

Key hexKey(std::string_view hex) {
    Key k;
    for (std::size_t n = 0; n + 1 < hex.size(); ++n)
        if (std::isxdigit(static_cast<unsigned char>(hex[n])))
            k.push_back(static_cast<std::uint8_t>(std::stoi(std::string(hex.substr(n++, 2)), nullptr, 16)));
    return k;
}

TEST(IndexKey, TextKeysAreTheBytesAccessWrites) {
    using enum jet::SortOrder;
    constexpr auto one = jet::Expansions::OnePosition, perLetter = jet::Expansions::PerLetter;
    struct Case {
        jet::SortOrder order;
        jet::Expansions expansions;
        bool ascending;
        std::string_view text;
        const char* key;  // flag byte and value
    };
    // Access wrote the first seven (trailing spaces, unprintables, accents,
    // ß as two letters, 2-byte codes, ignored Greek Extended letters, an
    // emoji) and the kana tail of the eighth; the others follow from
    // Access's tables.
    const Case cases[] = {
        {GeneralLegacy, one, true, "Frankfurt a.M. ", "7F 53 69 4A 62 5C 53 6F 69 6D 07 4A 1C 60 1C 01 00"},
        {GeneralLegacy, one, true, "Chef Anton's Gumbo Mix",
         "7F 4D 57 51 53 07 4A 62 6D 64 62 6B 07 55 6F 60 4C 64 07 60 59 75 01 01 01 01 80 2F 06 80 00"},
        {GeneralLegacy, one, true, "Gumbär Gummibärchen",
         "7F 55 6F 60 4C 4A 69 07 55 6F 60 60 59 4C 4A 69 4D 57 51 62 01 02 02 02 02 13 02 02 02 02 02 02 02 02 13 00"},
        {GeneralLegacy, perLetter, true, "NuNuCa Nuß-Nougat-Creme",
         "7F 62 6F 62 6F 4D 4A 07 62 6F 6B 6B 62 64 6F 55 4A 6D 4D 69 51 60 51 01 01 01 01 80 33 06 82 80 4B 06 82 00"},
        {GeneralLegacy, one, true, "3L9\x1D" "52\x02_AB(¥\x05!!V",
         "7F 3C 5E 48 40 3A 2B 03 4A 4C 14 34 A9 09 09 71 01 01 01 01 80 13 06 1A 80 1B 06 04 80 2F 06 07 00"},
        {GeneralLegacy, one, true, "ϰαὶ τ\u1F79τ' ἐγὼ Κ\u1F7Bϰλωπα",
         "7F 79 15 79 0C 07 79 1E 79 1E 07 79 0E 07 79 15 79 15 79 16 79 23 79 1B 79 0C 01 03 02 02 02 02 02 02 02 02 03 "
         "01 01 01 80 1B 06 80 00"},
        {General2010, one, true, "a\U0001F600a", "7F 0E02 B03F B6FC 0E02 01 02 3F 3F 00"},
        {GeneralLegacy, one, true, "漢字仮名交じり文",
         "7F C0B6 ACAC A00D A547 9FBE 7F13 7F43 B6F6 01 02 02 02 02 02 03 01 01 FF 02 80 FF 80 00"},
        {GeneralLegacy, one, false, "Frankfurt a.M. ", "80 AC 96 B5 9D A3 AC 90 96 92 F8 B5 E3 9F E3 FE FF 00"},
        {GeneralLegacy, one, true, "NuNuCa Nuß-Nougat-Creme",
         "7F 62 6F 62 6F 4D 4A 07 62 6F 6B 6B 62 64 6F 55 4A 6D 4D 69 51 60 51 01 01 01 01 80 2F 06 82 80 47 06 82 00"},
        {GeneralLegacy, perLetter, true, "Plutzer Lebensmittelgroßmärkte AG",
         "7F 66 5E 6F 6D 78 51 69 07 5E 51 4C 51 62 6B 60 59 6D 6D 51 5E 55 69 64 6B 6B 60 4A 69 5C 6D 51 07 4A 55 01 "
         "02 02 02 02 02 02 02 02 02 02 02 02 02 02 02 02 02 02 02 02 02 02 02 02 02 02 13 00"},
        {GeneralLegacy, one, true, "Łódź", "7F 5E 64 4F 78 01 1F 0E 02 0E 00"},
        {GeneralLegacy, one, false, "Łódź", "80 A1 9B B0 87 FE E0 F1 FD F1 FF 00"},
        {GeneralLegacy, one, true, "Ωmega", "7F 79 23 60 51 55 4A 01 00"},
        {GeneralLegacy, one, true, "日本", "7F B7 56 B8 A9 01 00"},
        {GeneralLegacy, one, true, "", "7F 01 00"},
        {General2010, one, true, "Frankfurt a.M. ",
         "7F 0E23 0E8A 0E02 0E70 0E36 0E23 0E9F 0E8A 0E99 0702 0E02 0733 0E51 0733 01 00"},
        {General2010, one, true, "Chef Anton's Gumbo Mix",
         "7F 0E0A 0E2C 0E21 0E23 0702 0E02 0E70 0E99 0E7C 0E70 0E91 0702 0E25 0E9F 0E51 0E09 0E7C 0702 0E51 0E32 0EA6 "
         "01 01 01 01 80 2F 06 80 00"},
        {General2010, one, true, "Gumbär Gummibärchen",
         "7F 0E25 0E9F 0E51 0E09 0E02 0E8A 0702 0E25 0E9F 0E51 0E51 0E32 0E09 0E02 0E8A 0E0A 0E2C 0E21 0E70 "
         "01 02 02 02 02 13 02 02 02 02 02 02 02 02 13 00"},
        {General2010, perLetter, true, "NuNuCa Nuß-Nougat-Creme",
         "7F 0E70 0E9F 0E70 0E9F 0E0A 0E02 0702 0E70 0E9F 0E91 0E91 0E70 0E7C 0E9F 0E25 0E02 0E99 0E0A 0E8A 0E21 0E51 "
         "0E21 01 01 01 01 80 33 06 82 80 4B 06 82 00"},
        {General2010, one, true, "Łódź", "7F 0E48 0E7C 0E1A 0EA9 01 1F 0E 02 0E 00"},
        {General2010, one, true, "Ωmega", "7F 0F32 0E51 0E21 0E25 0E02 01 00"},
        {General2010, one, true, "日本", "7F FDFF 547F FDFF 55C8 01 00"},
        {General97, one, true, "Frankfurt a.M. ", "7F 67 75 60 70 6C 67 78 75 77 11 60 1F 6F 1F 00"},
        {General97, one, true, "Gumbär Gummibärchen",
         "7F 68 78 6F 61 60 75 11 68 78 6F 6F 6A 61 60 75 62 69 66 70 02 62 26 00"},
        {General97, one, false, "Gumbär Gummibärchen",
         "80 97 87 90 9E 9F 8A EE 97 87 90 90 95 9E 9F 8A 9D 96 99 8F FD 9D D9 FF"},
        {General97, one, true, "NuNuCa Nuß-Nougat-Creme",
         "7F 70 78 70 78 62 60 11 70 78 76 76 1E 70 72 78 68 60 77 1E 62 75 66 6F 66 00"},
        {General97, one, true, "Chef Anton's Gumbo Mix",
         "7F 62 69 66 67 11 60 70 77 72 70 18 76 11 68 78 6F 61 72 11 6F 6A 7C 00"},
        {General97, one, true, "Łódź", "7F 72 64 04 00"},  // Ł and ź: not in Windows-1252
        {General97, one, true, "", "7F 00"},
        // Access 97 counting ß as the two letters it spells; a NUL keyed as 0x10.
        {General97, perLetter, true, "Plutzer Lebensmittelgroßmärkte AG",
         "7F 73 6D 78 77 7E 66 75 11 6D 66 61 66 70 76 6F 6A 77 77 66 6D 68 75 72 76 76 6F 60 75 6C 77 66 11 60 68 "
         "02 22 22 22 22 22 60"},
        {General97, one, true, std::string_view("a\0b", 3), "7F 60 10 61 00"},
    };
    for (const Case& c : cases) {
        Key key{static_cast<std::uint8_t>(c.ascending ? 0x7F : 0x80)};
        jet::appendTextKey(key, c.order, c.text, c.ascending, c.expansions);
        EXPECT_EQ(key, hexKey(c.key)) << c.text << " in sort order " << static_cast<int>(c.order);
    }
}

TEST(IndexKey, NumbersOrderAsTheirValues) {
    using L = std::numeric_limits<std::int64_t>;
    expectOrdered(ColumnType::Byte, {Value::integer(0), Value::integer(1), Value::integer(127), Value::integer(128),
                                     Value::integer(255)});
    expectOrdered(ColumnType::Integer, {Value::integer(-32768), Value::integer(-1), Value::integer(0),
                                        Value::integer(1), Value::integer(32767)});
    expectOrdered(ColumnType::Long, {Value::integer(INT32_MIN), Value::integer(-256), Value::integer(-1),
                                     Value::integer(0), Value::integer(255), Value::integer(INT32_MAX)});
    expectOrdered(ColumnType::BigInt, {Value::integer(L::min()), Value::integer(-1), Value::integer(0),
                                       Value::integer(L::max())});
    expectOrdered(ColumnType::Currency, {Value::currency(-100000), Value::currency(-1), Value::currency(0),
                                         Value::currency(1), Value::currency(L::max())});
    const double inf = std::numeric_limits<double>::infinity();
    expectOrdered(ColumnType::Double, {Value::real(-inf), Value::real(-1e300), Value::real(-2.5), Value::real(-1e-300),
                                       Value::real(0.0), Value::real(1e-300), Value::real(3.0), Value::real(inf)});
    expectOrdered(ColumnType::DateTime, {Value::dateTime(-657434.0), Value::dateTime(-0.5), Value::dateTime(0.0),
                                         Value::dateTime(36526.75), Value::dateTime(2958465.0)});
    expectOrdered(ColumnType::Single, {Value::single(-3e38f), Value::single(-1.0f), Value::single(0.0f),
                                       Value::single(1e-30f), Value::single(2.0f)});
    expectOrdered(ColumnType::Boolean, {Value::boolean(true), Value::boolean(false)});  // True is -1
}

TEST(IndexKey, DecimalKeysAreTheDocumentedBytes) {
    // At the column's scale, 2 (refused when that loses digits); zero is positive; descending,
    // Jet 4 keeps the sign byte (its negatives first), ACE turns it over.
    const auto dec = [](bool minus, std::uint32_t m, std::uint8_t scale) { return Value::decimal({minus, {0, 0, 0, m}, 10, scale}); };
    using enum jet::Version;
    const std::tuple<jet::Version, bool, Value, const char*> cases[] = {
        {Jet4, true, dec(false, 15, 1), "7F FF 00000000 00000000 00000000 00000096"},
        {Jet4, true, dec(true, 150, 2), "7F 00 FFFFFFFF FFFFFFFF FFFFFFFF FFFFFF69"},
        {Ace14, true, dec(true, 0, 2), "7F FF 00000000 00000000 00000000 00000000"},
        {Jet4, false, dec(false, 150, 2), "80 FF FFFFFFFF FFFFFFFF FFFFFFFF FFFFFF69"},
        {Jet4, false, dec(true, 150, 2), "80 00 00000000 00000000 00000000 00000096"},
        {Ace12, false, dec(false, 150, 2), "80 00 FFFFFFFF FFFFFFFF FFFFFFFF FFFFFF69"},
        {Ace12, false, dec(true, 1500, 3), "80 FF 00000000 00000000 00000000 00000096"},
        {Jet4, true, dec(false, 1234, 3), ""}};
    auto c = column(ColumnType::Numeric);
    c.scale = 2;
    for (const auto& [version, ascending, value, bytes] : cases) {
        Key key;
        std::string why;
        EXPECT_EQ(jet::KeyEncoder(version).append(key, {&c, ascending}, value, why), *bytes != 0) << why;
        EXPECT_EQ(key, hexKey(bytes)) << value.toText() << " in version " << int(version);
    }
}

TEST(IndexKey, GuidsOrderAsTheirWrittenForm) {
    // Row bytes hold the first three groups little-endian; the written form decides the order.
    std::vector<jet::GuidBytes> guids;
    for (std::uint8_t a : {0x00, 0x01, 0x80, 0xFF})
        for (std::uint8_t b : {0x00, 0x7F, 0xFF}) {
            jet::GuidBytes g{};
            g[0] = a;   // lowest byte of the first group: late in the written form
            g[3] = b;   // highest byte: first in the written form
            g[15] = a;
            guids.push_back(g);
        }
    std::sort(guids.begin(), guids.end(),
              [](const auto& x, const auto& y) { return jet::formatGuid(x) < jet::formatGuid(y); });
    std::vector<Value> values;
    for (const auto& g : guids)
        values.push_back(Value::guid(g));
    expectOrdered(ColumnType::Guid, values);
}

TEST(IndexKey, TextOrdersAlphabeticallyWithoutRegardToCase) {
    const std::vector<std::string> words{" ", "0", "00", "1", "9", "A", "a b", "Ab", "ABC", "abcd", "B", "m", "Z", "zz"};
    for (const bool jet3 : {false, true}) {
        std::vector<Value> values;
        for (const auto& w : words)
            values.push_back(Value::text(w));
        expectOrdered(ColumnType::Text, values, jet3);
        const auto c = column(ColumnType::Text);
        EXPECT_EQ(encode(jet3, c, true, Value::text("Table1")), encode(jet3, c, true, Value::text("tABLE1")));
    }
}

TEST(IndexKey, AccentsOrderAfterTheLettersAndBeforeTheNextWord) {
    // The accent codes come after the letters: "Muller" < "Müller" < "Mullers",
    // and accents order among themselves as French does (e, é, è, ê, ë).
    const std::vector<std::string> words{"e", "\xC3\xA9", "\xC3\xA8", "\xC3\xAA", "\xC3\xAB", "f", "Lukasz",
                                         "\xC5\x81ukasz", "Lukasze", "Muller", "M\xC3\xBCller", "Mullers"};
    std::vector<Value> values;
    for (const auto& w : words)
        values.push_back(Value::text(w));
    expectOrdered(ColumnType::Text, values, false);
    const auto c = column(ColumnType::Text);
    EXPECT_EQ(encode(false, c, true, Value::text("JOS\xC3\x89")), encode(false, c, true, Value::text("jos\xC3\xA9")));
    // Letters, their end, the accent run (0x02 for "d", 0x0E acute), then the
    // set-aside hyphen after two characters: 0x8000 | (7 + 4 * 2).
    EXPECT_EQ(encode(false, c, true, Value::text("d\xC3\xA9-a")),
              (Key{0x7F, 0x4F, 0x51, 0x4A, 0x01, 0x02, 0x0E, 0x01, 0x01, 0x01, 0x80, 0x0F, 0x06, 0x82, 0x00}));
}

TEST(IndexKey, NoTextKeyBeginsWithAnotherWholeKey) {
    const std::vector<std::string> words{"", "a", "ab", "abc", "-1", "1", "a-b", "ab-", "'", "a'", "\x01", "\t", "\xC3\xA1",
                                         "a\xC3\xA1", "\xC3\xA1-"};
    for (const bool jet3 : {false, true})
        for (const bool ascending : {true, false}) {
            const auto c = column(ColumnType::Text);
            for (const auto& x : words)
                for (const auto& y : words) {
                    if (x == y)
                        continue;
                    const Key kx = encode(jet3, c, ascending, Value::text(x));
                    const Key ky = encode(jet3, c, ascending, Value::text(y));
                    if (kx == ky)
                        continue;  // Jet 3 gives some control characters one code
                    EXPECT_FALSE(std::equal(kx.begin(), kx.end(), ky.begin(), ky.begin() + std::min(kx.size(), ky.size())) &&
                                 kx.size() <= ky.size())
                        << "'" << x << "' / '" << y << "' jet3 " << jet3;
                }
        }
}

TEST(IndexKey, CaseClosedCharactersShareTheirKeyWithEveryCasePartner) {
    // What FindFirst relies on when it looks text up in an index.
    for (const bool jet3 : {false, true}) {
        const auto order = jet3 ? jet::SortOrder::General97 : jet::SortOrder::GeneralLegacy;
        const auto c = column(ColumnType::Text);
        std::size_t closed = 0;
        for (char32_t ch = 1; ch < 0x460; ++ch) {
            if (!jet::KeyEncoder::caseClosed(order, ch))
                continue;
            ++closed;
            std::string a;
            jet::appendUtf8(a, ch);
            const Key mine = encode(jet3, c, true, Value::text(a));
            for (char32_t other = 1; other < 0x460; ++other) {
                if (other == ch || jet::foldCase(other) != jet::foldCase(ch))
                    continue;
                std::string b;
                jet::appendUtf8(b, other);
                Key theirs;
                std::string why;
                if (jet3 && !jet::general97Byte(static_cast<char16_t>(other)))
                    continue;  // not a Windows-1252 character: Jet 3 text cannot hold it
                EXPECT_TRUE(jet::KeyEncoder(version(jet3)).append(theirs, {&c, true}, Value::text(b), why));
                EXPECT_EQ(theirs, mine) << std::hex << "U+" << static_cast<std::uint32_t>(ch) << " and U+" << static_cast<std::uint32_t>(other) << " jet3 " << jet3;
            }
        }
        EXPECT_GT(closed, 150u);  // ASCII and the plain Latin-1 symbols at least
        EXPECT_TRUE(jet::KeyEncoder::caseClosed(order, 'i'));
        EXPECT_TRUE(jet::KeyEncoder::caseClosed(order, 0xE9));  // e acute, as E acute
    }
}

TEST(IndexKey, WhatCannotBeEncodedIsRefusedWithAReason) {
    const jet::KeyEncoder encoder(jet::Version::Jet4);
    Key key{0x42};
    std::string why;
    auto text = column(ColumnType::Text);
    EXPECT_FALSE(encoder.append(key, {&text, true}, Value::integer(1), why));
    text.sortOrder = 1031;  // a German sort order
    EXPECT_FALSE(encoder.append(key, {&text, true}, Value::text("a"), why));
    EXPECT_NE(why.find("sort order (1031"), std::string::npos) << why;
    const auto ole = column(ColumnType::Ole);
    EXPECT_FALSE(encoder.append(key, {&ole, true}, Value::binary(Key{1, 2}), why));
    EXPECT_EQ(key, Key{0x42});  // left as it was
}

}  // namespace
