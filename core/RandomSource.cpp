#include "core/RandomSource.h"

#include "core/TimeOfDay.h"

void RandomSource::SeedFromClock(const TimeOfDay& utc) {
    m_state =
        ((std::uint32_t{utc.hour} * 60 + utc.minute) * 60 + utc.second) * 1000 + utc.millisecond;
}
