#pragma once

#include <cstdint>

struct TimeOfDay;

// The one pseudo-random generator of the process: a 32-bit linear congruential
// state, seeded once from the UTC time of day. Its arithmetic and the order of
// draws are fixed, so one seed always yields the same show.
class RandomSource {
public:
    void SeedFromClock(const TimeOfDay& utc);
    // A value in 0 ... n - 1 (0 when n is 0); every call advances the state.
    std::uint32_t RandomBelow(std::uint32_t n);

    [[nodiscard]] std::uint32_t State() const { return m_state; }
    void SetState(std::uint32_t state) { m_state = state; }

private:
    std::uint32_t m_state = 0;
};
