#include "common/utc_time.h"

#include <chrono>
#include <ctime>

namespace muv {

UtcTime SystemUtcNow() {
    auto now = std::chrono::system_clock::now();
    std::time_t t = std::chrono::system_clock::to_time_t(now);
    std::tm tm{};
    gmtime_r(&t, &tm);
    auto ms = std::chrono::duration_cast<std::chrono::milliseconds>(now.time_since_epoch()).count() % 1000;
    return UtcTime{tm.tm_year + 1900, tm.tm_mon + 1, tm.tm_mday,          tm.tm_hour,
                   tm.tm_min,         tm.tm_sec,     static_cast<int>(ms)};
}

}  // namespace muv
