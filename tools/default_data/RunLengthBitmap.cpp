#include "tools/default_data/RunLengthBitmap.h"

#include <algorithm>
#include <cstddef>
#include <cstring>

#include "picture/BmpWriter.h"

namespace {

constexpr std::size_t kFileHeaderBytes = kBmpFileHeaderBytes;
constexpr std::size_t kLongHeaderBytes = 64;
constexpr std::uint32_t kRle24 = 4;
// Literal runs take at least 3 pixels; a run or a literal at most 255.
constexpr std::size_t kMinLiteral = 3;
constexpr std::size_t kMaxCount = 255;

std::uint32_t U32(const std::vector<std::uint8_t>& b, std::size_t at) {
    return std::uint32_t{b[at]} | std::uint32_t{b[at + 1]} << 8 | std::uint32_t{b[at + 2]} << 16 |
           std::uint32_t{b[at + 3]} << 24;
}

// One row of `width` pixels: runs of one colour, and literals for stretches
// of single pixels.
void EncodeRow(const std::uint8_t* row, std::size_t width, std::vector<std::uint8_t>& out) {
    const auto same = [row](std::size_t a, std::size_t b) {
        return std::memcmp(row + a * 3, row + b * 3, 3) == 0;
    };
    const auto run_at = [&](std::size_t x) {
        std::size_t n = 1;
        while (x + n < width && n < kMaxCount && same(x, x + n)) ++n;
        return n;
    };
    std::size_t x = 0;
    while (x < width) {
        // Single pixels up to the next run, or the end of the row.
        std::size_t singles = 0;
        while (x + singles < width && singles < kMaxCount && run_at(x + singles) == 1) ++singles;
        if (singles >= kMinLiteral) {
            out.push_back(0);
            out.push_back(static_cast<std::uint8_t>(singles));
            out.insert(out.end(), row + x * 3, row + (x + singles) * 3);
            if (singles * 3 % 2 != 0) out.push_back(0);  // literals end on a 16-bit boundary
            x += singles;
            continue;
        }
        const std::size_t n = std::max<std::size_t>(run_at(x), 1);
        out.push_back(static_cast<std::uint8_t>(n));
        out.insert(out.end(), row + x * 3, row + x * 3 + 3);
        x += n;
    }
}

}  // namespace

std::vector<std::uint8_t> RunLengthBitmap(const std::vector<std::uint8_t>& bmp) {
    if (bmp.size() < kFileHeaderBytes + kBmpInfoHeaderBytes || bmp[0] != 'B' || bmp[1] != 'M' ||
        U32(bmp, 14) != kBmpInfoHeaderBytes || (U32(bmp, 26) & 0xFFFF) != 1 ||
        (U32(bmp, 26) >> 16) != 24 || U32(bmp, 30) != 0) {
        return {};
    }
    const auto width = static_cast<std::int32_t>(U32(bmp, 18));
    const auto height = static_cast<std::int32_t>(U32(bmp, 22));
    const std::size_t offset = U32(bmp, 10);
    if (width <= 0 || height <= 0) return {};
    const std::size_t w = static_cast<std::size_t>(width);
    const std::size_t h = static_cast<std::size_t>(height);
    const std::size_t stride = (w * 3 + 3) / 4 * 4;
    if (offset > bmp.size() || (bmp.size() - offset) / stride < h) return {};

    std::vector<std::uint8_t> out(kFileHeaderBytes + kLongHeaderBytes, 0);
    for (std::size_t y = 0; y < h; ++y) {
        EncodeRow(bmp.data() + offset + y * stride, w, out);
        out.push_back(0);
        out.push_back(y + 1 < h ? 0 : 1);  // end of line; after the last, end of bitmap
    }
    // The long header: the 40-byte one's fields, then 24 bytes of zeros.
    PutBmpHeaders(out, {.width = width,
                        .height = height,
                        .compression = kRle24,
                        .image_bytes = static_cast<std::uint32_t>(out.size() - kFileHeaderBytes -
                                                                  kLongHeaderBytes),
                        .info_bytes = kLongHeaderBytes,
                        .pixels_per_metre = static_cast<std::int32_t>(U32(bmp, 38))});
    return out;
}
