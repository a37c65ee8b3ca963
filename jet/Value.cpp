#include "jet/Value.h"

#include "jet/Error.h"
#include "jet/text/Text.h"

#include <algorithm>
#include <charconv>
#include <chrono>
#include <cmath>
#include <cstring>

namespace jet {
namespace {

constexpr std::int64_t kMsPerDay = 86'400'000;
// 1899-12-30 relative to 1970-01-01.
constexpr std::int64_t kEpochOffsetDays = -25569;

std::string twoDigits(int v) {
    std::string s(2, '0');
    s[0] = static_cast<char>('0' + v / 10 % 10);
    s[1] = static_cast<char>('0' + v % 10);
    return s;
}

template <class T>
std::string shortest(T v) {
    char buf[64];
    const auto r = std::to_chars(buf, buf + sizeof buf, v);
    return std::string(buf, r.ptr);
}

// Divides a 128-bit magnitude (most significant word first) by ten, giving the remainder.
std::uint32_t divideByTen(std::array<std::uint32_t, 4>& m) {
    std::uint64_t rem = 0;
    for (auto& word : m) {
        const std::uint64_t cur = (rem << 32) | word;
        word = static_cast<std::uint32_t>(cur / 10);
        rem = cur % 10;
    }
    return static_cast<std::uint32_t>(rem);
}

// Multiplies it by ten; false when the product needs more than 128 bits.
bool multiplyByTen(std::array<std::uint32_t, 4>& m) {
    std::uint64_t carry = 0;
    for (auto word = m.rbegin(); word != m.rend(); ++word) {
        const std::uint64_t x = std::uint64_t{*word} * 10 + carry;
        *word = static_cast<std::uint32_t>(x);
        carry = x >> 32;
    }
    return carry == 0;
}

}  // namespace

std::string Decimal::toString() const {
    // Repeated division of the 128-bit magnitude by 10 gives the digits.
    Decimal rest = *this;
    std::string digits;
    while (!rest.isZero())
        digits.insert(digits.begin(), static_cast<char>('0' + divideByTen(rest.magnitude)));
    const bool zero = isZero();
    if (digits.size() < static_cast<std::size_t>(scale) + 1)
        digits.insert(0, static_cast<std::size_t>(scale) + 1 - digits.size(), '0');
    if (scale > 0)
        digits.insert(digits.size() - scale, 1, '.');
    if (negative && !zero)
        digits.insert(0, 1, '-');
    return digits;
}

std::optional<Decimal> Decimal::atScale(std::uint8_t digits) const {
    Decimal d = *this;
    for (; d.scale < digits; ++d.scale)
        if (!multiplyByTen(d.magnitude))
            return std::nullopt;
    for (; d.scale > digits; --d.scale)
        if (divideByTen(d.magnitude) != 0)
            return std::nullopt;
    return d;
}

double Decimal::toDouble() const {
    double v = 0;
    for (auto word : magnitude)
        v = v * 4294967296.0 + word;
    v /= std::pow(10.0, scale);
    return negative ? -v : v;
}

std::optional<CalendarDateTime> toCalendar(double serial) {
    // 9999-12-31 is day 2958465, 0001-01-01 day -693593.
    if (!std::isfinite(serial) || serial >= 2958466.0 || serial <= -693594.0)
        return std::nullopt;
    const double whole = std::trunc(serial);
    std::int64_t day = static_cast<std::int64_t>(whole);
    std::int64_t ms = std::llround(std::fabs(serial - whole) * kMsPerDay);
    if (ms >= kMsPerDay) {
        ms -= kMsPerDay;
        ++day;
    }
    using namespace std::chrono;
    const year_month_day ymd{sys_days{days{day + kEpochOffsetDays}}};
    CalendarDateTime dt;
    dt.year = static_cast<int>(ymd.year());
    if (dt.year < 1 || dt.year > 9999)
        return std::nullopt;
    dt.month = static_cast<int>(static_cast<unsigned>(ymd.month()));
    dt.day = static_cast<int>(static_cast<unsigned>(ymd.day()));
    dt.hour = static_cast<int>(ms / 3'600'000);
    dt.minute = static_cast<int>(ms / 60'000 % 60);
    dt.second = static_cast<int>(ms / 1000 % 60);
    dt.millisecond = static_cast<int>(ms % 1000);
    return dt;
}

std::string formatDateTime(const CalendarDateTime& dt) {
    std::string s = std::to_string(dt.year);
    if (s.size() < 4)
        s.insert(0, 4 - s.size(), '0');
    s += '-' + twoDigits(dt.month) + '-' + twoDigits(dt.day) + ' ' + twoDigits(dt.hour) + ':' +
         twoDigits(dt.minute) + ':' + twoDigits(dt.second);
    if (dt.millisecond != 0) {
        s += '.' + std::to_string(dt.millisecond / 100) + twoDigits(dt.millisecond % 100);
    }
    return s;
}

std::string formatCurrency(std::int64_t scaled) {
    const bool negative = scaled < 0;
    const std::uint64_t magnitude =
        negative ? std::uint64_t{0} - static_cast<std::uint64_t>(scaled) : static_cast<std::uint64_t>(scaled);
    std::string frac = std::to_string(magnitude % 10000);
    frac.insert(0, 4 - frac.size(), '0');
    return (negative ? "-" : "") + std::to_string(magnitude / 10000) + "." + frac;
}

std::string formatGuid(const GuidBytes& g) {
    static constexpr char kHex[] = "0123456789ABCDEF";
    // The first three groups are little-endian numbers; the last two plain bytes.
    static constexpr int kOrder[16] = {3, 2, 1, 0, 5, 4, 7, 6, 8, 9, 10, 11, 12, 13, 14, 15};
    std::string s = "{";
    for (int n = 0; n < 16; ++n) {
        if (n == 4 || n == 6 || n == 8 || n == 10)
            s += '-';
        const std::uint8_t b = g[static_cast<std::size_t>(kOrder[n])];
        s += kHex[b >> 4];
        s += kHex[b & 15];
    }
    return s + "}";
}

std::string formatDateTimeExtended(std::int64_t ticks) {
    constexpr std::int64_t kTicksPerSecond = 10'000'000;
    constexpr std::int64_t kTicksPerDay = kTicksPerSecond * 86400;
    constexpr std::int64_t kDay1970 = 719162;  // 1970-01-01 counted from 0001-01-01
    using namespace std::chrono;
    const year_month_day ymd{sys_days{days{ticks / kTicksPerDay - kDay1970}}};
    const std::int64_t ofDay = ticks % kTicksPerDay;
    CalendarDateTime dt;
    dt.year = static_cast<int>(ymd.year());
    dt.month = static_cast<int>(static_cast<unsigned>(ymd.month()));
    dt.day = static_cast<int>(static_cast<unsigned>(ymd.day()));
    dt.hour = static_cast<int>(ofDay / (3600 * kTicksPerSecond));
    dt.minute = static_cast<int>(ofDay / (60 * kTicksPerSecond) % 60);
    dt.second = static_cast<int>(ofDay / kTicksPerSecond % 60);
    std::string s = formatDateTime(dt);
    if (const std::int64_t fraction = ofDay % kTicksPerSecond) {
        std::string digits = std::to_string(fraction + kTicksPerSecond).substr(1);  // 7 digits
        s += '.' + digits.substr(0, digits.find_last_not_of('0') + 1);
    }
    return s;
}

Value Value::boolean(bool b) { Value v; v.setBoolean(b); return v; }
Value Value::integer(std::int64_t i) { Value v; v.setInteger(i); return v; }
Value Value::single(float f) { Value v; v.setSingle(f); return v; }
Value Value::real(double d) { Value v; v.setDouble(d); return v; }
Value Value::currency(std::int64_t scaled) { Value v; v.setCurrency(scaled); return v; }
Value Value::dateTime(double serial) { Value v; v.setDateTime(serial); return v; }
Value Value::text(std::string utf8) { Value v; v.setText() = std::move(utf8); return v; }
Value Value::binary(std::span<const std::uint8_t> bytes) {
    Value v;
    v.setBinary().assign(reinterpret_cast<const char*>(bytes.data()), bytes.size());
    return v;
}
Value Value::guid(const GuidBytes& g) { Value v; v.setGuid(g); return v; }
Value Value::decimal(const Decimal& d) { Value v; v.setDecimal(d); return v; }
Value Value::dateTimeExtended(std::int64_t ticks) { Value v; v.setDateTimeExtended(ticks); return v; }

void Value::setBoolean(bool b) { kind_ = Kind::Boolean; integer_ = b ? 1 : 0; }
void Value::setInteger(std::int64_t i) { kind_ = Kind::Integer; integer_ = i; }
void Value::setSingle(float f) { kind_ = Kind::Single; single_ = f; }
void Value::setDouble(double d) { kind_ = Kind::Double; real_ = d; }
void Value::setCurrency(std::int64_t scaled) { kind_ = Kind::Currency; integer_ = scaled; }
void Value::setDateTime(double serial) { kind_ = Kind::DateTime; real_ = serial; }
std::string& Value::setText() { kind_ = Kind::Text; buffer_.clear(); return buffer_; }
std::string& Value::setBinary() { kind_ = Kind::Binary; buffer_.clear(); return buffer_; }
void Value::setGuid(const GuidBytes& g) {
    kind_ = Kind::Guid;
    buffer_.assign(reinterpret_cast<const char*>(g.data()), g.size());
}
void Value::setDecimal(const Decimal& d) { kind_ = Kind::Decimal; decimal_ = d; }
void Value::setDateTimeExtended(std::int64_t ticks) { kind_ = Kind::DateTimeExtended; integer_ = ticks; }

void Value::require(Kind k) const {
    if (kind_ != k)
        throw Error(ConversionError, "A value of one data type was read as another.");
}

bool Value::asBool() const { require(Kind::Boolean); return integer_ != 0; }
std::int64_t Value::asInteger() const { require(Kind::Integer); return integer_; }
float Value::asSingle() const { require(Kind::Single); return single_; }
double Value::asDouble() const { require(Kind::Double); return real_; }
std::int64_t Value::currencyScaled() const { require(Kind::Currency); return integer_; }
double Value::dateTimeSerial() const { require(Kind::DateTime); return real_; }
const std::string& Value::text() const { require(Kind::Text); return buffer_; }
std::span<const std::uint8_t> Value::bytes() const {
    require(Kind::Binary);
    return {reinterpret_cast<const std::uint8_t*>(buffer_.data()), buffer_.size()};
}
GuidBytes Value::guidValue() const {
    require(Kind::Guid);
    GuidBytes g{};
    std::memcpy(g.data(), buffer_.data(), g.size());
    return g;
}
const Decimal& Value::decimalValue() const { require(Kind::Decimal); return decimal_; }
std::int64_t Value::dateTimeExtendedTicks() const { require(Kind::DateTimeExtended); return integer_; }

std::string Value::toText() const {
    switch (kind_) {
    case Kind::Null: throw Error(InvalidUseOfNull, "Invalid use of Null.");
    case Kind::Boolean: return integer_ ? "True" : "False";
    case Kind::Integer: return std::to_string(integer_);
    case Kind::Single: return shortest(single_);
    case Kind::Double: return shortest(real_);
    case Kind::Currency: return formatCurrency(integer_);
    case Kind::DateTime: {
        const auto dt = toCalendar(real_);
        return dt ? formatDateTime(*dt) : shortest(real_);
    }
    case Kind::Text: return buffer_;
    case Kind::Binary: {
        static constexpr char kHex[] = "0123456789abcdef";
        std::string s;
        for (unsigned char b : buffer_) {
            s += kHex[b >> 4];
            s += kHex[b & 15];
        }
        return s;
    }
    case Kind::Guid: return formatGuid(guidValue());
    case Kind::Decimal: return decimal_.toString();
    case Kind::DateTimeExtended: return formatDateTimeExtended(integer_);
    }
    return {};
}

bool isNumericKind(Value::Kind k) {
    using K = Value::Kind;
    return k == K::Boolean || k == K::Integer || k == K::Single || k == K::Double || k == K::Currency ||
           k == K::DateTime || k == K::Decimal;
}

double numericValue(const Value& v) {
    using K = Value::Kind;
    switch (v.kind()) {
    case K::Boolean: return v.asBool() ? -1.0 : 0.0;
    case K::Integer: return static_cast<double>(v.asInteger());
    case K::Single: return v.asSingle();
    case K::Double: return v.asDouble();
    case K::Currency: return static_cast<double>(v.currencyScaled()) / 10000.0;
    case K::DateTime: return v.dateTimeSerial();
    case K::Decimal: return v.decimalValue().toDouble();
    default: return 0;
    }
}

bool jetEquals(const Value& stored, const Value& sought) {
    using K = Value::Kind;
    if (stored.isNull() || sought.isNull())
        return false;
    if (stored.kind() == K::Text && sought.kind() == K::Text)
        return equalsIgnoreCase(stored.text(), sought.text());
    if (stored.kind() == K::Integer && sought.kind() == K::Integer)
        return stored.asInteger() == sought.asInteger();
    if (stored.kind() == K::Currency && sought.kind() == K::Currency)
        return stored.currencyScaled() == sought.currencyScaled();
    if (stored.kind() == K::DateTimeExtended && sought.kind() == K::DateTimeExtended)
        return stored.dateTimeExtendedTicks() == sought.dateTimeExtendedTicks();
    if (stored.kind() == K::Decimal && sought.kind() == K::Decimal) {
        // Exactly, at the larger scale; one that outgrows 128 bits there is the larger.
        const std::uint8_t scale = std::max(stored.decimalValue().scale, sought.decimalValue().scale);
        const auto a = stored.decimalValue().atScale(scale), b = sought.decimalValue().atScale(scale);
        return a && b && a->magnitude == b->magnitude && (a->negative == b->negative || a->isZero());
    }
    if (isNumericKind(stored.kind()) && isNumericKind(sought.kind()))
        return numericValue(stored) == numericValue(sought);
    if (stored.kind() == sought.kind() && (stored.kind() == K::Binary || stored.kind() == K::Guid))
        return stored.kind() == K::Binary ? std::ranges::equal(stored.bytes(), sought.bytes())
                                          : stored.guidValue() == sought.guidValue();
    return false;
}

}  // namespace jet
