#include "core/RandomSource.h"

#include "core/TimeOfDay.h"

void RandomSource::SeedFromClock(const TimeOfDay& utc) {
    m_state =
        ((std::uint32_t{utc.hour} * 60 + utc.minute) * 60 + utc.second) * 1000 + utc.millisecond;
}

std::uint32_t RandomSource::RandomBelow(std::uint32_t n) {
    m_state = m_state * 0x08088405u + 1u;
    return static_cast<std::uint32_t>((std::uint64_t{n} * m_state) >> 32);
}
