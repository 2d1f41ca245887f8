#pragma once

#include <cstdint>
#include <string>

// The title glitch runs while the step count is 10 to 25, both included.
constexpr bool GlitchActive(std::int32_t step_count) {
    return step_count >= 10 && step_count <= 25;
}

// m spaces, a full-width colon, m spaces, a full-width semicolon, in code
// page 932.
std::string GlitchTitle(std::uint32_t m);
