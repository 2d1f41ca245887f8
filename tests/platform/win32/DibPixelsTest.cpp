#include <gtest/gtest.h>

#include "picture/PixelRows.h"
#include "platform/win32/DibPixels.h"
#include "platform/win32/WideText.h"
#include "platform/win32/WindowsApi.h"

namespace {

// The rows the loader would make of a DIB-backed storage.
PixelRows DibRows(DibPixels& pixels, std::int32_t width, std::int32_t height, bool top_down) {
    const PixelLayout layout{width, height, (static_cast<std::size_t>(width) * 3 + 3) / 4 * 4,
                             top_down};
    return PixelRows(layout, pixels.Allocate(layout));
}

void Fill(std::uint8_t* pixel, std::int32_t count, COLORREF colour) {
    for (std::int32_t i = 0; i < count; ++i) {
        pixel[3 * i] = GetBValue(colour);
        pixel[3 * i + 1] = GetGValue(colour);
        pixel[3 * i + 2] = GetRValue(colour);
    }
}

// What the window system draws at (x, y) of the storage's bitmap.
COLORREF DrawnPixel(const PixelRows& rows, int x, int y) {
    HDC dc = CreateCompatibleDC(nullptr);
    HGDIOBJ previous = SelectObject(dc, static_cast<HBITMAP>(DibSectionOf(rows.Storage())));
    const COLORREF pixel = GetPixel(dc, x, y);
    SelectObject(dc, previous);
    DeleteDC(dc);
    return pixel;
}

constexpr COLORREF kRed = RGB(255, 0, 0);
constexpr COLORREF kBlue = RGB(0, 0, 255);

// Row 0 is the top row as the picture is shown, whichever order the file
// stored its rows in; the window must draw it at the top too.
TEST(DibPixels, RowZeroIsDrawnAtTheTopForBothRowOrders) {
    DibPixels pixels;
    for (bool top_down : {false, true}) {
        SCOPED_TRACE(top_down ? "top-down" : "bottom-up");
        PixelRows rows = DibRows(pixels, 5, 3, top_down);
        ASSERT_NE(rows.Data(), nullptr);
        ASSERT_NE(DibSectionOf(rows.Storage()), nullptr);
        Fill(rows.Row(0), 5, kRed);
        Fill(rows.Row(1), 5, RGB(0, 255, 0));
        Fill(rows.Row(2), 5, kBlue);
        GdiFlush();
        EXPECT_EQ(DrawnPixel(rows, 0, 0), kRed);
        EXPECT_EQ(DrawnPixel(rows, 4, 0), kRed);
        EXPECT_EQ(DrawnPixel(rows, 4, 2), kBlue);
    }
}

// A 5-pixel row is 15 bytes padded to 16: the next row starts where the
// picture expects it.
TEST(DibPixels, RowsArePaddedAsThePictureExpects) {
    DibPixels pixels;
    PixelRows rows = DibRows(pixels, 5, 2, false);
    ASSERT_NE(rows.Data(), nullptr);
    EXPECT_EQ(rows.layout.stride, 16u);
    Fill(rows.Row(0), 5, kRed);
    Fill(rows.Row(1), 5, kBlue);
    GdiFlush();
    EXPECT_EQ(DrawnPixel(rows, 0, 1), kBlue);
    EXPECT_EQ(DrawnPixel(rows, 0, 0), kRed);
}

TEST(DibPixels, EmptyOrOddLayoutsFallBackToTheHeap) {
    DibPixels pixels;
    for (PixelLayout layout :
         {PixelLayout{0, 0, 0, false}, PixelLayout{0, 7, 0, false}, PixelLayout{2, 2, 12, false}}) {
        std::unique_ptr<PixelStorage> storage = pixels.Allocate(layout);
        ASSERT_NE(storage, nullptr);
        EXPECT_EQ(DibSectionOf(storage.get()), nullptr);
    }
}

TEST(WideText, ConvertsDoubleByteCharactersToThemselves) {
    // "：；" and "ＭＳ Ｐゴシック"
    EXPECT_EQ(WideFromCp932(" \x81\x46 \x81\x47"), L" \uFF1A \uFF1B");
    EXPECT_EQ(WideFromCp932("\x82\x6c\x82\x72 \x82\x6f\x83\x53\x83\x56\x83\x62\x83\x4e"),
              L"\uFF2D\uFF33 \uFF30\u30B4\u30B7\u30C3\u30AF");
    EXPECT_EQ(WideFromCp932(""), L"");
}

}  // namespace
