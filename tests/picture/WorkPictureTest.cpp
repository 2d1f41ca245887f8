#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <span>
#include <string>

#if !defined(_WIN32)
#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>
#endif

#include "core/Messages.h"
#include "core/RandomSource.h"
#include "core/ShowError.h"
#include "picture/ByteSource.h"
#include "picture/Effects.h"
#include "picture/PictureFile.h"
#include "picture/WorkPicture.h"
#include "tests/support/BmpBuilder.h"
#include "tests/support/TempDir.h"

namespace {

struct CountingListener : PictureListener {
    void PictureChanged() override { ++marks; }
    int marks = 0;
};

std::string ErrorOf(WorkPicture& picture) {
    try {
        ReloadPicture(picture);
    } catch (const ShowError& e) {
        return e.what();
    }
    return "";
}

class PictureFileTest : public testing::Test {
protected:
    TempWorkingDir m_dir;
    CountingListener m_listener;
    WorkPicture m_picture{&m_listener};
};

TEST_F(PictureFileTest, LoadMarksOnceAndKeepsContentOnEveryError) {
    m_dir.WritePicture(BmpBuilder{}.Width(3).Height(2).Bytes());
    ReloadPicture(m_picture);
    EXPECT_EQ(m_listener.marks, 1);
    ASSERT_EQ(m_picture.Width(), 3);
    const std::uint8_t before = m_picture.Row(1)[2];

    auto good = BmpBuilder{}.Width(9).Height(9).Bytes();
    for (auto bad : {std::vector<std::uint8_t>(good.begin(), good.begin() + 10),
                     BmpBuilder{}.Planes(0).Bytes(),
                     std::vector<std::uint8_t>(good.begin(), good.begin() + 30)}) {
        m_dir.WritePicture(bad);
        EXPECT_NE(ErrorOf(m_picture), "");
        EXPECT_EQ(m_picture.Width(), 3);
        EXPECT_EQ(m_picture.Row(1)[2], before);
    }
    std::filesystem::remove("[]/,,,,;,,.bmp");
    EXPECT_EQ(ErrorOf(m_picture), messages::OpenError("[]\\,,,,;,,.bmp"));
    EXPECT_EQ(m_picture.Width(), 3);
    EXPECT_EQ(m_listener.marks, 1);
}

TEST(PictureFile, RefusedMemoryIsAnInvalidBitmapAndChangesNothing) {
    struct Refusing : PixelAllocator {
        std::unique_ptr<PixelStorage> Allocate(const PixelLayout& layout) noexcept override {
            if (refuse) return nullptr;
            return HeapPixels().Allocate(layout);
        }
        bool refuse = false;
    } allocator;
    TempWorkingDir dir;
    WorkPicture picture(nullptr, allocator);
    dir.WritePicture(BmpBuilder{}.Width(2).Bytes());
    ReloadPicture(picture);
    allocator.refuse = true;
    dir.WritePicture(BmpBuilder{}.Width(5).Bytes());
    EXPECT_EQ(ErrorOf(picture), messages::kInvalidBitmap);
    EXPECT_EQ(picture.Width(), 2);
}

// Counts the blocks handed out and how many are alive at once.
class CountingPixels final : public PixelAllocator {
public:
    std::unique_ptr<PixelStorage> Allocate(const PixelLayout& layout) noexcept override {
        auto inner = HeapPixels().Allocate(layout);
        if (!inner) return nullptr;
        ++allocations;
        peak = std::max(peak, ++live);
        return std::make_unique<Counted>(std::move(inner), live);
    }
    int allocations = 0;
    int live = 0;
    int peak = 0;

private:
    struct Counted final : PixelStorage {
        Counted(std::unique_ptr<PixelStorage> storage, int& count)
            : inner(std::move(storage)), live(count) {}
        ~Counted() override { --live; }
        std::uint8_t* Data() override { return inner->Data(); }
        std::unique_ptr<PixelStorage> inner;
        int& live;
    };
};

std::vector<std::uint8_t> AllRows(const WorkPicture& picture) {
    const PixelRows& rows = picture.Rows();
    return {rows.Data(), rows.Data() + rows.layout.Size()};
}

TEST(PictureFile, ReloadsOfOneLayoutReuseStorageAndGiveWhatAFreshLoadGives) {
    TempWorkingDir dir;
    CountingPixels pixels;
    WorkPicture picture(nullptr, pixels);
    dir.WritePicture(BmpBuilder{}.Width(5).Height(3).Bytes());
    ReloadPicture(picture);
    picture.ReserveSpare();
    picture.ReserveSpare();
    EXPECT_EQ(pixels.allocations, 2);

    // A short file over storage that still holds the previous, distorted
    // picture: the rows the file lacks must come out as a fresh load's zeros.
    std::vector<std::uint8_t> partial(20, 0x5A);
    const auto files = {BmpBuilder{}.Width(5).Height(3).Pixels(partial).Bytes(),
                        BmpBuilder{}.Width(5).Height(3).Bytes()};
    for (const auto& file : files) {
        XorRows(picture, 0x81);
        dir.WritePicture(file);
        ReloadPicture(picture);
        WorkPicture fresh;
        ReloadPicture(fresh);
        EXPECT_EQ(AllRows(picture), AllRows(fresh));
    }
    EXPECT_EQ(pixels.allocations, 2);

    // Another layout (top-down counts) is new storage, never a third block.
    for (auto file : {BmpBuilder{}.Width(5).Height(3).TopDown().Bytes(),
                      BmpBuilder{}.Width(9).Height(2).Bytes(), BmpBuilder{}.Bytes()}) {
        dir.WritePicture(file);
        ReloadPicture(picture);
        picture.ReserveSpare();
    }
    EXPECT_EQ(pixels.allocations, 8);
    EXPECT_EQ(pixels.peak, 2);
    dir.WritePicture({});
    ReloadPicture(picture);
    EXPECT_LE(pixels.live, 2);
}

TEST(PictureFile, ReservingWhenMemoryIsRefusedLeavesThePictureAsItWas) {
    struct Once : PixelAllocator {
        std::unique_ptr<PixelStorage> Allocate(const PixelLayout& layout) noexcept override {
            return calls++ == 0 ? HeapPixels().Allocate(layout) : nullptr;
        }
        int calls = 0;
    } allocator;
    TempWorkingDir dir;
    WorkPicture picture(nullptr, allocator);
    dir.WritePicture(BmpBuilder{}.Width(4).Bytes());
    ReloadPicture(picture);
    const auto before = AllRows(picture);
    picture.ReserveSpare();
    EXPECT_EQ(AllRows(picture), before);
    EXPECT_EQ(ErrorOf(picture), messages::kInvalidBitmap);
    EXPECT_EQ(AllRows(picture), before);
}

TEST(FileSource, LargeAndSmallReadsGiveTheFileExactly) {
    TempWorkingDir dir;
    std::vector<std::uint8_t> bytes(3 * 64 * 1024 + 77);
    for (std::size_t i = 0; i < bytes.size(); ++i)
        bytes[i] = static_cast<std::uint8_t>(i * 131 >> 3);
    dir.WriteFile("data", bytes);
    FileSource file;
    ASSERT_TRUE(file.Open("data"));
    std::vector<std::uint8_t> got(bytes.size() + 1000, 0xEE);
    ASSERT_EQ(file.Read(std::span(got).first(5)), 5u);
    // One read far past the end returns what is left and touches nothing beyond.
    ASSERT_EQ(file.Read(std::span(got).subspan(5)), bytes.size() - 5);
    EXPECT_TRUE(std::equal(bytes.begin(), bytes.end(), got.begin()));
    EXPECT_EQ(got[bytes.size()], 0xEE);
    EXPECT_EQ(file.Read(std::span(got)), 0u);
}

// While the picture is open others may read it; a writer is kept out by
// the share mode on Windows, and on other systems only one that asks for
// the file's lock.
TEST(FileSource, OthersMayReadButNotWriteWhileItIsOpen) {
    TempWorkingDir dir;
    dir.WriteFile("data", {1, 2, 3});
    {
        FileSource file;
        ASSERT_TRUE(file.Open("data"));
        std::FILE* reader = std::fopen("data", "rb");
        EXPECT_NE(reader, nullptr);
        if (reader != nullptr) std::fclose(reader);
#if defined(_WIN32)
        std::FILE* writer = std::fopen("data", "r+b");
        EXPECT_EQ(writer, nullptr);
        if (writer != nullptr) std::fclose(writer);
#else
        const int writer = ::open("data", O_RDWR);
        ASSERT_GE(writer, 0);
        EXPECT_NE(::flock(writer, LOCK_EX | LOCK_NB), 0);
        ::close(writer);
#endif
    }
    // Closed, it is anyone's again.
    std::FILE* writer = std::fopen("data", "r+b");
    EXPECT_NE(writer, nullptr);
    if (writer != nullptr) std::fclose(writer);
}

TEST_F(PictureFileTest, DirectoryInPlaceOfTheFileCannotBeOpened) {
    std::filesystem::create_directories("[]/,,,,;,,.bmp");
    EXPECT_EQ(ErrorOf(m_picture), messages::OpenError("[]\\,,,,;,,.bmp"));
}

TEST_F(PictureFileTest, EmptyFileEmptiesThePictureWithoutMarking) {
    m_dir.WritePicture(BmpBuilder{}.Bytes());
    ReloadPicture(m_picture);
    m_dir.WritePicture({});
    ReloadPicture(m_picture);
    EXPECT_TRUE(m_picture.Empty());
    EXPECT_EQ(m_picture.Width(), 0);
    EXPECT_EQ(m_listener.marks, 1);
    m_picture.RefreshPicture();
    EXPECT_EQ(m_listener.marks, 1);
}

TEST_F(PictureFileTest, RowOutsideThePictureRaisesTheScanLineError) {
    m_dir.WritePicture(BmpBuilder{}.Height(2).Bytes());
    ReloadPicture(m_picture);
    EXPECT_NO_THROW((void)m_picture.Row(1));
    for (int r : {-1, 2}) {
        try {
            (void)m_picture.Row(r);
            ADD_FAILURE() << r;
        } catch (const ShowError& e) {
            EXPECT_EQ(std::string(e.what()), messages::kScanLineOutOfRange);
        }
    }
}

// The effects work on each row's run and never on its filler.
class EffectsTest : public testing::Test {
protected:
    void SetUp() override {
        m_dir.WritePicture(BmpBuilder{}.Width(401).Height(3).Bytes());  // 1203 of 1204 bytes
        ReloadPicture(m_picture);
    }
    [[nodiscard]] std::uint8_t Filler(int r) const { return m_picture.Row(r)[1203]; }

