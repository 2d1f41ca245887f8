#include <gtest/gtest.h>

#include <string>
#include <tuple>
#include <vector>

#include "core/Messages.h"
#include "core/ShowError.h"
#include "picture/BmpLoader.h"
#include "picture/ByteSource.h"
#include "tests/support/BmpBuilder.h"

namespace {

std::optional<PixelRows> Load(const std::vector<std::uint8_t>& bytes) {
    SpanSource source(bytes);
    return LoadBmp(source);
}

// The message a load raises, or "" when it succeeds.
std::string LoadError(const std::vector<std::uint8_t>& bytes) {
    try {
        Load(bytes);
    } catch (const ShowError& e) {
        return e.what();
    }
    return "";
}

const std::string kRead(messages::kReadError);
const std::string kInvalid(messages::kInvalidBitmap);

std::vector<std::uint8_t> Cut(std::vector<std::uint8_t> bytes, std::size_t size) {
    bytes.resize(size);
    return bytes;
}

// Counts how many bytes of the rows' runs differ from the builder's picture;
// filler bytes must never be the file's 0xAB filler copied elsewhere.
int Mismatches(const PixelRows& rows) {
    int bad = 0;
    for (std::int32_t r = 0; r < rows.Height(); ++r) {
        for (std::size_t i = 0; i < rows.RunLength(); ++i) {
            bad += rows.Row(r)[i] != BmpBuilder::Expected(r, i);
        }
    }
    return bad;
}

using HeaderAndOrder = std::pair<std::uint32_t /*header size*/, bool /*top down*/>;
using Layout = std::tuple<HeaderAndOrder, std::int32_t /*width*/>;
class BmpLayouts : public testing::TestWithParam<Layout> {};

TEST_P(BmpLayouts, RowsLoadTopRowFirst) {
    auto [header_and_order, width] = GetParam();
    auto [header, top_down] = header_and_order;
    BmpBuilder builder;
    builder.HeaderSize(header).TopDown(top_down).Width(width).Height(5);
    auto rows = Load(builder.Bytes());
    ASSERT_TRUE(rows);
    EXPECT_EQ(rows->Width(), width);
    EXPECT_EQ(rows->Height(), 5);
    EXPECT_EQ(rows->layout.stride, builder.Stride());
    EXPECT_EQ(Mismatches(*rows), 0) << "header " << header << " top_down " << top_down;
}

INSTANTIATE_TEST_SUITE_P(
    HeadersOrdersWidths, BmpLayouts,
    testing::Combine(testing::Values(HeaderAndOrder{12, false},  // no sign
                                     HeaderAndOrder{40, false}, HeaderAndOrder{40, true},
                                     HeaderAndOrder{108, false}, HeaderAndOrder{108, true},
                                     HeaderAndOrder{124, false}, HeaderAndOrder{124, true}),
                     testing::Values(1, 4, 401)));

TEST(BmpLoader, RowOf401PixelsIsPaddedTo1204) {
    auto rows = Load(BmpBuilder{}.Width(401).Height(1).Bytes());
    ASSERT_TRUE(rows);
    EXPECT_EQ(rows->layout.stride, 1204u);
    EXPECT_EQ(rows->RunLength(), 1203u);
}

TEST(BmpLoader, EmptySourceGivesNoPicture) { EXPECT_FALSE(Load({})); }

TEST(BmpLoader, PixelOffsetFieldIsNotRead) {
    auto rows = Load(BmpBuilder{}.PixelOffset(9999).Bytes());
    ASSERT_TRUE(rows);
    EXPECT_EQ(Mismatches(*rows), 0);
}

TEST(BmpLoader, ColourTableOfA24BitFileIsReadPast) {
    // Two entries of four bytes between the header and the rows.
    auto rows = Load(BmpBuilder{}.ColoursUsed(2).Gap(8).Bytes());
    ASSERT_TRUE(rows);
    EXPECT_EQ(Mismatches(*rows), 0);
    EXPECT_EQ(LoadError(Cut(BmpBuilder{}.ColoursUsed(2).Bytes(), 14 + 40 + 7)), kRead);
}

TEST(BmpLoader, ShortPixelDataLoadsWhatIsThereAndZeros) {
    BmpBuilder builder;
    builder.Width(2).Height(3);  // stride 8, bottom-up: the file's first row is the bottom one
    auto bytes = builder.Bytes();
    auto rows = Load(Cut(bytes, bytes.size() - 8 - 3));
    ASSERT_TRUE(rows);
    EXPECT_EQ(rows->Row(2)[0], BmpBuilder::Expected(2, 0));
    EXPECT_EQ(rows->Row(1)[4], BmpBuilder::Expected(1, 4));
    EXPECT_EQ(rows->Row(1)[5], 0);  // the last five bytes of the middle row are missing
    for (std::size_t i = 0; i < 6; ++i) EXPECT_EQ(rows->Row(0)[i], 0) << i;
}

TEST(BmpLoader, ImageSizeFieldLimitsWhatIsRead) {
    auto rows = Load(BmpBuilder{}.Width(1).Height(2).ImageSize(4).Bytes());
    ASSERT_TRUE(rows);
    EXPECT_EQ(rows->Row(1)[0], BmpBuilder::Expected(1, 0));  // the stored first row
    EXPECT_EQ(rows->Row(0)[0], 0);
}

TEST(BmpLoader, FilesEndingInsideHeadersRaiseTheReadError) {
    auto bytes = BmpBuilder{}.HeaderSize(108).Bytes();
    for (std::size_t size : {1u, 13u, 14u, 17u, 20u, 53u, 100u, 121u}) {
        EXPECT_EQ(LoadError(Cut(bytes, size)), kRead) << "size " << size;
    }
    EXPECT_EQ(LoadError(Cut(BmpBuilder{}.HeaderSize(12).Bytes(), 25)), kRead);
}

TEST(BmpLoader, MasksFollowOnlyA40ByteBitFieldsHeader) {
    // 16 bits with bit fields: the file ends inside the three masks.
    auto bytes = Cut(BmpBuilder{}.BitCount(16).Compression(3).Bytes(), 14 + 40 + 11);
    EXPECT_EQ(LoadError(bytes), kRead);
}

TEST(BmpLoader, RefusesWhatIsNoUncompressed24BitPicture) {
    EXPECT_EQ(LoadError({'B', 'A', 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 40}), kInvalid);
    EXPECT_EQ(LoadError(BmpBuilder{}.Planes(2).Bytes()), kInvalid);
    EXPECT_EQ(LoadError(BmpBuilder{}.HeaderSize(16).Bytes()), kInvalid);
    EXPECT_EQ(LoadError(BmpBuilder{}.HeaderSize(39).Bytes()), kInvalid);
    EXPECT_EQ(LoadError(BmpBuilder{}.ColoursUsed(257).Bytes()), kInvalid);
    EXPECT_EQ(LoadError(BmpBuilder{}.Compression(1).Bytes()), kInvalid);
    EXPECT_EQ(LoadError(BmpBuilder{}.BitCount(64).Bytes()), kInvalid);
    EXPECT_EQ(LoadError(BmpBuilder{}.Width(-4).HeadersOnly().Bytes()), kInvalid);
}

TEST(BmpLoader, RefusesHugePicturesBeforeAllocating) {
    // No pixel data at all: a loader that trusted the sizes would allocate.
    for (auto [w, h] : {std::pair{3'000'000, 2'000'000}, std::pair{0x7fffffff, 1},
                        std::pair{1, 0x7fffffff}, std::pair{0, 0x7fffffff}}) {
        auto header = BmpBuilder{}.Width(w).Height(h).HeadersOnly().Bytes();
        EXPECT_EQ(LoadError(header), kInvalid) << w << " x " << h;
    }
    auto min_height = BmpBuilder{}.HeadersOnly().Bytes();
    min_height[22] = 0, min_height[23] = 0, min_height[24] = 0, min_height[25] = 0x80;
    EXPECT_EQ(LoadError(min_height), kInvalid);
}

// Remembers the storage asked for, and refuses it.
class RecordingPixels final : public PixelAllocator {
public:
    std::unique_ptr<PixelStorage> Allocate(const PixelLayout& layout) noexcept override {
        asked = layout.Size();
        return nullptr;
    }
    std::size_t asked = 0;
};

TEST(BmpLoader, StorageBoundIsExactAndRefusedStorageIsInvalid) {
    // 2^28 bytes exactly: 8192 rows of 32768 bytes; one more row is too many.
    for (auto [bits, width] : {std::pair<std::uint16_t, std::int32_t>{24, 10922},
                               std::pair<std::uint16_t, std::int32_t>{8, 10922}}) {
        for (std::int32_t height : {8192, 8193}) {
            RecordingPixels recorder;
            auto bytes = BmpBuilder{}
                             .BitCount(bits)
                             .Width(width)
                             .Height(height)
                             .Gap(bits == 8 ? 1024 : 0)
                             .HeadersOnly()
                             .Bytes();
            SpanSource source(bytes);
            EXPECT_THROW(LoadBmp(source, recorder), ShowError);
            EXPECT_EQ(recorder.asked, height == 8192 ? kMaxRowStorageBytes : 0u) << bits << " bits";
        }
    }
}

TEST(BmpLoader, ZeroWidthKeepsItsRowsButNoBytes) {
    auto rows = Load(BmpBuilder{}.Width(0).Height(3).Bytes());
    ASSERT_TRUE(rows);
    EXPECT_EQ(rows->Height(), 3);
    EXPECT_EQ(rows->RunLength(), 0u);
    EXPECT_TRUE(rows->Empty());
}

}  // namespace
