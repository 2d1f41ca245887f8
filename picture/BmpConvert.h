#pragma once

#include <array>
#include <cstdint>

#include "picture/PixelRows.h"

class ByteSource;

// How the pixel data of a bitmap that is not uncompressed 24-bit is stored.
enum class BmpEncoding : std::uint8_t { kIndexed, kBitFields, kRle8, kRle4, kRle24 };

using BgrColour = std::array<std::uint8_t, 3>;  // blue, green, red

struct BmpPixelFormat {
    BmpEncoding encoding = BmpEncoding::kIndexed;
    std::uint16_t bit_count = 0;
    std::array<std::uint32_t, 3> masks{};  // red, green, blue; kBitFields only
    // Indices past the file's colour table stay black.
    std::array<BgrColour, 256> palette{};
};

// Decodes at most `limit` bytes of pixel data from `source` into the 24-bit
// `rows`, stored line by stored line in the rows' own order. Every pixel the
// data leaves undefined (a short file, a skip in run-length data) is black.
void ConvertPixels(ByteSource& source, std::uint64_t limit, const BmpPixelFormat& format,
                   PixelRows& rows);
