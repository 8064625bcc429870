// A moment in UTC as the clock tick stores it.
#pragma once

namespace muv {

struct UtcTime {
    int year = 2000;
    int month = 1;
    int day = 1;
    int hour = 0;
    int minute = 0;
    int second = 0;
    int millisecond = 0;
};

// The system's present UTC time.
UtcTime SystemUtcNow();

}  // namespace muv
