#include <gtest/gtest.h>

#include <array>
#include <string>
#include <vector>

#include "core/Messages.h"
#include "core/ShowError.h"
#include "picture/BmpLoader.h"
#include "picture/ByteSource.h"
#include "tests/support/BmpBuilder.h"

namespace {

using Bytes = std::vector<std::uint8_t>;
using Bgr = std::array<std::uint8_t, 3>;

std::optional<PixelRows> Load(const Bytes& bytes) {
    SpanSource source(bytes);
    return LoadBmp(source);
}

std::string LoadError(const Bytes& bytes) {
    try {
        Load(bytes);
    } catch (const ShowError& e) {
        return e.what();
    }
    return "";
}

const std::string kInvalid(messages::kInvalidBitmap);
constexpr Bgr kBlack{0, 0, 0};

Bgr At(const PixelRows& rows, std::int32_t r, std::int32_t x) {
    const std::uint8_t* p = rows.Row(r) + x * 3;
    return {p[0], p[1], p[2]};
}

Bgr Colour(unsigned i) {
    return {static_cast<std::uint8_t>(i * 3 + 1), static_cast<std::uint8_t>(i * 5 + 2),
            static_cast<std::uint8_t>(255 - i)};
}

Bytes Table(unsigned entries, unsigned entry_size) {
    Bytes out;
    for (unsigned i = 0; i < entries; ++i) {
        Bgr c = Colour(i);
        out.insert(out.end(), c.begin(), c.end());
        if (entry_size == 4) out.push_back(0x77);
    }
    return out;
}

Bytes Le32(std::initializer_list<std::uint32_t> values) {
    Bytes out;
    for (std::uint32_t v : values) {
        for (int i = 0; i < 4; ++i) out.push_back(static_cast<std::uint8_t>(v >> (8 * i)));
    }
    return out;
}

// Uncompressed palette rows, bottom row first, leftmost pixel in the high bits,
// each row padded with 0xFF to 4 bytes.
Bytes PackIndices(unsigned bits, std::int32_t width, std::int32_t height) {
    Bytes out;
    const std::size_t stride = (static_cast<std::size_t>(width) * bits + 31) / 32 * 4;
    for (std::int32_t r = height - 1; r >= 0; --r) {
        Bytes row(stride, 0);
        for (std::int32_t x = 0; x < width; ++x) {
            unsigned index = static_cast<unsigned>(r * 3 + x) % (1u << bits);
            auto bit = static_cast<std::size_t>(x) * bits;
            row[bit / 8] |= static_cast<std::uint8_t>(index << (8 - bits - bit % 8));
        }
        for (std::size_t i = (static_cast<std::size_t>(width) * bits + 7) / 8; i < stride; ++i) {
            row[i] = 0xFF;
        }
        out.insert(out.end(), row.begin(), row.end());
    }
    return out;
}

using DepthAndHeader = std::pair<unsigned /*bits*/, std::uint32_t /*header size*/>;
class PaletteDepths : public testing::TestWithParam<DepthAndHeader> {};

TEST_P(PaletteDepths, IndicesTakeTheirTableColours) {
    auto [bits, header] = GetParam();
    const unsigned entries = 1u << bits;
    auto rows = Load(BmpBuilder{}
                         .HeaderSize(header)
                         .BitCount(static_cast<std::uint16_t>(bits))
                         .Width(5)
                         .Height(3)
                         .Between(Table(entries, header == 12 ? 3 : 4))
                         .Pixels(PackIndices(bits, 5, 3))
                         .Bytes());
    ASSERT_TRUE(rows);
    EXPECT_EQ(rows->layout.stride, 16u);
    for (std::int32_t r = 0; r < 3; ++r) {
        for (std::int32_t x = 0; x < 5; ++x) {
            EXPECT_EQ(At(*rows, r, x), Colour(static_cast<unsigned>(r * 3 + x) % entries))
                << "row " << r << " x " << x;
        }
    }
}

INSTANTIATE_TEST_SUITE_P(Depths, PaletteDepths,
                         testing::Values(DepthAndHeader{1, 40}, DepthAndHeader{2, 40},
                                         DepthAndHeader{4, 40}, DepthAndHeader{8, 40},
                                         DepthAndHeader{1, 12}, DepthAndHeader{4, 12},
                                         DepthAndHeader{8, 12}, DepthAndHeader{8, 124}));

TEST(BmpConvert, MissingColoursAndMissingPixelsAreBlack) {
    // Two table entries, indices 0, 1, 2 and 255; the file ends after six pixels
    // of the second (top) row.
    Bytes pixels{2, 255, 0, 1, 0, 1, 0, 1, 0, 1, 0, 1};
    auto rows = Load(BmpBuilder{}
                         .BitCount(8)
                         .ColoursUsed(2)
                         .Width(8)
                         .Height(2)
                         .Between(Table(2, 4))
                         .Pixels(pixels)
                         .Bytes());
    ASSERT_TRUE(rows);
    EXPECT_EQ(At(*rows, 1, 0), kBlack);
    EXPECT_EQ(At(*rows, 1, 1), kBlack);
    EXPECT_EQ(At(*rows, 1, 3), Colour(1));
    EXPECT_EQ(At(*rows, 0, 3), Colour(1));
    // Undefined pixels are black, not the first colour, as the zeros of a short 24-bit file.
    EXPECT_EQ(At(*rows, 0, 4), kBlack);
    EXPECT_EQ(At(*rows, 0, 7), kBlack);
}

TEST(BmpConvert, TwoBitFileWithoutCountReadsFourColours) {
    auto rows = Load(BmpBuilder{}
                         .BitCount(2)
                         .Width(4)
                         .Height(1)
                         .Between(Table(4, 4))
                         .Pixels({0x1B, 0, 0, 0})
                         .Bytes());
    ASSERT_TRUE(rows);
    for (std::int32_t x = 0; x < 4; ++x)
        EXPECT_EQ(At(*rows, 0, x), Colour(static_cast<unsigned>(x)));
}

TEST(BmpConvert, DefaultMasksOf16And32Bits) {
    // 5-5-5 with the top bit unused; a full channel becomes 255, 1 of 31 becomes 8.
    auto rows16 = Load(BmpBuilder{}
                           .BitCount(16)
                           .Width(3)
                           .Height(1)
                           .Pixels({0xFF, 0xFF, 0x00, 0x7C, 0x01, 0x00, 0, 0})
                           .Bytes());
    ASSERT_TRUE(rows16);
    EXPECT_EQ(At(*rows16, 0, 0), (Bgr{255, 255, 255}));
    EXPECT_EQ(At(*rows16, 0, 1), (Bgr{0, 0, 255}));
    EXPECT_EQ(At(*rows16, 0, 2), (Bgr{8, 0, 0}));
    auto rows32 =
        Load(BmpBuilder{}.BitCount(32).Width(1).Height(1).Pixels(Le32({0xAA112233})).Bytes());
    ASSERT_TRUE(rows32);
    EXPECT_EQ(At(*rows32, 0, 0), (Bgr{0x33, 0x22, 0x11}));
}

// Red 0x0F00, green 0x00F0, blue 0x000F, alpha 0xF000 on 16 bits.
const Bytes k4444 = Le32({0x0F00, 0x00F0, 0x000F, 0xF000});
const Bytes k4444Pixels{0x8F, 0xF1, 0x00, 0x00};  // alpha 15, red 1, green 8, blue 15

TEST(BmpConvert, MasksAfterA40ByteHeaderOrInsideLongerOnes) {
    const Bgr expected{255, 136, 17};
    for (std::uint32_t header : {40u, 52u, 56u, 108u, 124u}) {
        BmpBuilder builder;
        builder.HeaderSize(header).BitCount(16).Compression(3).Width(1).Height(1).Pixels(
            k4444Pixels);
        if (header == 40) {
            builder.Between(Bytes(k4444.begin(), k4444.begin() + 12));
        } else {
            builder.HeaderTail(k4444);
        }
        auto rows = Load(builder.Bytes());
        ASSERT_TRUE(rows) << header;
        EXPECT_EQ(At(*rows, 0, 0), expected) << header;
    }
    // Alpha bit fields: four masks after the header, alpha dropped.
    auto rows = Load(BmpBuilder{}
                         .BitCount(16)
                         .Compression(6)
                         .Width(1)
                         .Height(1)
                         .Between(k4444)
                         .Pixels(k4444Pixels)
                         .Bytes());
    ASSERT_TRUE(rows);
    EXPECT_EQ(At(*rows, 0, 0), expected);
    // A header of 44 bytes holds only one of the masks.
    EXPECT_EQ(LoadError(BmpBuilder{}.HeaderSize(44).BitCount(16).Compression(3).Bytes()), kInvalid);
}

TEST(BmpConvert, EmptyAndOneBitMasks) {
    // Red none, green the top bit, blue all the rest.
    auto rows = Load(BmpBuilder{}
                         .BitCount(32)
                         .Compression(3)
                         .Width(2)
                         .Height(1)
                         .Between(Le32({0, 0x80000000, 0x7FFFFFFF}))
                         .Pixels(Le32({0xFFFFFFFF, 0x3FFFFFFF}))
                         .Bytes());
    ASSERT_TRUE(rows);
    EXPECT_EQ(At(*rows, 0, 0), (Bgr{255, 255, 0}));
    EXPECT_EQ(At(*rows, 0, 1), (Bgr{127, 0, 0}));  // just under half
}

Bytes Rle(unsigned bits, std::int32_t width, std::int32_t height, Bytes data,
          bool top_down = false) {
    return BmpBuilder{}
        .BitCount(static_cast<std::uint16_t>(bits))
        .Compression(bits == 8 ? 1 : 2)
        .Width(width)
        .Height(height)
        .TopDown(top_down)
        .Between(Table(1u << bits, 4))
        .Pixels(std::move(data))
        .Bytes();
}

TEST(BmpConvert, RunLength8RunsLiteralsAndEscapes) {
    // Bottom line: a run of 2 of colour 5, a literal of 3 (padded), end of line.
    // Next line: jump 1 right and 1 up, a run that crosses the right edge.
    // Top line: nothing but the end of the bitmap; it stays black.
    auto rows = Load(Rle(8, 4, 4, {2, 5, 0, 3, 7, 8, 9, 0, 0, 0,  //
                                   0, 2, 1, 1, 9, 6, 0, 1, 4, 4}));
    ASSERT_TRUE(rows);
    EXPECT_EQ(At(*rows, 3, 0), Colour(5));
    EXPECT_EQ(At(*rows, 3, 1), Colour(5));
    EXPECT_EQ(At(*rows, 3, 2), Colour(7));
    EXPECT_EQ(At(*rows, 3, 3), Colour(8));  // colour 9 fell off the line
    EXPECT_EQ(At(*rows, 2, 0), kBlack);
    EXPECT_EQ(At(*rows, 1, 0), kBlack);  // skipped by the jump
    EXPECT_EQ(At(*rows, 1, 1), Colour(6));
    EXPECT_EQ(At(*rows, 1, 3), Colour(6));
    EXPECT_EQ(At(*rows, 0, 0), kBlack);  // the run did not wrap
    EXPECT_EQ(At(*rows, 0, 3), kBlack);  // after the end of the bitmap
}

TEST(BmpConvert, RunLength4AlternatesHalves) {
    // A run of 3 of colours 1 and 2; a literal of 5 (three bytes, padded).
    auto rows = Load(Rle(4, 8, 1, {3, 0x12, 0, 5, 0x34, 0x56, 0x70, 0, 0, 1}));
    ASSERT_TRUE(rows);
    const unsigned want[8] = {1, 2, 1, 3, 4, 5, 6, 7};
    for (std::int32_t x = 0; x < 8; ++x) EXPECT_EQ(At(*rows, 0, x), Colour(want[x])) << x;
}

TEST(BmpConvert, TopDownRunLengthStartsAtTheTop) {
    auto rows = Load(Rle(8, 1, 2, {1, 3, 0, 0, 1, 4, 0, 1}, true));
    ASSERT_TRUE(rows);
    EXPECT_EQ(At(*rows, 0, 0), Colour(3));
    EXPECT_EQ(At(*rows, 1, 0), Colour(4));
}

TEST(BmpConvert, HostileRunLengthStaysInsideTheRows) {
    // Jumps far past the picture, runs at the last line, literals cut short:
    // the heap allocator's exact blocks let the address sanitizer catch strays.
    Bytes data;
    for (int i = 0; i < 300; ++i) data.insert(data.end(), {0, 2, 255, 0, 255, 9});
    data.insert(data.end(), {0, 2, 0, 0, 0, 0, 1, 0x11, 0, 255});
    for (unsigned bits : {4u, 8u}) {
        auto rows = Load(Rle(bits, 3, 2, data));
        ASSERT_TRUE(rows);
        EXPECT_EQ(At(*rows, 0, 0), Colour(bits == 8 ? 0x11 : 1));
        EXPECT_EQ(At(*rows, 0, 2), kBlack);  // the literal's bytes ended with the file
    }
}

TEST(BmpConvert, RunLength24InTheLongShortHeader) {
    // A run of 2 of one colour, a literal of three pixels (9 bytes, padded).
    auto rows = Load(BmpBuilder{}
                         .HeaderSize(64)
                         .BitCount(24)
                         .Compression(4)
                         .Width(5)
                         .Height(1)
                         .Pixels({2, 10, 20, 30, 0, 3, 40, 50, 60, 1, 2, 3, 4, 5, 6, 0, 0, 1})
                         .Bytes());
    ASSERT_TRUE(rows);
    EXPECT_EQ(At(*rows, 0, 1), (Bgr{10, 20, 30}));
    EXPECT_EQ(At(*rows, 0, 2), (Bgr{40, 50, 60}));
    EXPECT_EQ(At(*rows, 0, 4), (Bgr{4, 5, 6}));
}

TEST(BmpConvert, ImageSizeLimitsConvertedData) {
    auto rows = Load(BmpBuilder{}
                         .BitCount(8)
                         .ColoursUsed(4)
                         .Width(1)
                         .Height(2)
                         .ImageSize(4)
                         .Between(Table(4, 4))
                         .Pixels({1, 0, 0, 0, 2, 0, 0, 0})
                         .Bytes());
    ASSERT_TRUE(rows);
    EXPECT_EQ(At(*rows, 1, 0), Colour(1));
    EXPECT_EQ(At(*rows, 0, 0), kBlack);
}

TEST(BmpConvert, ZeroWidthKeepsItsRowsInEveryKind) {
    for (auto bytes : {BmpBuilder{}.BitCount(8).Width(0).Height(3).Between(Table(256, 4)).Bytes(),
                       BmpBuilder{}.BitCount(32).Width(0).Height(3).Bytes(),
                       Rle(8, 0, 3, {4, 1, 0, 0, 4, 1, 0, 1})}) {
        auto rows = Load(bytes);
        ASSERT_TRUE(rows);
        EXPECT_EQ(rows->Height(), 3);
        EXPECT_EQ(rows->RunLength(), 0u);
    }
}

TEST(BmpConvert, RefusesWhatNoConversionTakes) {
    const std::pair<std::uint16_t, std::uint32_t> refused[] = {
        {0, 4},  {0, 5},  // JPEG, PNG data
        {1, 3},           // Huffman-coded
        {64, 0}, {30000, 0}, {24, 3}, {8, 2}, {4, 1}, {16, 1}, {24, 4}, {8, 7},
    };
    for (auto [bits, compression] : refused) {
        EXPECT_EQ(LoadError(BmpBuilder{}.BitCount(bits).Compression(compression).Gap(1024).Bytes()),
                  kInvalid)
            << bits << " bits, compression " << compression;
    }
}

}  // namespace
