#pragma once
// A field value read from a Jet table. Null is its own kind, distinct from
// empty text. Integers of every width (byte, integer, long, autonumber,
// complex ids) are held as int64; currency as an int64 scaled by 10000;
// date/time as Jet's stored double (days since 1899-12-30); Date/Time
// Extended (Access 2019 and later) exactly, as 100-nanosecond ticks since
// 0001-01-01 00:00:00.
#include <array>
#include <cstdint>
#include <optional>
#include <span>
#include <string>

namespace jet {

using GuidBytes = std::array<std::uint8_t, 16>;

// A scaled 128-bit decimal (Jet's Decimal / numeric column type).
struct Decimal {
    bool negative = false;
    std::array<std::uint32_t, 4> magnitude{};  // most significant word first
    std::uint8_t precision = 0;
    std::uint8_t scale = 0;

    // Exact text with exactly `scale` fraction digits: "-12.340".
    std::string toString() const;
    double toDouble() const;
    bool isZero() const { return magnitude == std::array<std::uint32_t, 4>{}; }
    // The same number with `digits` fraction digits, exactly; nothing when
    // that would drop a digit that is not zero or outgrow the 128 bits.
    std::optional<Decimal> atScale(std::uint8_t digits) const;
    bool operator==(const Decimal&) const = default;
};

struct CalendarDateTime {
    int year = 0, month = 0, day = 0, hour = 0, minute = 0, second = 0, millisecond = 0;
    bool operator==(const CalendarDateTime&) const = default;
};

// Calendar date and time of a stored Jet date, rounded to the millisecond.
// For negative values the whole part counts days back from 1899-12-30 and the
// fraction, in absolute value, is the time of day. Nothing for values that are
// no date (not finite, or outside the years 1 to 9999).
std::optional<CalendarDateTime> toCalendar(double serial);
// "YYYY-MM-DD HH:MM:SS", with ".mmm" when the milliseconds are not zero.
std::string formatDateTime(const CalendarDateTime& dt);
// Exact decimal with four fraction digits: -12.3400.
std::string formatCurrency(std::int64_t scaled);
// {XXXXXXXX-XXXX-XXXX-XXXX-XXXXXXXXXXXX}, upper case.
std::string formatGuid(const GuidBytes& guid);
// "YYYY-MM-DD HH:MM:SS", then "." and the fraction of the second without
// trailing zeros when it is not zero (up to 7 digits).
std::string formatDateTimeExtended(std::int64_t ticks);

class Value {
public:
    enum class Kind { Null, Boolean, Integer, Single, Double, Currency, DateTime, Text, Binary, Guid, Decimal,
                      DateTimeExtended };

    Value() = default;
    static Value boolean(bool b);
    static Value integer(std::int64_t i);
    static Value single(float f);
    static Value real(double d);
    static Value currency(std::int64_t scaled);
    static Value dateTime(double serial);
    static Value text(std::string utf8);
    static Value binary(std::span<const std::uint8_t> bytes);
    static Value guid(const GuidBytes& g);
    static Value decimal(const Decimal& d);
    static Value dateTimeExtended(std::int64_t ticks);

    Kind kind() const { return kind_; }
    bool isNull() const { return kind_ == Kind::Null; }

    // Typed access; each requires the matching kind (Error ConversionError, 3421, otherwise).
    bool asBool() const;
    std::int64_t asInteger() const;
    float asSingle() const;
    double asDouble() const;
    std::int64_t currencyScaled() const;
    double dateTimeSerial() const;
    std::optional<CalendarDateTime> calendar() const { return toCalendar(dateTimeSerial()); }
    const std::string& text() const;                // Text: UTF-8
    std::span<const std::uint8_t> bytes() const;    // Binary
    GuidBytes guidValue() const;
    const Decimal& decimalValue() const;
    std::int64_t dateTimeExtendedTicks() const;

    // The value as text, the way a bound text box shows it; Null raises
    // Error 94 ("Invalid use of Null").
    std::string toText() const;

    // Setters that keep the text/byte buffer's capacity, for decoding rows
    // without a heap allocation per field.
    void setNull() { kind_ = Kind::Null; }
    void setBoolean(bool b);
    void setInteger(std::int64_t i);
    void setSingle(float f);
    void setDouble(double d);
    void setCurrency(std::int64_t scaled);
    void setDateTime(double serial);
    std::string& setText();    // cleared buffer to fill with UTF-8
    std::string& setBinary();  // cleared buffer to fill with bytes
    void setGuid(const GuidBytes& g);
    void setDecimal(const Decimal& d);
    void setDateTimeExtended(std::int64_t ticks);

private:
    void require(Kind k) const;

    Kind kind_ = Kind::Null;
    std::int64_t integer_ = 0;
    double real_ = 0;
    float single_ = 0;
    std::string buffer_;  // text, bytes or the 16 GUID bytes
    Decimal decimal_;
};

// Kinds compared as numbers, and the number such a value compares as (Jet's
// True is -1); 0 for other kinds.
bool isNumericKind(Value::Kind k);
double numericValue(const Value& v);

// Whether a stored value equals a sought one the way Jet's "=" does: text
// without regard to letter case, numbers by value; Null equals nothing.
bool jetEquals(const Value& stored, const Value& sought);

}  // namespace jet
