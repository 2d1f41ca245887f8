#pragma once

#include <cstdint>

struct TimeOfDay;

// The one pseudo-random generator of the process: a 32-bit linear congruential
// state, seeded once from the UTC time of day. Its arithmetic and the order of
// draws are fixed, so one seed always yields the same show.
class RandomSource {
public:
    static constexpr std::uint32_t kMultiplier = 0x08088405u;

    void SeedFromClock(const TimeOfDay& utc);
    // A value in 0 ... n - 1 (0 when n is 0); every call advances the state.
    std::uint32_t RandomBelow(std::uint32_t n) {
        m_state = Next(m_state);
        return Below(n, m_state);
    }

    [[nodiscard]] std::uint32_t State() const { return m_state; }
    void SetState(std::uint32_t state) { m_state = state; }

    // The arithmetic of a draw, for code that must make a run of draws in
    // another order than they fall: a draw from state s returns Below(n,
    // Next(s)) and leaves Next(s); Previous undoes Next.
    static constexpr std::uint32_t Next(std::uint32_t s) { return s * kMultiplier + 1u; }
    static constexpr std::uint32_t Previous(std::uint32_t s) { return (s - 1u) * kInverse; }
    static constexpr std::uint32_t Below(std::uint32_t n, std::uint32_t s) {
        return static_cast<std::uint32_t>((std::uint64_t{n} * s) >> 32);
    }
    // The state `steps` draws after `s`, in O(log steps).
    static constexpr std::uint32_t After(std::uint32_t s, std::uint64_t steps) {
        // Composes the affine step x -> a x + c with itself by squaring.
        std::uint32_t a = kMultiplier, c = 1u;
        while (steps != 0) {
            if ((steps & 1u) != 0) s = s * a + c;
            c = c * a + c;
            a = a * a;
            steps >>= 1;
        }
        return s;
    }

private:
    static constexpr std::uint32_t kInverse = 0xd94fa8cdu;  // kMultiplier x kInverse = 1 mod 2^32

    std::uint32_t m_state = 0;
};

static_assert(RandomSource::Next(RandomSource::Previous(777u)) == 777u);
static_assert(RandomSource::Previous(RandomSource::Next(12345u)) == 12345u);
static_assert(RandomSource::After(0u, 2) == RandomSource::Next(RandomSource::Next(0u)));
