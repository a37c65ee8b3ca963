// The functions Access's expressions call in table properties, with Visual
// Basic's types: Null in gives Null out except where a value is needed
// (CStr, CLng, CDbl, CDate, Val: error 94), Len/Left/Mid count characters.
#include "jet/expr/Node.h"

#include "jet/text/Text.h"

#include <algorithm>
#include <array>
#include <cctype>
#include <chrono>
#include <cmath>
#include <ctime>
#include <random>

namespace jet::expr {
namespace {

using Args = std::span<const Value>;
using Kind = Value::Kind;

constexpr double kSecondsPerDay = 86400.0;

CalendarDateTime calendarOf(double serial) {
    const auto c = toCalendar(serial);
    if (!c)
        fail(kInvalidCall, "a date outside the years 1 to 9999");
    return *c;
}

// Seconds since 1899-12-30 00:00:00 of a date serial (Jet's negative dates included).
std::int64_t instant(double serial) {
    const auto c = calendarOf(serial);
    return static_cast<std::int64_t>(dateSerial(c.year, c.month, c.day)) * 86400 + c.hour * 3600 + c.minute * 60 +
           c.second;
}

Value dateOfInstant(std::int64_t seconds) {
    const std::int64_t days = seconds >= 0 ? seconds / 86400 : -((-seconds + 86399) / 86400);
    const double time = static_cast<double>(seconds - days * 86400) / kSecondsPerDay;
    return Value::dateTime(days < 0 ? static_cast<double>(days) - time : static_cast<double>(days) + time);
}

std::string interval(const Value& v) {
    std::string s = toText(v);
    for (char& c : s)
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return s;
}

Value localNow(bool date, bool time) {
    const std::time_t now = std::time(nullptr);
    std::tm local{};
    ::localtime_r(&now, &local);
    const double d = date ? dateSerial(local.tm_year + 1900, local.tm_mon + 1, local.tm_mday) : 0;
    const double t = time ? timeSerial(local.tm_hour, local.tm_min, local.tm_sec) : 0;
    return Value::dateTime(d + t);
}

// The argument as a number of the same kind where Int, Fix, Abs and Round keep it.
Value sameKind(const Value& like, double d) {
    switch (like.kind()) {
    case Kind::Integer:
    case Kind::Boolean: return Value::integer(static_cast<std::int64_t>(d));
    case Kind::Currency: return Value::currency(static_cast<std::int64_t>(std::nearbyint(d * 10000.0)));
    case Kind::DateTime: return Value::dateTime(d);
    default: return Value::real(d);
    }
}

Value numeric(Args a, double (*f)(double)) {
    if (a[0].isNull())
        return Value();
    return sameKind(a[0], f(toNumber(a[0])));
}

Value part(Args a, int CalendarDateTime::*field) {
    if (a[0].isNull())
        return Value();
    return Value::integer(calendarOf(toDate(a[0])).*field);
}

std::int64_t count(const Value& v, const char* what) {
    const std::int64_t n = toWhole(v);
    if (n < 0)
        fail(kInvalidCall, std::string("a negative ") + what);
    return n;
}

Value textPart(Args a, bool fromRight) {
    if (a[0].isNull())
        return Value();
    const auto text = codePoints(toText(a[0]));
    const auto n = static_cast<std::size_t>(std::min<std::int64_t>(count(a[1], "length"), static_cast<std::int64_t>(text.size())));
    return Value::text(utf8Of(fromRight ? std::u32string_view(text).substr(text.size() - n)
                                        : std::u32string_view(text).substr(0, n)));
}

Value trimmed(Args a, bool left, bool right) {
    if (a[0].isNull())
        return Value();
    std::string s = toText(a[0]);
    if (right)
        s.erase(s.find_last_not_of(' ') + 1);
    if (left)
        s.erase(0, std::min(s.size(), s.find_first_not_of(' ')));
    return Value::text(std::move(s));
}

Value cased(Args a, bool upper) {
    if (a[0].isNull())
        return Value();
    auto text = codePoints(toText(a[0]));
    for (char32_t& c : text) {
        const char32_t lower = foldCase(c);
        if (!upper)
            c = lower;
        else if (lower == c && ((c >= 'a' && c <= 'z') || (c >= 0xE0 && c <= 0xFE && c != 0xF7)))
            c -= 32;
    }
    return Value::text(utf8Of(text));
}

Value dateAdd(Args a) {
    if (a[1].isNull() || a[2].isNull())
        return Value();
    const std::string unit = interval(a[0]);
    const std::int64_t n = static_cast<std::int64_t>(std::trunc(toNumber(a[1])));
    const double serial = toDate(a[2]);
    const int months = unit == "yyyy" ? 12 : unit == "q" ? 3 : unit == "m" ? 1 : 0;
    if (months) {
        // The day stays unless the month is shorter: 31 January + 1 month is 28 or 29 February.
        const auto c = calendarOf(serial);
        const std::int64_t total = c.year * 12 + (c.month - 1) + n * months;
        const std::int64_t y = total / 12, m = total % 12 + 1;
        const double lastDay = dateSerial(y, m + 1, 1) - dateSerial(y, m, 1);
        const double day = dateSerial(y, m, std::min<std::int64_t>(c.day, static_cast<std::int64_t>(lastDay)));
        const double time = timeSerial(c.hour, c.minute, c.second);
        return Value::dateTime(day < 0 ? day - time : day + time);
    }
    const std::int64_t seconds = unit == "d" || unit == "y" || unit == "w" ? 86400
                                 : unit == "ww"                            ? 7 * 86400
                                 : unit == "h"                             ? 3600
                                 : unit == "n"                             ? 60
                                 : unit == "s"                             ? 1
                                                                           : 0;
    if (!seconds)
        fail(kInvalidCall, "the interval '" + unit + "'");
    return dateOfInstant(instant(serial) + n * seconds);
}

// Floor division, for boundaries counted across zero.
std::int64_t floorDiv(std::int64_t a, std::int64_t b) { return a / b - ((a % b != 0) && ((a < 0) != (b < 0))); }

// The number of interval boundaries between two dates, as DateDiff counts them.
Value dateDiff(Args a) {
    if (a[1].isNull() || a[2].isNull())
        return Value();
    const std::string unit = interval(a[0]);
    const double first = toDate(a[1]), second = toDate(a[2]);
    const auto c1 = calendarOf(first), c2 = calendarOf(second);
    const std::int64_t s1 = instant(first), s2 = instant(second);
    const std::int64_t d1 = floorDiv(s1, 86400), d2 = floorDiv(s2, 86400);
    std::int64_t r;
    if (unit == "yyyy")
        r = c2.year - c1.year;
    else if (unit == "q")
        r = (c2.year * 4 + (c2.month - 1) / 3) - (c1.year * 4 + (c1.month - 1) / 3);
    else if (unit == "m")
        r = (c2.year * 12 + c2.month) - (c1.year * 12 + c1.month);
    else if (unit == "d" || unit == "y")
        r = d2 - d1;
    else if (unit == "w")
        r = (d2 - d1) / 7;
    else if (unit == "ww")  // Sundays crossed; 1899-12-30 was a Saturday
        r = floorDiv(d2 + 6, 7) - floorDiv(d1 + 6, 7);
    else if (unit == "h")
        r = floorDiv(s2, 3600) - floorDiv(s1, 3600);
    else if (unit == "n")
        r = floorDiv(s2, 60) - floorDiv(s1, 60);
    else if (unit == "s")
        r = s2 - s1;
    else
        fail(kInvalidCall, "the interval '" + unit + "'");
    return Value::integer(r);
}

Value inStr(Args a) {
    std::size_t at = 0;
    if (a.size() >= 3) {
        if (a[0].isNull())
            fail(94, "InStr's start is Null");
        at = static_cast<std::size_t>(count(a[0], "start"));
        if (at == 0)
            fail(kInvalidCall, "InStr's start is 0");
        --at;
        a = a.subspan(1);
    }
    if (a[0].isNull() || a[1].isNull())
        return Value();
    auto text = codePoints(toText(a[0])), sought = codePoints(toText(a[1]));
    if (at > text.size())
        return Value::integer(0);
    if (sought.empty())
        return Value::integer(static_cast<std::int64_t>(at + 1));
    const bool binary = a.size() >= 3 && !a[2].isNull() && toWhole(a[2]) == 0;
    if (!binary) {
        for (char32_t& c : text)
            c = foldCase(c);
        for (char32_t& c : sought)
            c = foldCase(c);
    }
    const auto found = text.find(sought, at);
    return Value::integer(found == std::u32string::npos ? 0 : static_cast<std::int64_t>(found + 1));
}

// The number at the start of the text: blanks, tabs and line feeds skipped
// anywhere, &H and &O prefixes, a stop at the first character that does not fit.
Value val(Args a) {
    if (a[0].isNull())
        fail(94, "Val of Null");
    std::string s;
    for (const char c : toText(a[0]))
        if (c != ' ' && c != '\t' && c != '\n' && c != '\r')
            s += c;
    if (s.size() > 1 && s[0] == '&' && (s[1] == 'H' || s[1] == 'h' || s[1] == 'O' || s[1] == 'o')) {
        const int base = (s[1] == 'H' || s[1] == 'h') ? 16 : 8;
        return Value::real(static_cast<double>(std::strtoll(s.c_str() + 2, nullptr, base)));
    }
    std::size_t end = 0;
    if (end < s.size() && (s[end] == '-' || s[end] == '+'))
        ++end;
    bool digits = false, point = false;
    for (; end < s.size(); ++end) {
        if (std::isdigit(static_cast<unsigned char>(s[end])))
            digits = true;
        else if (s[end] == '.' && !point)
            point = true;
        else
            break;
    }
    if (digits && end < s.size() && (s[end] == 'E' || s[end] == 'e' || s[end] == 'D' || s[end] == 'd')) {
        std::size_t e = end + 1;
        if (e < s.size() && (s[e] == '-' || s[e] == '+'))
            ++e;
        if (e < s.size() && std::isdigit(static_cast<unsigned char>(s[e]))) {
            s[end] = 'E';
            for (end = e; end < s.size() && std::isdigit(static_cast<unsigned char>(s[end]));)
                ++end;
        }
    }
    return Value::real(digits ? std::strtod(s.substr(0, end).c_str(), nullptr) : 0.0);
}

Value genGuid(Args) {
    static thread_local std::mt19937_64 random{std::random_device{}()};
    GuidBytes g;
    for (auto& b : g)
        b = static_cast<std::uint8_t>(random());
    g[7] = static_cast<std::uint8_t>((g[7] & 0x0F) | 0x40);  // version 4, stored little endian
    g[8] = static_cast<std::uint8_t>((g[8] & 0x3F) | 0x80);
    return Value::guid(g);
}

Value round(Args a) {
    if (a[0].isNull())
        return Value();
    const int digits = a.size() > 1 ? static_cast<int>(count(a[1], "number of decimal places")) : 0;
    return sameKind(a[0], roundHalfEven(toNumber(a[0]), digits));
}

Value whole(const Value& v, std::int64_t low, std::int64_t high, const char* name) {
    const std::int64_t n = toWhole(v);
    if (n < low || n > high)
        fail(kOverflow, std::string(name) + " of a value beyond its range");
    return Value::integer(n);
}

Value len(Args a) {
    if (a[0].isNull())
        return Value();
    return Value::integer(static_cast<std::int64_t>(codePoints(toText(a[0])).size()));
}

Value mid(Args a) {
    if (a[0].isNull())
        return Value();
    const auto text = codePoints(toText(a[0]));
    const std::int64_t start = count(a[1], "start");
    if (start == 0)
        fail(kInvalidCall, "Mid's start is 0");
    const auto from = std::min<std::size_t>(static_cast<std::size_t>(start - 1), text.size());
    const std::size_t n = a.size() > 2 ? static_cast<std::size_t>(count(a[2], "length")) : text.size();
    return Value::text(utf8Of(std::u32string_view(text).substr(from, n)));
}

Value str(Args a) {
    if (a[0].isNull())
        return Value();
    const Value n = a[0].kind() == Kind::Text ? Value::real(toNumber(a[0])) : a[0];
    const std::string s = toText(n.kind() == Kind::Boolean ? Value::integer(n.asBool() ? -1 : 0) : n);
    return Value::text(s[0] == '-' ? s : " " + s);
}

Value required(const Value& v, const char* name) {
    if (v.isNull())
        fail(94, std::string(name) + " of Null");
    return v;
}

const Function kFunctions[] = {
    {"Abs", 1, 1, false, [](Args a) { return numeric(a, [](double d) { return std::fabs(d); }); }},
    {"CBool", 1, 1, false, [](Args a) { return Value::boolean(toBoolean(required(a[0], "CBool"))); }},
    {"CCur", 1, 1, false,
     [](Args a) { return Value::currency(static_cast<std::int64_t>(std::nearbyint(toNumber(required(a[0], "CCur")) * 10000))); }},
    {"CDate", 1, 1, false, [](Args a) { return Value::dateTime(toDate(required(a[0], "CDate"))); }},
    {"CDbl", 1, 1, false, [](Args a) { return Value::real(toNumber(required(a[0], "CDbl"))); }},
    {"CInt", 1, 1, false, [](Args a) { return whole(required(a[0], "CInt"), -32768, 32767, "CInt"); }},
    {"CLng", 1, 1, false,
     [](Args a) { return whole(required(a[0], "CLng"), -2147483648LL, 2147483647LL, "CLng"); }},
    {"CStr", 1, 1, false, [](Args a) { return Value::text(toText(required(a[0], "CStr"))); }},
    {"Date", 0, 0, true, [](Args) { return localNow(true, false); }},
    {"DateAdd", 3, 3, false, dateAdd},
    {"DateDiff", 3, 4, false, dateDiff},
    {"DateSerial", 3, 3, false,
     [](Args a) {
         if (a[0].isNull() || a[1].isNull() || a[2].isNull())
             return Value();
         return Value::dateTime(dateSerial(toWhole(a[0]), toWhole(a[1]), toWhole(a[2])));
     }},
    {"DateValue", 1, 1, false,
     [](Args a) { return a[0].isNull() ? Value() : Value::dateTime(std::trunc(toDate(a[0]))); }},
    {"Day", 1, 1, false, [](Args a) { return part(a, &CalendarDateTime::day); }},
    {"Fix", 1, 1, false, [](Args a) { return numeric(a, [](double d) { return std::trunc(d); }); }},
    {"GenGUID", 0, 0, true, genGuid},
    {"Hour", 1, 1, false, [](Args a) { return part(a, &CalendarDateTime::hour); }},
    {"InStr", 2, 4, false, inStr},
    {"Int", 1, 1, false, [](Args a) { return numeric(a, [](double d) { return std::floor(d); }); }},
    {"IsNull", 1, 1, false, [](Args a) { return Value::boolean(a[0].isNull()); }},
    {"LCase", 1, 1, false, [](Args a) { return cased(a, false); }},
    {"Left", 2, 2, false, [](Args a) { return textPart(a, false); }},
    {"Len", 1, 1, false, len},
    {"LTrim", 1, 1, false, [](Args a) { return trimmed(a, true, false); }},
    {"Mid", 2, 3, false, mid},
    {"Minute", 1, 1, false, [](Args a) { return part(a, &CalendarDateTime::minute); }},
    {"Month", 1, 1, false, [](Args a) { return part(a, &CalendarDateTime::month); }},
    {"Now", 0, 0, true, [](Args) { return localNow(true, true); }},
    {"Nz", 1, 2, false,
     [](Args a) { return !a[0].isNull() ? a[0] : a.size() > 1 ? a[1] : Value::text(""); }},
    {"Right", 2, 2, false, [](Args a) { return textPart(a, true); }},
    {"Round", 1, 2, false, round},
    {"RTrim", 1, 1, false, [](Args a) { return trimmed(a, false, true); }},
    {"Second", 1, 1, false, [](Args a) { return part(a, &CalendarDateTime::second); }},
    {"Sgn", 1, 1, false,
     [](Args a) {
         if (a[0].isNull())
             return Value();
         const double d = toNumber(a[0]);
         return Value::integer(d > 0 ? 1 : d < 0 ? -1 : 0);
     }},
    {"Str", 1, 1, false, str},
    {"Time", 0, 0, true, [](Args) { return localNow(false, true); }},
    {"Trim", 1, 1, false, [](Args a) { return trimmed(a, true, true); }},
    {"UCase", 1, 1, false, [](Args a) { return cased(a, true); }},
    {"Val", 1, 1, false, val},
    {"Weekday", 1, 2, false,
     [](Args a) {
         if (a[0].isNull())
             return Value();
         const std::int64_t day = instant(toDate(a[0])) / 86400 - (instant(toDate(a[0])) % 86400 < 0);
         return Value::integer(((day + 6) % 7 + 7) % 7 + 1);  // 1 Sunday; 1899-12-30 was a Saturday (7)
     }},
    {"Year", 1, 1, false, [](Args a) { return part(a, &CalendarDateTime::year); }},
};

}  // namespace

const Function* findFunction(std::string_view name) {
    for (const Function& f : kFunctions)
        if (equalsIgnoreCase(f.name, name))
            return &f;
    return nullptr;
}

}  // namespace jet::expr
