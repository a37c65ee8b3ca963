#include "jet/write/FieldValue.h"

#include "jet/Error.h"
#include "jet/table/ColumnType.h"
#include "jet/text/Text.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <limits>

namespace jet {
namespace {

constexpr std::size_t kMaxCompressedChars = 1024;

[[noreturn]] void cannotConvert(const ColumnDef& c) {
    throw Error(ConversionError, "Data type conversion error: field '" + c.name + "' cannot take that value.");
}

[[noreturn]] void overflow(const ColumnDef& c) {
    throw Error(NumericOverflow, "Numeric field overflow: the value does not fit field '" + c.name + "'.");
}

std::string_view trimmed(std::string_view s) {
    while (!s.empty() && (s.front() == ' ' || s.front() == '\t'))
        s.remove_prefix(1);
    while (!s.empty() && (s.back() == ' ' || s.back() == '\t'))
        s.remove_suffix(1);
    return s;
}

std::optional<double> parseNumber(std::string_view s) {
    s = trimmed(s);
    if (!s.empty() && s.front() == '+')
        s.remove_prefix(1);
    double d = 0;
    const auto r = std::from_chars(s.data(), s.data() + s.size(), d);
    if (s.empty() || r.ec != std::errc() || r.ptr != s.data() + s.size() || !std::isfinite(d))
        return std::nullopt;
    return d;
}

std::optional<bool> parseFlag(std::string_view s) {
    s = trimmed(s);
    for (const char* t : {"true", "yes", "on", "-1", "1"})
        if (equalsIgnoreCase(s, t))
            return true;
    for (const char* f : {"false", "no", "off", "0"})
        if (equalsIgnoreCase(s, f))
            return false;
    return std::nullopt;
}

// "YYYY-MM-DD", optionally followed by " HH:MM", " HH:MM:SS" or
// " HH:MM:SS.mmm" (the export's form of a time with milliseconds).
std::optional<double> parseDate(std::string_view s) {
    s = trimmed(s);
    CalendarDateTime dt;
    char extra = 0;
    int seconds = 0;  // where the seconds end
    const std::string text(s);
    int n = std::sscanf(text.c_str(), "%4d-%2d-%2d %2d:%2d:%2d%n%c", &dt.year, &dt.month, &dt.day, &dt.hour,
                        &dt.minute, &dt.second, &seconds, &extra);
    const std::string_view fraction = s.substr(n == 7 ? static_cast<std::size_t>(seconds) : s.size());
    if (n == 7 && fraction.size() == 4 && fraction[0] == '.' &&
        std::all_of(fraction.begin() + 1, fraction.end(), [](char c) { return c >= '0' && c <= '9'; })) {
        dt.millisecond = std::stoi(std::string(fraction.substr(1)));
        n = 6;
    }
    if (n != 3 && n != 5 && n != 6)
        return std::nullopt;
    return toSerial(dt);
}

std::optional<GuidBytes> parseGuid(std::string_view s) {
    s = trimmed(s);
    if (s.size() == 38 && s.front() == '{' && s.back() == '}')
        s = s.substr(1, 36);
    if (s.size() != 36)
        return std::nullopt;
    std::string hex;
    for (std::size_t i = 0; i < s.size(); ++i) {
        if (i == 8 || i == 13 || i == 18 || i == 23) {
            if (s[i] != '-')
                return std::nullopt;
        } else {
            hex += s[i];
        }
    }
    std::array<std::uint8_t, 16> raw{};
    for (std::size_t i = 0; i < 16; ++i) {
        unsigned v = 0;
        const auto r = std::from_chars(hex.data() + 2 * i, hex.data() + 2 * i + 2, v, 16);
        if (r.ec != std::errc() || r.ptr != hex.data() + 2 * i + 2)
            return std::nullopt;
        raw[i] = static_cast<std::uint8_t>(v);
    }
    // The first three groups are stored little endian.
    GuidBytes g = raw;
    std::swap(g[0], g[3]);
    std::swap(g[1], g[2]);
    std::swap(g[4], g[5]);
    std::swap(g[6], g[7]);
    return g;
}

// A number of any kind, or text that reads as one.
double number(const ColumnDef& c, const Value& v) {
    if (v.kind() == Value::Kind::Text) {
        if (const auto d = parseNumber(v.text()))
            return *d;
        if (const auto f = parseFlag(v.text()))
            return *f ? -1 : 0;
        cannotConvert(c);
    }
    if (v.kind() == Value::Kind::Currency)
        return static_cast<double>(v.currencyScaled()) / 10000.0;
    if (v.kind() == Value::Kind::Decimal)
        return v.decimalValue().toDouble();
    if (!isNumericKind(v.kind()))
        cannotConvert(c);
    return numericValue(v);
}

std::int64_t wholeNumber(const ColumnDef& c, const Value& v, std::int64_t low, std::int64_t high) {
    std::optional<std::int64_t> exact;
    if (v.kind() == Value::Kind::Integer)
        exact = v.asInteger();
    if (v.kind() == Value::Kind::Text) {
        // Digits alone are taken exactly: a Large Number's 19 digits do not survive a double.
        std::string_view s = trimmed(v.text());
        if (!s.empty() && s.front() == '+')
            s.remove_prefix(1);
        std::int64_t n = 0;
        const auto r = std::from_chars(s.data(), s.data() + s.size(), n);
        if (!s.empty() && r.ptr == s.data() + s.size()) {
            if (r.ec == std::errc::result_out_of_range)
                overflow(c);
            if (r.ec == std::errc())
                exact = n;
        }
    }
    if (exact) {
        if (*exact < low || *exact > high)
            overflow(c);
        return *exact;
    }
    // Jet rounds a fraction to the nearest whole number, halves to even. The
    // bound above is one past `high`, which a double holds even for 2^63 - 1.
    const double d = std::nearbyint(number(c, v));
    if (!(d >= static_cast<double>(low) && d < static_cast<double>(high) + 1.0))
        overflow(c);
    return static_cast<std::int64_t>(d);
}

// Decimal text ("-1234.5678", "+.5", "12.") as ten-thousandths, exactly;
// further fraction digits round half to even. Nothing when the text is not
// plain decimal; `overflow` when it is but lies outside the Currency range.
std::optional<std::int64_t> parseCurrency(std::string_view s, bool& overflow) {
    s = trimmed(s);
    const bool negative = !s.empty() && s.front() == '-';
    if (!s.empty() && (s.front() == '-' || s.front() == '+'))
        s.remove_prefix(1);
    const std::size_t point = s.find('.');
    const std::string_view whole = s.substr(0, point);
    const std::string_view fraction = point == std::string_view::npos ? std::string_view{} : s.substr(point + 1);
    const auto digits = [](std::string_view d) {
        return std::all_of(d.begin(), d.end(), [](char ch) { return ch >= '0' && ch <= '9'; });
    };
    if (whole.size() + fraction.size() == 0 || !digits(whole) || !digits(fraction))
        return std::nullopt;
    // The magnitude in ten-thousandths, kept within one past the range so
    // that the most negative value still fits.
    constexpr std::uint64_t kLimit = std::uint64_t{INT64_MAX} + 1;
    std::uint64_t magnitude = 0;
    const auto push = [&](char digit) {
        if (magnitude > (kLimit - static_cast<std::uint64_t>(digit - '0')) / 10)
            overflow = true;
        else
            magnitude = magnitude * 10 + static_cast<std::uint64_t>(digit - '0');
    };
    for (const char d : whole)
        push(d);
    for (std::size_t n = 0; n < 4; ++n)
        push(n < fraction.size() ? fraction[n] : '0');
    if (fraction.size() > 4) {
        const std::string_view rest = fraction.substr(5);
        const bool above = fraction[4] > '5' || (fraction[4] == '5' && rest.find_first_not_of('0') != rest.npos);
        const bool half = fraction[4] == '5' && !above;
        if (above || (half && magnitude % 2 == 1)) {
            if (magnitude == kLimit)
                overflow = true;
            else
                ++magnitude;
        }
    }
    if (overflow || magnitude > (negative ? kLimit : kLimit - 1)) {
        overflow = true;
        return std::nullopt;
    }
    return negative ? static_cast<std::int64_t>(0 - magnitude) : static_cast<std::int64_t>(magnitude);
}

// A value as Currency: ten-thousandths, exact from text, integers and
// decimals; a binary fraction rounds to the nearest, halves to even.
Value currencyOf(const ColumnDef& c, const Value& v) {
    switch (v.kind()) {
    case Value::Kind::Currency: return v;
    case Value::Kind::Integer:
        if (v.asInteger() > INT64_MAX / 10000 || v.asInteger() < INT64_MIN / 10000)
            overflow(c);
        return Value::currency(v.asInteger() * 10000);
    case Value::Kind::Text:
    case Value::Kind::Decimal: {
        bool tooLarge = false;
        const std::string text = v.kind() == Value::Kind::Text ? v.text() : v.decimalValue().toString();
        if (const auto scaled = parseCurrency(text, tooLarge))
            return Value::currency(*scaled);
        if (tooLarge)
            overflow(c);
        break;
    }
    default: break;
    }
    // 2^63 is exactly representable; every double below it in magnitude converts.
    const double scaled = std::nearbyint(number(c, v) * 10000.0);
    if (!(scaled >= -9223372036854775808.0 && scaled < 9223372036854775808.0))
        overflow(c);
    return Value::currency(static_cast<std::int64_t>(scaled));
}

Value decimalOf(const ColumnDef& c, const Value& v) {
    Decimal d;
    if (v.kind() == Value::Kind::Decimal) {
        d = v.decimalValue();
    } else {
        const std::int64_t whole = wholeNumber(c, v, -999'999'999'999'999'999, 999'999'999'999'999'999);
        d.negative = whole < 0;
        const std::uint64_t abs = whole < 0 ? static_cast<std::uint64_t>(-whole) : static_cast<std::uint64_t>(whole);
        d.magnitude = {0, 0, static_cast<std::uint32_t>(abs >> 32), static_cast<std::uint32_t>(abs)};
    }
    // Brought to the column's digits after the point, exactly: fewer digits
    // fail only by dropping one that is not zero, more only by outgrowing 128 bits.
    const auto held = d.atScale(c.scale);
    if (!held && d.scale > c.scale)
        throw Error(ConversionError, "Data type conversion error: field '" + c.name + "' keeps " +
                                         std::to_string(c.scale) + " digits after the point, and " + d.toString() +
                                         " has more that are not zero.");
    if (!held)
        overflow(c);
    Decimal out = *held;
    out.precision = c.precision;
    return Value::decimal(out);
}

// Days from 1970-01-01 of a date of years `low` to 9999 (proleptic
// Gregorian) and a time of day; nothing when it is no such date.
std::optional<std::int64_t> civilDays(const CalendarDateTime& dt, int low) {
    if (dt.year < low || dt.year > 9999 || dt.month < 1 || dt.month > 12 || dt.day < 1 || dt.day > 31 ||
        dt.hour < 0 || dt.hour > 23 || dt.minute < 0 || dt.minute > 59 || dt.second < 0 || dt.second > 59)
        return std::nullopt;
    const int y = dt.year - (dt.month <= 2 ? 1 : 0);
    const int era = (y >= 0 ? y : y - 399) / 400;
    const int yoe = y - era * 400;
    const int mp = (dt.month + 9) % 12;
    const int doy = (153 * mp + 2) / 5 + dt.day - 1;
    const int doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
    static constexpr int kDaysIn[] = {31, 29, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    const bool leap = (dt.year % 4 == 0 && dt.year % 100 != 0) || dt.year % 400 == 0;
    if (dt.day > kDaysIn[dt.month - 1] || (dt.month == 2 && dt.day == 29 && !leap))
        return std::nullopt;
    return std::int64_t{era} * 146097 + doe - 719468;
}

// Date/Time Extended: ticks of 100 ns since 0001-01-01.
constexpr std::int64_t kTicksPerSecond = 10'000'000;
constexpr std::int64_t kDaysTo1970 = 719'162;  // 1970-01-01 counted from 0001-01-01

std::optional<std::int64_t> ticksOf(const CalendarDateTime& dt, std::int64_t fractionTicks) {
    const auto days = civilDays(dt, 1);
    if (!days)
        return std::nullopt;
    const std::int64_t seconds = (*days + kDaysTo1970) * 86400 + dt.hour * 3600 + dt.minute * 60 + dt.second;
    return seconds * kTicksPerSecond + fractionTicks;
}

// "YYYY-MM-DD", optionally followed by " HH:MM", " HH:MM:SS" or
// " HH:MM:SS.fffffff" (1 to 7 digits of the second, as the export writes them).
std::optional<std::int64_t> parseExtendedDate(std::string_view s) {
    const std::string text(trimmed(s));
    CalendarDateTime dt;
    int dateEnd = -1, minutesEnd = -1, secondsEnd = -1;
    std::sscanf(text.c_str(), "%4d-%2d-%2d%n %2d:%2d%n:%2d%n", &dt.year, &dt.month, &dt.day, &dateEnd, &dt.hour,
                &dt.minute, &minutesEnd, &dt.second, &secondsEnd);
    const int end = std::max({dateEnd, minutesEnd, secondsEnd});
    if (dateEnd < 0 || (end > dateEnd && text[static_cast<std::size_t>(dateEnd)] != ' '))
        return std::nullopt;
    const std::string_view fraction = std::string_view(text).substr(static_cast<std::size_t>(end));
    std::int64_t fractionTicks = 0;
    if (!fraction.empty()) {
        // Only after the seconds: 1 to 7 digits.
        if (end != secondsEnd || fraction.size() < 2 || fraction.size() > 8 || fraction[0] != '.')
            return std::nullopt;
        for (std::size_t i = 1; i <= 7; ++i) {
            const char d = i < fraction.size() ? fraction[i] : '0';
            if (d < '0' || d > '9')
                return std::nullopt;
            fractionTicks = fractionTicks * 10 + (d - '0');
        }
    }
    return ticksOf(dt, fractionTicks);
}

Value extendedDateOf(const ColumnDef& c, const Value& v) {
    std::optional<std::int64_t> ticks;
    if (v.kind() == Value::Kind::DateTimeExtended)
        return v;
    if (v.kind() == Value::Kind::Text)
        ticks = parseExtendedDate(v.text());
    else if (v.kind() == Value::Kind::DateTime || isNumericKind(v.kind()))
        if (const auto dt = toCalendar(v.kind() == Value::Kind::DateTime ? v.dateTimeSerial() : number(c, v)))
            ticks = ticksOf(*dt, std::int64_t{dt->millisecond} * 10'000);
    if (!ticks)
        cannotConvert(c);
    return Value::dateTimeExtended(*ticks);
}

}  // namespace

std::optional<double> toSerial(const CalendarDateTime& dt) {
    const auto days = civilDays(dt, 100);
    if (!days)
        return std::nullopt;
    const double whole = static_cast<double>(*days + 25569);
    const double fraction = (dt.hour * 3600.0 + dt.minute * 60.0 + dt.second + dt.millisecond / 1000.0) / 86400.0;
    // Before 1899-12-30 the time of day still counts forwards from midnight.
    return whole >= 0 ? whole + fraction : whole - fraction;
}

std::size_t textLength(std::string_view utf8) {
    std::u16string units;
    appendUtf16(utf8, units);
    return units.size();
}

std::vector<std::uint8_t> encodeJet4Text(std::string_view utf8, bool mayCompress) {
    std::u16string units;
    appendUtf16(utf8, units);
    std::vector<std::uint8_t> out;
    bool compress = mayCompress && units.size() > 2 && units.size() <= kMaxCompressedChars;
    for (const char16_t u : units)
        if (u == 0 || u > 0xFF)
            compress = false;
    if (compress) {
        out.reserve(units.size() + 2);
        out = {0xFF, 0xFE};
        for (const char16_t u : units)
            out.push_back(static_cast<std::uint8_t>(u));
        return out;
    }
    out.reserve(units.size() * 2);
    for (const char16_t u : units) {
        out.push_back(static_cast<std::uint8_t>(u));
        out.push_back(static_cast<std::uint8_t>(u >> 8));
    }
    return out;
}

void requireAssignable(const ColumnDef& c, const Value& v) {
    if (v.isNull() && c.type == static_cast<std::uint8_t>(ColumnType::Boolean))
        throw Error(NullNotAllowed, kNullNotAllowedText);
}

Value toColumnValue(const ColumnDef& c, const Value& v) {
    if (v.isNull())
        return v;
    const auto kind = v.kind();
    switch (static_cast<ColumnType>(c.type)) {
    case ColumnType::Text:
    case ColumnType::Memo:
        if (kind == Value::Kind::Text)
            return v;
        if (kind == Value::Kind::Binary || kind == Value::Kind::Guid)
            cannotConvert(c);
        return Value::text(v.toText());
    case ColumnType::Boolean:
        if (kind == Value::Kind::Boolean)
            return v;
        if (kind == Value::Kind::Text) {
            if (const auto f = parseFlag(v.text()))
                return Value::boolean(*f);
        }
        return Value::boolean(number(c, v) != 0);
    case ColumnType::Byte: return Value::integer(wholeNumber(c, v, 0, 255));
    case ColumnType::Integer: return Value::integer(wholeNumber(c, v, -32768, 32767));
    case ColumnType::Long: return Value::integer(wholeNumber(c, v, INT32_MIN, INT32_MAX));
    case ColumnType::BigInt:
        return Value::integer(
            wholeNumber(c, v, std::numeric_limits<std::int64_t>::min(), std::numeric_limits<std::int64_t>::max()));
    case ColumnType::Single: {
        const double d = number(c, v);
        if (std::fabs(d) > std::numeric_limits<float>::max())
            overflow(c);
        return Value::single(static_cast<float>(d));
    }
    case ColumnType::Double: return Value::real(number(c, v));
    case ColumnType::Currency: return currencyOf(c, v);
    case ColumnType::DateTime:
        if (kind == Value::Kind::DateTime)
            return v;
        if (kind == Value::Kind::Text) {
            if (const auto d = parseDate(v.text()))
                return Value::dateTime(*d);
        }
        return Value::dateTime(number(c, v));
    case ColumnType::Guid:
        if (kind == Value::Kind::Guid)
            return v;
        if (kind == Value::Kind::Text) {
            if (const auto g = parseGuid(v.text()))
                return Value::guid(*g);
        }
        cannotConvert(c);
    case ColumnType::Numeric: return decimalOf(c, v);
    case ColumnType::DateTimeExtended: return extendedDateOf(c, v);
    case ColumnType::Binary:
    case ColumnType::Ole:
    case ColumnType::AccessObjectData:
        if (kind == Value::Kind::Binary)
            return v;
        if (kind == Value::Kind::Text) {
            const auto& t = v.text();
            return Value::binary({reinterpret_cast<const std::uint8_t*>(t.data()), t.size()});
        }
        cannotConvert(c);
    default:
        throw Error(FieldNotUpdatable, "Field '" + c.name + "' cannot be updated: Ravelin does not write " +
                                           typeName(c.type) + " fields.");
    }
}

}  // namespace jet