    TempWorkingDir m_dir;
    WorkPicture m_picture;
};

TEST_F(EffectsTest, OrAndXorChangeEveryRunByteAndNoFiller) {
    XorRows(m_picture, 0x5A);
    XorRows(m_picture, 0x5A);
    for (int r = 0; r < 3; ++r) {
        for (std::size_t i = 0; i < 1203; ++i)
            ASSERT_EQ(m_picture.Row(r)[i], BmpBuilder::Expected(r, i));
    }
    OrRows(m_picture, 255);
    XorRows(m_picture, 255);
    for (int r = 0; r < 3; ++r) {
        for (std::size_t i = 0; i < 1203; ++i) ASSERT_EQ(m_picture.Row(r)[i], 0);
        EXPECT_EQ(Filler(r), 0xAB) << r;
    }
}

TEST_F(EffectsTest, NoiseDrawsOncePerRowTopRowFirst) {
    OrRows(m_picture, 255);
    XorRows(m_picture, 255);
    RandomSource random, expected;
    random.SetState(12345);
    expected.SetState(12345);
    AddRowNoise(m_picture, random);
    for (int r = 0; r < 3; ++r) {
        const std::uint8_t k = static_cast<std::uint8_t>(expected.RandomBelow(9));
        for (std::size_t i = 0; i < 1203; ++i) ASSERT_EQ(m_picture.Row(r)[i], k) << r;
        EXPECT_EQ(Filler(r), 0xAB);
    }
    EXPECT_EQ(random.State(), expected.State());
    for (int tick = 0; tick < 50; ++tick) AddRowNoise(m_picture, random);
    for (int r = 0; r < 3; ++r) EXPECT_LE(m_picture.Row(r)[100], 15);
}

TEST(Effects, NoiseIsTheSameWhicheverWayTheFileStoresItsRows) {
    TempWorkingDir dir;
    WorkPicture bottom_up, top_down;
    dir.WritePicture(BmpBuilder{}.Width(5).Height(70).Bytes());
    ReloadPicture(bottom_up);
    dir.WritePicture(BmpBuilder{}.Width(5).Height(70).TopDown().Bytes());
    ReloadPicture(top_down);
    RandomSource a, b;
    a.SetState(0xDEADBEEF);
    b.SetState(0xDEADBEEF);
    for (int tick = 0; tick < 3; ++tick) {
        AddRowNoise(bottom_up, a);
        AddRowNoise(top_down, b);
        ASSERT_EQ(a.State(), b.State());
    }
    for (int r = 0; r < 70; ++r) {
        for (int i = 0; i < 15; ++i) ASSERT_EQ(bottom_up.Row(r)[i], top_down.Row(r)[i]) << r;
    }
}

TEST(Effects, EmptyPictureTakesNoDrawsAndZeroWidthTouchesNothing) {
    TempWorkingDir dir;
    WorkPicture picture;
    RandomSource random;
    AddRowNoise(picture, random);
    EXPECT_EQ(random.State(), 0u);

    dir.WritePicture(BmpBuilder{}.Width(0).Height(4).Bytes());
    ReloadPicture(picture);
    AddRowNoise(picture, random);
    OrRows(picture, 255);
    RandomSource four;
    for (int i = 0; i < 4; ++i) four.RandomBelow(9);
    EXPECT_EQ(random.State(), four.State());
}

}  // namespace
