#pragma once

// The one writer of bitmap files: the headers, and whole uncompressed 24-bit
// files, as the loader reads them back.

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <span>
#include <vector>

inline constexpr std::size_t kBmpFileHeaderBytes = 14;
inline constexpr std::size_t kBmpInfoHeaderBytes = 40;

// The fields of a file header and the info header that follows it.
struct BmpHeaderFields {
    std::int32_t width = 0;
    std::int32_t height = 0;  // positive: rows stored bottom row first
    std::uint16_t bits = 24;
    std::uint32_t compression = 0;
    std::uint32_t image_bytes = 0;
    std::uint32_t info_bytes = kBmpInfoHeaderBytes;  // 40, or a longer header padded with zeros
    std::int32_t pixels_per_metre = 0;
};

// Writes both headers over the first 14 + info_bytes bytes of `file`, whose
// size is the file's size.
void PutBmpHeaders(std::span<std::uint8_t> file, const BmpHeaderFields& fields);

// A bytes-per-row of a 24-bit bitmap `width` pixels wide: whole 4-byte words.
[[nodiscard]] constexpr std::size_t BmpStride24(std::int32_t width) {
    return (static_cast<std::size_t>(width) * 3 + 3) / 4 * 4;
}

// A whole uncompressed 24-bit bitmap, stored bottom row first; `row(y)` gives
// row y, top row first, width * 3 bytes of blue, green, red.
[[nodiscard]] std::vector<std::uint8_t> EncodeBmp24(
    std::int32_t width, std::int32_t height,
    const std::function<const std::uint8_t*(std::int32_t)>& row);

// Writes `bytes` to `file`; false on failure, and then no file is left.
[[nodiscard]] bool WriteFileBytes(const std::filesystem::path& file,
                                  std::span<const std::uint8_t> bytes);
