#pragma once

#include <algorithm>
#include <array>
#include <cstdint>

// The show's steps: what each tick of the step timer does once the step count
// has reached `count`. Counts not listed do nothing.

enum class Action : std::uint8_t {
    Or,                  // OR every byte with `value`
    Xor,                 // XOR every byte with `value`
    RandomXor,           // XOR with the low byte of -16 x RandomBelow(`value`)
    Reload,              // reload the picture file
    ReloadThenXor,       // reload, then XOR with `value`
    SetFlickerInterval,  // the flicker timer's interval becomes `value` ms
};

struct Step {
    std::int32_t count;
    Action action;
    std::uint32_t value;
};

inline constexpr std::uint32_t kShowFlickerInterval = 30;

// clang-format off
inline constexpr std::array kSteps = {
    Step{1,  Action::Or, 6},      // the picture washes out step by step
    Step{2,  Action::Or, 12},
    Step{3,  Action::Or, 18},
    Step{4,  Action::Or, 24},
    Step{5,  Action::Or, 30},
    Step{6,  Action::Or, 36},
    Step{7,  Action::Or, 42},
    Step{8,  Action::Reload, 0},  // the clean picture comes back
    Step{10, Action::Xor, 255},   // negative
    Step{12, Action::RandomXor, 15},
    Step{13, Action::RandomXor, 15},
    Step{14, Action::RandomXor, 15},
    Step{15, Action::RandomXor, 15},
    Step{16, Action::RandomXor, 15},
    Step{17, Action::RandomXor, 15},
    Step{18, Action::RandomXor, 15},
    Step{19, Action::RandomXor, 15},
    Step{20, Action::RandomXor, 15},
    Step{21, Action::RandomXor, 15},
    Step{22, Action::RandomXor, 15},
    Step{23, Action::RandomXor, 15},
    Step{24, Action::RandomXor, 15},
    Step{25, Action::ReloadThenXor, 255},  // the clean picture as a negative
    Step{26, Action::Xor, 0},              // a refresh only
    Step{31, Action::Or, 255},             // white
    Step{32, Action::Xor, 255},            // black
    Step{34, Action::SetFlickerInterval, 600},
};
// clang-format on

static_assert(std::is_sorted(kSteps.begin(), kSteps.end(),
                             [](const Step& a, const Step& b) { return a.count < b.count; }));
static_assert(kSteps[6].value == 7 * 6);

constexpr const Step* FindStep(std::int32_t count) {
    auto it = std::lower_bound(kSteps.begin(), kSteps.end(), count,
                               [](const Step& step, std::int32_t c) { return step.count < c; });
    return it != kSteps.end() && it->count == count ? &*it : nullptr;
}

// The XOR value of a colour flip for the draw r: 0, F0, E0, ... 20; never 10.
constexpr std::uint8_t FlipValue(std::uint32_t r) {
    return static_cast<std::uint8_t>(0u - 16u * r);
}

static_assert(FlipValue(0) == 0 && FlipValue(1) == 0xF0 && FlipValue(14) == 0x20);
