#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>

#include "picture/PixelStorage.h"

// The row storage of a 24-bit picture: H rows of `stride` bytes, each row
// 3 bytes a pixel (blue, green, red) followed by filler up to a multiple of 4.
// The rows lie in the order the file stored them; `top_down` says which.
struct PixelRows {
    PixelLayout layout;
    std::unique_ptr<PixelStorage> storage;
    std::uint8_t* base = nullptr;

    [[nodiscard]] std::int32_t Width() const { return layout.width; }
    [[nodiscard]] std::int32_t Height() const { return layout.height; }
    [[nodiscard]] bool Empty() const { return layout.width == 0 || layout.height == 0; }
    // The bytes that the effects change in each row.
    [[nodiscard]] std::size_t RunLength() const {
        return static_cast<std::size_t>(layout.width) * 3;
    }
    // Row r counted from the top as the picture is shown; r must be in range.
    [[nodiscard]] std::uint8_t* Row(std::int32_t r) const {
        auto from_start = static_cast<std::size_t>(layout.top_down ? r : layout.height - 1 - r);
        return base + from_start * layout.stride;
    }
};
