#pragma once
// The current local time as an OLE date (days since 1899-12-30), as Jet
// stamps the objects it creates.
#include <ctime>

namespace jet {

inline double oleNow() {
    const std::time_t t = std::time(nullptr);
    std::tm local{};
    localtime_r(&t, &local);
    const std::time_t asUtc = timegm(&local);  // local wall-clock time read as UTC
    constexpr double kEpochOffsetDays = 25569.0;  // 1899-12-30 to 1970-01-01
    return kEpochOffsetDays + static_cast<double>(asUtc) / 86400.0;
}

}  // namespace jet
