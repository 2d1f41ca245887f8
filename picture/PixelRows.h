#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>

// The row storage of a 24-bit picture: H rows of `stride` bytes, each row
// 3 bytes a pixel (blue, green, red) followed by filler up to a multiple of 4.
// The bytes lie in the order the file stored its rows; `top_down` says which.
struct PixelRows {
    std::int32_t width = 0;
    std::int32_t height = 0;
    std::size_t stride = 0;
    bool top_down = false;
    std::unique_ptr<std::uint8_t[]> bytes;

    [[nodiscard]] bool Empty() const { return width == 0 || height == 0; }
    // The bytes that the effects change in each row.
    [[nodiscard]] std::size_t RunLength() const { return static_cast<std::size_t>(width) * 3; }
    // Row r counted from the top as the picture is shown; r must be in range.
    [[nodiscard]] std::uint8_t* Row(std::int32_t r) const {
        auto from_start = static_cast<std::size_t>(top_down ? r : height - 1 - r);
        return bytes.get() + from_start * stride;
    }
};
