#pragma once

// Little-endian integers written into a file's bytes, as bitmap headers hold
// them.

#include <cstddef>
#include <cstdint>
#include <vector>

inline void PutLe(std::vector<std::uint8_t>& out, std::size_t at, std::uint32_t value, int bytes) {
    for (int i = 0; i < bytes; ++i) {
        out[at + static_cast<std::size_t>(i)] = static_cast<std::uint8_t>(value >> (8 * i));
    }
}
