// Values converted as Visual Basic converts them inside Access's expressions.
#include "jet/expr/Node.h"

#include "jet/text/Text.h"

#include <cctype>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <string>

namespace jet::expr {
namespace {

constexpr double kSecondsPerDay = 86400.0;

// Days from 1899-12-30 to the proleptic Gregorian date (y, m, d), m in 1..12.
std::int64_t daysFromEpoch(std::int64_t y, std::int64_t m, std::int64_t d) {
    y -= m <= 2;
    const std::int64_t era = (y >= 0 ? y : y - 399) / 400;
    const std::int64_t yoe = y - era * 400;
    const std::int64_t doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
    const std::int64_t doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
    return era * 146097 + doe - 719468 + 25569;  // 25569: 1899-12-30 to 1970-01-01
}

std::string_view trimmed(std::string_view s) {
    while (!s.empty() && std::isspace(static_cast<unsigned char>(s.front())))
        s.remove_prefix(1);
    while (!s.empty() && std::isspace(static_cast<unsigned char>(s.back())))
        s.remove_suffix(1);
    return s;
}

// Reads an unsigned number at `at`; -1 when none.
long long readNumber(std::string_view s, std::size_t& at) {
    if (at >= s.size() || !std::isdigit(static_cast<unsigned char>(s[at])))
        return -1;
    long long n = 0;
    while (at < s.size() && std::isdigit(static_cast<unsigned char>(s[at])) && n < 100000)
        n = n * 10 + (s[at++] - '0');
    return n;
}

std::string formatNumber(double d) {
    if (d == 0)
        return "0";
    char buffer[40];
    std::snprintf(buffer, sizeof buffer, "%.15G", d);
    return buffer;
}

}  // namespace

void fail(int number, const std::string& what) {
    static const char* const kTexts[] = {"Invalid procedure call or argument", "Overflow", "Division by zero",
                                         "Type mismatch", "Invalid use of Null"};
    const char* text = number == kInvalidCall      ? kTexts[0]
                       : number == kOverflow       ? kTexts[1]
                       : number == kDivisionByZero ? kTexts[2]
                       : number == kTypeMismatch   ? kTexts[3]
                                                   : kTexts[4];
    throw Error(number, std::string(text) + " (" + what + ").");
}

double dateSerial(std::int64_t year, std::int64_t month, std::int64_t day) {
    if (year >= 0 && year < 30)
        year += 2000;
    else if (year >= 30 && year < 100)
        year += 1900;
    const std::int64_t months = year * 12 + (month - 1);
    const std::int64_t y = months >= 0 ? months / 12 : (months - 11) / 12;
    const std::int64_t m = months - y * 12 + 1;
    const double days = static_cast<double>(daysFromEpoch(y, m, 1) + day - 1);
    if (days < -657434 || days > 2958465)  // the years 100 to 9999
        fail(kInvalidCall, "a date outside the years 100 to 9999");
    return days;
}

double timeSerial(std::int64_t hour, std::int64_t minute, std::int64_t second) {
    return static_cast<double>(hour * 3600 + minute * 60 + second) / kSecondsPerDay;
}

std::optional<double> parseNumberText(std::string_view text) {
    const std::string s(trimmed(text));
    if (s.empty())
        return std::nullopt;
    if (s.size() > 2 && s[0] == '&' && (s[1] == 'H' || s[1] == 'h')) {
        char* end = nullptr;
        const long long v = std::strtoll(s.c_str() + 2, &end, 16);
        return *end == 0 ? std::optional<double>(static_cast<double>(v)) : std::nullopt;
    }
    char* end = nullptr;
    const double d = std::strtod(s.c_str(), &end);
    if (*end != 0 || std::isnan(d) || std::isinf(d) || std::isalpha(static_cast<unsigned char>(s.back())))
        return std::nullopt;
    return d;
}

// "2024-01-05", "1/5/2024" (month first), either with a time "10:30[:15] [AM|PM]", or a time alone.
std::optional<double> parseDateText(std::string_view text) {
    const std::string_view s = trimmed(text);
    std::size_t at = 0;
    double serial = 0;
    const long long first = readNumber(s, at);
    if (first >= 0 && at < s.size() && (s[at] == '-' || s[at] == '/')) {
        const char sep = s[at++];
        const long long second = readNumber(s, at);
        if (second < 0 || at >= s.size() || s[at++] != sep)
            return std::nullopt;
        const long long third = readNumber(s, at);
        if (third < 0)
            return std::nullopt;
        const long long y = sep == '-' ? first : third, m = sep == '-' ? second : first, d = sep == '-' ? third : second;
        if (m < 1 || m > 12 || d < 1 || d > 31)
            return std::nullopt;
        serial = dateSerial(y, m, d);
        if (dateSerial(y, m + 1, 1) <= serial)  // 31 April and the like
            return std::nullopt;
        while (at < s.size() && s[at] == ' ')
            ++at;
        if (at == s.size())
            return serial;
    } else {
        at = 0;
    }
    const long long hour = readNumber(s, at);
    if (hour < 0 || at >= s.size() || s[at++] != ':')
        return std::nullopt;
    const long long minute = readNumber(s, at);
    long long second = 0;
    if (minute < 0)
        return std::nullopt;
    if (at < s.size() && s[at] == ':' && (++at, second = readNumber(s, at)) < 0)
        return std::nullopt;
    std::string_view rest = trimmed(s.substr(at));
    long long h = hour;
    if (!rest.empty()) {
        const bool pm = equalsIgnoreCase(rest, "PM");
        if (!pm && !equalsIgnoreCase(rest, "AM"))
            return std::nullopt;
        if (hour < 1 || hour > 12)
            return std::nullopt;
        h = hour % 12 + (pm ? 12 : 0);
    }
    if (h > 23 || minute > 59 || second > 59)
        return std::nullopt;
    const double time = timeSerial(h, minute, second);
    return serial < 0 ? serial - time : serial + time;
}

double roundHalfEven(double x, int digits) {
    const double scale = std::pow(10.0, digits);
    // Rounded as its decimal text reads (2.675 is stored as 2.67499...), half to even.
    return std::nearbyint(std::stod(formatNumber(x * scale))) / scale;
}

double toNumber(const Value& v) {
    switch (v.kind()) {
    case Value::Kind::Null: fail(94, "Null where a number is needed");
    case Value::Kind::Boolean: return v.asBool() ? -1 : 0;
    case Value::Kind::Integer: return static_cast<double>(v.asInteger());
    case Value::Kind::Single: return v.asSingle();
    case Value::Kind::Double: return v.asDouble();
    case Value::Kind::Currency: return static_cast<double>(v.currencyScaled()) / 10000.0;
    case Value::Kind::DateTime: return v.dateTimeSerial();
    case Value::Kind::Decimal: return v.decimalValue().toDouble();
    case Value::Kind::Text:
        if (const auto d = parseNumberText(v.text()))
            return *d;
        fail(kTypeMismatch, "'" + v.text() + "' is not a number");
    default: fail(kTypeMismatch, "a value that is no number");
    }
}

std::int64_t toWhole(const Value& v) {
    const double r = std::nearbyint(toNumber(v));
    if (r < -2147483648.0 || r > 2147483647.0)
        fail(kOverflow, "a value beyond a Long");
    return static_cast<std::int64_t>(r);
}

bool toBoolean(const Value& v) {
    if (v.kind() == Value::Kind::Boolean)
        return v.asBool();
    if (v.kind() == Value::Kind::Text) {
        if (equalsIgnoreCase(v.text(), "True"))
            return true;
        if (equalsIgnoreCase(v.text(), "False"))
            return false;
    }
    return toNumber(v) != 0;
}

double toDate(const Value& v) {
    switch (v.kind()) {
    case Value::Kind::Null: fail(94, "Null where a date is needed");
    case Value::Kind::DateTime: return v.dateTimeSerial();
    case Value::Kind::Text:
        if (const auto d = parseDateText(v.text()))
            return *d;
        if (const auto d = parseNumberText(v.text()))
            return *d;
        fail(kTypeMismatch, "'" + v.text() + "' is not a date");
    default: return toNumber(v);
    }
}

std::string toText(const Value& v) {
    switch (v.kind()) {
    case Value::Kind::Null: fail(94, "Null where text is needed");
    case Value::Kind::Text: return v.text();
    case Value::Kind::Boolean: return v.asBool() ? "True" : "False";
    case Value::Kind::Integer: return std::to_string(v.asInteger());
    case Value::Kind::Currency: {
        std::string s = formatCurrency(v.currencyScaled());
        s.erase(s.find_last_not_of('0') + 1);
        if (s.back() == '.')
            s.pop_back();
        return s;
    }
    case Value::Kind::DateTime: {
        // The general date of the United States locale: 1/5/2024 3:04:05 PM.
        const auto c = toCalendar(v.dateTimeSerial());
        if (!c)
            fail(kOverflow, "a date outside the years 1 to 9999");
        const double whole = std::trunc(v.dateTimeSerial());
        std::string s;
        if (whole != 0)
            s = std::to_string(c->month) + "/" + std::to_string(c->day) + "/" + std::to_string(c->year);
        if (whole == 0 || v.dateTimeSerial() != whole) {
            char time[32];
            std::snprintf(time, sizeof time, "%d:%02d:%02d %s", c->hour % 12 == 0 ? 12 : c->hour % 12, c->minute,
                          c->second, c->hour < 12 ? "AM" : "PM");
            s += (s.empty() ? "" : " ") + std::string(time);
        }
        return s;
    }
    case Value::Kind::Guid: return formatGuid(v.guidValue());
    case Value::Kind::Decimal: {
        std::string s = v.decimalValue().toString();
        if (s.find('.') != std::string::npos) {
            s.erase(s.find_last_not_of('0') + 1);
            if (s.back() == '.')
                s.pop_back();
        }
        return s;
    }
    default: return formatNumber(toNumber(v));
    }
}

}  // namespace jet::expr
