#include "jet/table/ExtendedDate.h"

#include <cstdio>

namespace jet {
namespace {

constexpr std::size_t kDigits = 19;
constexpr std::int64_t kTicksPerDay = 864'000'000'000;
constexpr std::int64_t kDaysTo10000 = 3'652'059;  // 10000-01-01 counted from 0001-01-01

}  // namespace

std::optional<std::int64_t> readExtendedDate(std::span<const std::uint8_t> bytes) {
    const auto number = [&](std::size_t at) -> std::optional<std::int64_t> {
        std::int64_t n = 0;
        for (std::size_t i = at; i < at + kDigits; ++i) {
            if (bytes[i] < '0' || bytes[i] > '9' || n > (INT64_MAX - 9) / 10)
                return std::nullopt;
            n = n * 10 + (bytes[i] - '0');
        }
        return n;
    };
    if (bytes.size() < 2 * kDigits + 2 || bytes[kDigits] != ':' || bytes[2 * kDigits + 1] != ':')
        return std::nullopt;
    const auto days = number(0), ofDay = number(kDigits + 1);
    if (!days || !ofDay || *days >= kDaysTo10000 || *ofDay >= kTicksPerDay)
        return std::nullopt;
    return *days * kTicksPerDay + *ofDay;
}

std::string extendedDateBytes(std::int64_t ticks, int precision) {
    char text[kExtendedDateSize + 1];
    std::snprintf(text, sizeof text, "%019lld:%019lld:%c", static_cast<long long>(ticks / kTicksPerDay),
                  static_cast<long long>(ticks % kTicksPerDay), static_cast<char>('0' + precision % 10));
    return std::string(text, kExtendedDateSize);  // the NUL included
}

}  // namespace jet
