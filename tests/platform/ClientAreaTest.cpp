// The one painting of the client area: the picture stretched by nearest pixel
// over its destination, clipped to the client area, the fill elsewhere, in
// each pixel order.
#include <gtest/gtest.h>

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "platform/ClientArea.h"
#include "tests/support/FakeForm.h"

namespace {

// A 2 x 2 picture whose pixels, from the top left, are 'a', 'b', 'c', 'd'.
PixelRows TwoByTwo(bool top_down) {
    const PixelLayout layout{2, 2, 8, top_down};
    PixelRows rows(layout, HeapPixels().Allocate(layout));
    for (std::int32_t y = 0; y < 2; ++y) {
        for (std::int32_t x = 0; x < 2; ++x) {
            std::uint8_t* p = rows.Row(y) + x * 3;
            const Rgb color = {static_cast<std::uint8_t>(0x10 + 2 * y + x), 0x20, 0x30};
            p[0] = color.blue;
            p[1] = color.green;
            p[2] = color.red;
        }
    }
    return rows;
}

constexpr Rgb kFill{0xF0, 0xE0, 0xD0};

// What each pixel shows: '.' the fill, 'a' to 'd' the picture's pixels.
char Shown(const std::uint8_t* p, PixelOrder order) {
    const bool rgba = order == PixelOrder::Rgba32;
    const Rgb color{p[rgba ? 0 : 2], p[1], p[rgba ? 2 : 0]};
    if (BytesPerPixel(order) == 4 && p[3] != 0xFF) return '?';
    if (color == kFill) return '.';
    if (color.green == 0x20 && color.blue == 0x30 && color.red >= 0x10 && color.red < 0x14) {
        return static_cast<char>('a' + color.red - 0x10);
    }
    return '?';
}

TEST(PaintClientArea, StretchesThePictureOverItsDestinationAndFillsTheRest) {
    struct Case {
        const char* what;
        bool picture;
        bool top_down;
        Bounds control;
        Size client;
        std::vector<std::string> shown;
    };
    const std::vector<Case> cases = {
        {"doubled across, rows as stored bottom up",
         true,
         false,
         {1, 1, 4, 2},
         {6, 4},
         {"......", ".aabb.", ".ccdd.", "......"}},
        {"top down, shrunk to one row", true, true, {0, 1, 2, 1}, {3, 3}, {"...", "ab.", "..."}},
        {"clipped at the left and the bottom",
         true,
         false,
         {-2, 2, 4, 4},
         {3, 4},
         {"...", "...", "bb.", "bb."}},
        {"outside the client area", true, false, {5, 0, 2, 2}, {3, 2}, {"...", "..."}},
        {"no picture", false, false, {1, 1, 4, 2}, {3, 2}, {"...", "..."}},
    };
    for (const PixelOrder order : {PixelOrder::Bgr24, PixelOrder::Bgrx32, PixelOrder::Rgba32}) {
        for (const Case& c : cases) {
            const PixelRows picture = TwoByTwo(c.top_down);
            FakeForm form;
            form.picture = c.picture ? &picture : nullptr;
            form.picture_bounds = c.control;
            // Rows two bytes wider than the pixels: the painting leaves the rest.
            const std::size_t bytes = BytesPerPixel(order);
            const std::size_t stride = static_cast<std::size_t>(c.client.width) * bytes + 2;
            std::vector<std::uint8_t> pixels(stride * static_cast<std::size_t>(c.client.height),
                                             0x55);
            PaintClientArea(form, c.client, kFill, order, pixels, stride);
            std::vector<std::string> shown;
            for (std::size_t y = 0; y < static_cast<std::size_t>(c.client.height); ++y) {
                const std::uint8_t* row = pixels.data() + y * stride;
                std::string line;
                for (std::size_t x = 0; x < static_cast<std::size_t>(c.client.width); ++x) {
                    line += Shown(row + x * bytes, order);
                }
                if (row[stride - 2] != 0x55 || row[stride - 1] != 0x55) line += '!';
                shown.push_back(line);
            }
            EXPECT_EQ(shown, c.shown) << c.what << ", order " << static_cast<int>(order);
        }
    }
}

TEST(PaintClientArea, AnEmptyClientAreaIsNotTouched) {
    const PixelRows picture = TwoByTwo(false);
    FakeForm form;
    form.picture = &picture;
    form.picture_bounds = {0, 0, 2, 2};
    std::vector<std::uint8_t> pixels(16, 0x55);
    PaintClientArea(form, {0, 4}, kFill, PixelOrder::Bgrx32, pixels, 4);
    PaintClientArea(form, {4, -1}, kFill, PixelOrder::Bgrx32, pixels, 16);
    EXPECT_EQ(pixels, std::vector<std::uint8_t>(16, 0x55));
}

}  // namespace
