#pragma once

#include <cstdint>

// A UTC time of day as the platform clock reports it; the date plays no part.
struct TimeOfDay {
    std::uint16_t hour = 0;         // 0-23
    std::uint16_t minute = 0;       // 0-59
    std::uint16_t second = 0;       // 0-59
    std::uint16_t millisecond = 0;  // 0-999
};

inline constexpr std::int64_t kMillisPerDay = 86'400'000;

// The time of day `ms` milliseconds after midnight, whole days dropped; a
// negative count reaches back into the day before.
[[nodiscard]] constexpr TimeOfDay TimeOfDayFromMillis(std::int64_t ms) {
    const auto of_day =
        static_cast<std::uint32_t>((ms % kMillisPerDay + kMillisPerDay) % kMillisPerDay);
    return TimeOfDay{static_cast<std::uint16_t>(of_day / 3'600'000),
                     static_cast<std::uint16_t>(of_day / 60'000 % 60),
                     static_cast<std::uint16_t>(of_day / 1000 % 60),
                     static_cast<std::uint16_t>(of_day % 1000)};
}

// Milliseconds since midnight.
[[nodiscard]] constexpr std::int64_t MillisOfDay(const TimeOfDay& t) {
    return ((std::int64_t{t.hour} * 60 + t.minute) * 60 + t.second) * 1000 + t.millisecond;
}
