#pragma once

// A picture stretched over an area by nearest pixel: area column x shows
// picture column x * W / width and area row y picture row y * H / height, so
// columns and rows are dropped or repeated. Only the area's pixels are read.

#include <cstddef>
#include <cstdint>
#include <span>

#include "picture/PixelRows.h"

// For each area column (one entry each), the byte offset in a picture row of
// the pixel it shows. The picture must not be empty.
inline void NearestColumnOffsets(const PixelRows& rows, std::span<std::size_t> offsets) {
    const auto w = static_cast<std::int64_t>(rows.Width());
    const auto width = static_cast<std::int64_t>(offsets.size());
    for (std::size_t x = 0; x < offsets.size(); ++x) {
        offsets[x] = static_cast<std::size_t>(static_cast<std::int64_t>(x) * w / width) * 3;
    }
}

// The first byte of the picture row that area row y shows, of `area_height`.
inline const std::uint8_t* NearestRow(const PixelRows& rows, int y, int area_height) {
    const auto h = static_cast<std::int64_t>(rows.Height());
    return rows.Row(static_cast<std::int32_t>(static_cast<std::int64_t>(y) * h / area_height));
}
