// Properties of index keys that the real files cannot show on their own: the
// byte order of keys is the order of the values for every column type, in
// ascending and descending columns, Null first (last when descending); text
// keys ignore letter case and never begin with another text's whole key, so
// that a lookup by leading columns is sound; values that cannot be encoded
// are refused with a reason. The encoding of real rows against the bytes
// Access wrote is checked in IndexTree_test.
#include "jet/table/ColumnType.h"
#include "jet/index/IndexKey.h"
#include "jet/text/Text.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <limits>

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

Key encode(bool jet3, const jet::ColumnDef& c, bool ascending, const Value& v) {
    Key k;
    std::string why;
    EXPECT_TRUE(jet::KeyEncoder(jet3).append(k, {&c, ascending}, v, why)) << why;
    return k;
}

// Keys of `ascendingValues` (given in value order) rise strictly, and fall
// strictly in a descending column; Null comes before (after) them all.
void expectOrdered(ColumnType type, const std::vector<Value>& ascendingValues, bool jet3 = false) {
    const auto c = column(type);
    for (const bool ascending : {true, false}) {
        if (jet3 && type == ColumnType::Text && !ascending)
            continue;  // refused (see below)
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
    // The Windows-1252 characters beyond Latin-1 all have codes.
    for (const char* s : {"\xE2\x82\xAC", "\xE2\x80\x9A", "\xC6\x92", "\xE2\x80\x9E", "\xE2\x80\xA6", "\xE2\x80\xA0",
                          "\xE2\x80\xA1", "\xCB\x86", "\xE2\x80\xB0", "\xC5\xA0", "\xE2\x80\xB9", "\xC5\x92", "\xC5\xBD",
                          "\xE2\x80\x98", "\xE2\x80\x99", "\xE2\x80\x9C", "\xE2\x80\x9D", "\xE2\x80\xA2", "\xE2\x80\x93",
                          "\xE2\x80\x94", "\xCB\x9C", "\xE2\x84\xA2", "\xC5\xA1", "\xE2\x80\xBA", "\xC5\x93", "\xC5\xBE",
                          "\xC5\xB8"}) {
        Key key;
        std::string why;
        EXPECT_TRUE(jet::KeyEncoder(false).append(key, {&c, true}, Value::text(s), why)) << why;
    }
}

TEST(IndexKey, NoTextKeyBeginsWithAnotherWholeKey) {
    const std::vector<std::string> words{"", "a", "ab", "abc", "-1", "1", "a-b", "ab-", "'", "a'", "\x01", "\t", "\xC3\xA1",
                                         "a\xC3\xA1", "\xC3\xA1-"};
    for (const bool jet3 : {false, true})
        for (const bool ascending : {true, false}) {
            if (jet3 && !ascending)
                continue;
            const auto c = column(ColumnType::Text);
            for (const auto& x : words)
                for (const auto& y : words) {
                    const auto accented = [](const std::string& w) { return w.find('\xC3') != std::string::npos; };
                    if (x == y || (jet3 && (accented(x) || accented(y))))
                        continue;  // Jet 3 accents have no codes here
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
        const jet::KeyEncoder encoder(jet3);
        const auto c = column(ColumnType::Text);
        std::size_t closed = 0;
        for (char32_t ch = 1; ch < 0x460; ++ch) {
            if (!encoder.caseClosed(ch))
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
                if (!jet::KeyEncoder(jet3).append(theirs, {&c, true}, Value::text(b), why) && jet3)
                    continue;  // not a Windows-1252 character: Jet 3 text cannot hold it
                EXPECT_EQ(theirs, mine) << std::hex << "U+" << static_cast<std::uint32_t>(ch) << " and U+" << static_cast<std::uint32_t>(other) << " jet3 " << jet3;
            }
        }
        EXPECT_GT(closed, 150u);  // ASCII and the plain Latin-1 symbols at least
        EXPECT_TRUE(encoder.caseClosed('i'));
        // e acute shares its code with E acute in Jet 4; Jet 3 accents have no codes here.
        EXPECT_EQ(encoder.caseClosed(0xE9), !jet3);
    }
}

TEST(IndexKey, WhatCannotBeEncodedIsRefusedWithAReason) {
    const jet::KeyEncoder encoder(false);
    Key key{0x42};
    std::string why;
    const auto text = column(ColumnType::Text);
    EXPECT_FALSE(encoder.append(key, {&text, true}, Value::text("Wang \xE4\xB8\x80"), why));  // a CJK ideograph
    EXPECT_NE(why.find("U+4E00"), std::string::npos) << why;
    EXPECT_FALSE(encoder.append(key, {&text, true}, Value::text("\xE2\x82\xBD"), why));  // the rouble sign
    EXPECT_NE(why.find("U+20BD"), std::string::npos) << why;
    EXPECT_EQ(key, Key{0x42});  // left as it was
    EXPECT_FALSE(encoder.append(key, {&text, true}, Value::integer(1), why));
    auto other = text;
    other.sortOrderVersion = 1;  // the 2010 General order
    EXPECT_FALSE(encoder.append(key, {&other, true}, Value::text("a"), why));
    EXPECT_NE(why.find("sort order"), std::string::npos) << why;
    const auto binary = column(ColumnType::Binary);
    EXPECT_FALSE(encoder.append(key, {&binary, true}, Value::binary(Key{1, 2}), why));
    EXPECT_FALSE(jet::KeyEncoder(true).append(key, {&text, false}, Value::text("a"), why));
    EXPECT_EQ(key, Key{0x42});
}

}  // namespace
