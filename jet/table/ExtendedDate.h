#pragma once
// A Date/Time Extended value (Access 2019 and later) as stored, in a row and
// in an index key: 42 ASCII bytes, 19 digits of days since 0001-01-01, ':',
// 19 digits of 100-nanosecond ticks of the day, ':', the column's precision
// (one digit, the column's scale), NUL.
#include <cstdint>
#include <optional>
#include <span>
#include <string>

namespace jet {

inline constexpr std::size_t kExtendedDateSize = 42;

// The value as ticks since 0001-01-01 00:00:00, or nothing when the bytes are
// not of that form or name a time outside the years 1 to 9999.
std::optional<std::int64_t> readExtendedDate(std::span<const std::uint8_t> bytes);

// The stored bytes of `ticks` (0 or more) in a column of precision `precision` (0-9).
std::string extendedDateBytes(std::int64_t ticks, int precision);

}  // namespace jet
