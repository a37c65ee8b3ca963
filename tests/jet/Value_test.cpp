// Value conversions: Jet dates, currency, decimals, GUIDs, text encodings and
// comparison without letter case.
#include "JetTesting.h"

#include "jet/Error.h"
#include "jet/text/Text.h"
#include "jet/Value.h"

#include <gtest/gtest.h>

#include <limits>
#include <vector>

namespace {

using jet::CalendarDateTime;
using jet::toCalendar;

std::string dateText(double serial) {
    const auto dt = toCalendar(serial);
    return dt ? jet::formatDateTime(*dt) : "none";
}

TEST(DateTime, DaysCountFromThe30thOfDecember1899ToTheMillisecond) {
    const double ms = 1.0 / 86400000.0;
    const std::pair<double, const char*> cases[] = {
        {0.0, "1899-12-30 00:00:00"},
        {1.0, "1899-12-31 00:00:00"},
        {2.5, "1900-01-01 12:00:00"},
        {36526.0, "2000-01-01 00:00:00"},
        {2958465.0, "9999-12-31 00:00:00"},
        {-657434.0, "0100-01-01 00:00:00"},
        // Negative values count days back and time forward: -1.25 is the day
        // before the base date at 06:00 (not 18:00).
        {-1.25, "1899-12-29 06:00:00"},
        {-2.75, "1899-12-28 18:00:00"},
        {-0.5, "1899-12-30 12:00:00"},
        {1.0 + 1500 * ms, "1899-12-31 00:00:01.500"},
        {1.0 + 7 * ms, "1899-12-31 00:00:00.007"},
        {1.0 + 0.4 * ms, "1899-12-31 00:00:00"},
        // Just under midnight rounds up into the next day.
        {1.0 - 0.2 * ms, "1899-12-31 00:00:00"},
        {2.0 - 0.2 * ms, "1900-01-01 00:00:00"},
        {0.75 + 59999 * ms, "1899-12-30 18:00:59.999"},
    };
    for (const auto& [serial, text] : cases)
        EXPECT_EQ(dateText(serial), text) << serial;
    for (const double none : {std::numeric_limits<double>::quiet_NaN(), std::numeric_limits<double>::infinity(), 1e300,
                              2958466.0, -1e12})
        EXPECT_FALSE(toCalendar(none)) << none;
}

TEST(Currency, ExactWithFourDecimals) {
    EXPECT_EQ(jet::formatCurrency(35000), "3.5000");
    EXPECT_EQ(jet::formatCurrency(-123400), "-12.3400");
    EXPECT_EQ(jet::formatCurrency(-1), "-0.0001");
    EXPECT_EQ(jet::formatCurrency(0), "0.0000");
    EXPECT_EQ(jet::formatCurrency(std::numeric_limits<std::int64_t>::min()), "-922337203685477.5808");
    EXPECT_EQ(jet::formatCurrency(std::numeric_limits<std::int64_t>::max()), "922337203685477.5807");
}

TEST(Decimal, ExactWithTheScalesDigits) {
    jet::Decimal d;
    d.magnitude = {0, 0, 0, 1234};
    d.scale = 2;
    EXPECT_EQ(d.toString(), "12.34");
    d.negative = true;
    d.scale = 5;
    EXPECT_EQ(d.toString(), "-0.01234");
    d.magnitude = {0, 0, 0, 0};
    EXPECT_EQ(d.toString(), "0.00000");  // no "-0"
    // 2^96 + 1 = 79228162514264337593543950337
    d = {};
    d.magnitude = {1, 0, 0, 1};
    EXPECT_EQ(d.toString(), "79228162514264337593543950337");
    d.magnitude = {0xFFFFFFFFu, 0xFFFFFFFFu, 0xFFFFFFFFu, 0xFFFFFFFFu};
    d.scale = 10;
    EXPECT_EQ(d.toString(), "34028236692093846346337460743.1768211455");  // (2^128 - 1) / 10^10
}

TEST(Guid, MixedEndianGroupsUpperCase) {
    // The bytes of {8F096CA0-FC16-4288-801E-119F26C0B6FC} as Jet stores them.
    const jet::GuidBytes g = {0xA0, 0x6C, 0x09, 0x8F, 0x16, 0xFC, 0x88, 0x42,
                              0x80, 0x1E, 0x11, 0x9F, 0x26, 0xC0, 0xB6, 0xFC};
    EXPECT_EQ(jet::formatGuid(g), "{8F096CA0-FC16-4288-801E-119F26C0B6FC}");
}

std::string ucs2(const std::vector<std::uint8_t>& bytes) {
    std::string out;
    jet::appendUcs2Text(bytes, out);
    return out;
}

TEST(Text, Ucs2AndItsCompressedForm) {
    EXPECT_EQ(ucs2({'a', 0, 'b', 0}), "ab");
    EXPECT_EQ(ucs2({0xE9, 0x00, 0xAC, 0x20}), "\xC3\xA9\xE2\x82\xAC");  // é €
    // Compressed: FF FE, one byte per character; a zero switches to two bytes.
    EXPECT_EQ(ucs2({0xFF, 0xFE, 'a', 'b', 'c'}), "abc");
    EXPECT_EQ(ucs2({0xFF, 0xFE, 'x', 0x00, 0xAC, 0x20, 0x00, 'y'}), "x\xE2\x82\xACy");
    EXPECT_EQ(ucs2({0xFF, 0xFE}), "");
    // A surrogate pair, a lone surrogate, an odd trailing byte.
    EXPECT_EQ(ucs2({0x3D, 0xD8, 0x00, 0xDE}), "\xF0\x9F\x98\x80");
    EXPECT_EQ(ucs2({0x00, 0xD8, 'a', 0}), "\xEF\xBF\xBD" "a");
    EXPECT_EQ(ucs2({'a', 0, 'b'}), "a");
    // Runs of ASCII are taken eight bytes at a time: a character past them still counts.
    EXPECT_EQ(ucs2({0xFF, 0xFE, 'a', 'b', 'c', 'd', 'e', 'f', 'g', 'h', 'i', 0xE9}), "abcdefghi\xC3\xA9");
    // Inside a CSV field every '"' is doubled, in either form.
    std::string csv;
    jet::appendUcs2CsvText(std::vector<std::uint8_t>{0xFF, 0xFE, 's', 'a', 'y', ' ', '"', 'h', 'i', '"', ' ', 'o', 'k'}, csv);
    jet::appendUcs2CsvText(std::vector<std::uint8_t>{'"', 0, 0xE9, 0, 0x00, 0xD8, '"', 0}, csv);  // a lone surrogate too
    // A quote in the first eight bytes and plain ASCII in the last eight.
    jet::appendUcs2CsvText(std::vector<std::uint8_t>{0xFF, 0xFE, '"', 'a', '"', 'b', 'c', 'd', 'e', 'f', 'g', 'h', 'i',
                                                     'j', 'k', 'l', 'm', 'n'},
                           csv);
    EXPECT_EQ(csv, "say \"\"hi\"\" ok\"\"\xC3\xA9\xEF\xBF\xBD\"\"\"\"a\"\"bcdefghijklmn");
}

TEST(Text, CodePages) {
    const std::vector<std::uint8_t> bytes = {'A', 0xE9, 0x80};
    std::string out;
    jet::CodePageDecoder(1252).append(bytes, out);
    EXPECT_EQ(out, "A\xC3\xA9\xE2\x82\xAC");
    jet::CodePageDecoder cyrillic(1251);
    ASSERT_TRUE(cyrillic.supported());
    out.clear();
    cyrillic.append(std::vector<std::uint8_t>{0xC0, 0xE1}, out);
    EXPECT_EQ(out, "\xD0\x90\xD0\xB1");  // Аб
    EXPECT_FALSE(jet::CodePageDecoder(1).supported());
}

TEST(Text, EqualityIgnoresLetterCase) {
    EXPECT_TRUE(jet::equalsIgnoreCase("ComputerName", "COMPUTERNAME"));
    EXPECT_TRUE(jet::equalsIgnoreCase("\xC3\x89t\xC3\xA9", "\xC3\xA9T\xC3\x89"));  // Été / éTÉ
    EXPECT_TRUE(jet::equalsIgnoreCase("\xD0\x90", "\xD0\xB0"));                  // А / а
    EXPECT_FALSE(jet::equalsIgnoreCase("abc", "abcd"));
    EXPECT_FALSE(jet::equalsIgnoreCase("e", "\xC3\xA9"));  // accents still count
    EXPECT_FALSE(jet::equalsIgnoreCase("PC1", "PC2"));
}

TEST(Value, NullIsNotEmptyText) {
    const jet::Value null;
    const auto empty = jet::Value::text("");
    EXPECT_TRUE(null.isNull());
    EXPECT_FALSE(empty.isNull());
    EXPECT_EQ(empty.toText(), "");
    EXPECT_FALSE(jet::jetEquals(null, null));
    EXPECT_TRUE(jet::jetEquals(empty, empty));
    // A caller reading a value as the wrong kind gets the engine's error, not a logic_error.
    EXPECT_EQ(jettest::errorOf([&] { (void)null.asInteger(); }), jet::ConversionError);
}

TEST(Value, JetEqualsAcrossNumberKinds) {
    EXPECT_TRUE(jet::jetEquals(jet::Value::integer(3), jet::Value::real(3.0)));
    EXPECT_TRUE(jet::jetEquals(jet::Value::currency(35000), jet::Value::real(3.5)));
    EXPECT_TRUE(jet::jetEquals(jet::Value::boolean(true), jet::Value::integer(-1)));
    EXPECT_FALSE(jet::jetEquals(jet::Value::integer(3), jet::Value::text("3")));
    EXPECT_TRUE(jet::jetEquals(jet::Value::text("PC-01"), jet::Value::text("pc-01")));
    // Decimals exactly, whatever their scales: 10000000000000000.01 is not 10000000000000000.0.
    const auto dec = [](std::uint32_t high, std::uint32_t low, std::uint8_t scale) { return jet::Value::decimal({false, {0, 0, high, low}, 28, scale}); };
    EXPECT_FALSE(jet::jetEquals(dec(0x0DE0B6B3, 0xA7640001, 2), dec(0x01634578, 0x5D8A0000, 1)));
}

}  // namespace
