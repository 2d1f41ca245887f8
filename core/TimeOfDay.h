#pragma once

#include <cstdint>

// A UTC time of day as the platform clock reports it; the date plays no part.
struct TimeOfDay {
    std::uint16_t hour = 0;         // 0-23
    std::uint16_t minute = 0;       // 0-59
    std::uint16_t second = 0;       // 0-59
    std::uint16_t millisecond = 0;  // 0-999
};
