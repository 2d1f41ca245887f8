#pragma once

#include <cstdint>

// A rectangle: left and top edges, width and height, in pixels.
struct Bounds {
    std::int32_t left = 0;
    std::int32_t top = 0;
    std::int32_t width = 0;
    std::int32_t height = 0;

    [[nodiscard]] constexpr std::int32_t Right() const { return left + width; }
    [[nodiscard]] constexpr std::int32_t Bottom() const { return top + height; }
    [[nodiscard]] constexpr bool Empty() const { return width <= 0 || height <= 0; }
    [[nodiscard]] constexpr bool Contains(std::int32_t x, std::int32_t y) const {
        return x >= left && x < Right() && y >= top && y < Bottom();
    }
    friend constexpr bool operator==(const Bounds&, const Bounds&) = default;
};

struct Size {
    std::int32_t width = 0;
    std::int32_t height = 0;
    friend constexpr bool operator==(const Size&, const Size&) = default;
};
