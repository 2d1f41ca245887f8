// The flash meter on made-up frame sequences whose answers are known.
#include <gtest/gtest.h>

#include <array>
#include <cstdint>
#include <vector>

#include "tools/replay/Flashes.h"

namespace {

constexpr int kSide = 400;
using Colour = std::array<std::uint8_t, 3>;  // blue, green, red

constexpr Colour kBlack = {0, 0, 0};
constexpr Colour kWhite = {255, 255, 255};
constexpr Colour kRed = {0, 0, 255};
// A grey of the saturated red's relative luminance (0.2126).
constexpr Colour kGreyAsRed = {127, 127, 127};

// A frame of `ground` with a `w` x `h` block of `block` at the top left.
std::vector<std::uint8_t> Frame(Colour ground, Colour block, int w, int h) {
    std::vector<std::uint8_t> bgr(3 * kSide * kSide);
    for (int y = 0; y < kSide; ++y) {
        for (int x = 0; x < kSide; ++x) {
            const Colour& c = x < w && y < h ? block : ground;
            std::copy(c.begin(), c.end(), bgr.begin() + 3 * (y * kSide + x));
        }
    }
    return bgr;
}

// Alternates two frames every `period_ms` for three seconds.
FlashMeter::Counts Alternate(const std::vector<std::uint8_t>& a, const std::vector<std::uint8_t>& b,
                             int period_ms) {
    FlashMeter meter(nullptr);
    for (int ms = 0, n = 0; ms <= 3000; ms += period_ms, ++n) {
        EXPECT_TRUE(meter.Frame(ms, n % 2 == 0 ? a : b, kSide, kSide));
    }
    EXPECT_TRUE(meter.Finish(3000));
    return meter.Worst();
}

TEST(FlashMeterTest, FullFieldFlashesFailAboveThreeASecond) {
    const auto black = Frame(kBlack, kBlack, 0, 0);
    const auto white = Frame(kWhite, kWhite, 0, 0);
    // 5 Hz: ten transitions, five flashes, in every second.
    FlashMeter::Counts five = Alternate(black, white, 100);
    EXPECT_EQ(five.general, 10);
    EXPECT_EQ(five.red, 0);
    // 3 Hz: three flashes, the most allowed.
    EXPECT_EQ(Alternate(black, white, 167).general, 6);

    FlashMeter meter(nullptr);
    for (int ms = 0, n = 0; ms <= 3000; ms += 100, ++n) {
        ASSERT_TRUE(meter.Frame(ms, n % 2 == 0 ? black : white, kSide, kSide));
    }
    EXPECT_FALSE(meter.Passed());
    EXPECT_NE(meter.Verdict().find("fail"), std::string::npos) << meter.Verdict();
}

TEST(FlashMeterTest, OnlyAQuarterOfTheFieldOrMoreFlashes) {
    // The field is 341 x 256 = 87,296 pixels; 10 % of it, then 30 %.
    const auto dark = Frame(kBlack, kBlack, 0, 0);
    EXPECT_EQ(Alternate(dark, Frame(kBlack, kWhite, 108, 81), 100).general, 0);
    EXPECT_EQ(Alternate(dark, Frame(kBlack, kWhite, 160, 164), 100).general, 10);
    // A band across the picture: the field's window holds 341 of its 400
    // columns, so 70 rows are 27 % of the field and 60 rows 23 %.
    EXPECT_EQ(Alternate(dark, Frame(kBlack, kWhite, kSide, 70), 100).general, 10);
    EXPECT_EQ(Alternate(dark, Frame(kBlack, kWhite, kSide, 60), 100).general, 0);
}

TEST(FlashMeterTest, SaturatedRedFlashesFailTheRedRuleAlone) {
    // 4 Hz between saturated red and a grey as bright: no general flash.
    FlashMeter::Counts red =
        Alternate(Frame(kRed, kRed, 0, 0), Frame(kGreyAsRed, kGreyAsRed, 0, 0), 125);
    EXPECT_EQ(red.general, 0);
    EXPECT_EQ(red.red, 8);
    // A dark red that is not saturated enough changes the same way and passes.
    const Colour dull = {40, 40, 90};
    EXPECT_EQ(Alternate(Frame(dull, dull, 0, 0), Frame(kBlack, kBlack, 0, 0), 125).red, 0);
}

TEST(FlashMeterTest, ChangesSpreadOverFramesAddUpToOneTransition) {
    // Luminance up in four frames of 0.04 each and down again, 30 ms apart:
    // each frame alone is under 0.1, each run of four over it; a flash every
    // 240 ms, four in a second.
    const std::array<std::uint8_t, 5> greys = {100, 111, 121, 130, 139};  // ~0.04 apart
    FlashMeter meter(nullptr);
    int ms = 0;
    for (int cycle = 0; cycle < 10; ++cycle) {
        for (int i = 0; i < 4; ++i, ms += 30) {
            const std::uint8_t g = greys[static_cast<std::size_t>(cycle % 2 == 0 ? i : 4 - i)];
            ASSERT_TRUE(meter.Frame(ms, Frame({g, g, g}, {g, g, g}, 0, 0), kSide, kSide));
        }
    }
    EXPECT_GE(meter.Worst().general, 7);
    EXPECT_FALSE(meter.Passed());
}

}  // namespace
