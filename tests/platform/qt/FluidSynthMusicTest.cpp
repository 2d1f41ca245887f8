#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <vector>

#include "DefaultTune.h"
#include "platform/qt/FluidSynthMusic.h"
#include "tests/support/TempDir.h"

namespace {

constexpr double kFrameBytes = 4.0;  // 16-bit stereo

struct Rendered {
    double seconds = 0;
    double rms = 0;  // of all samples, full scale 32768
};

Rendered Measure(const std::filesystem::path& raw) {
    std::ifstream in(raw, std::ios::binary);
    std::vector<char> bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    Rendered r;
    r.seconds = static_cast<double>(bytes.size()) / kFrameBytes / FluidSynthMusic::kSampleRate;
    double sum = 0;
    const std::size_t samples = bytes.size() / 2;
    for (std::size_t i = 0; i < samples; ++i) {
        const auto lo = static_cast<std::uint8_t>(bytes[2 * i]);
        const auto hi = static_cast<std::uint8_t>(bytes[2 * i + 1]);
        const auto value = static_cast<std::int16_t>(static_cast<std::uint16_t>(lo | (hi << 8)));
        sum += static_cast<double>(value) * value;
    }
    if (samples > 0) r.rms = std::sqrt(sum / static_cast<double>(samples)) / 32768.0;
    return r;
}

}  // namespace

// The show's two commands over FluidSynth's player, rendered to a file: the
// default tune is heard, for about as long as it lasts.
// Prepared in the background first, as the desktop program does, or not.
class FluidSynthPlayback : public testing::TestWithParam<bool> {};

TEST_P(FluidSynthPlayback, RendersTheDefaultTuneThroughTheShowsCommands) {
    TempWorkingDir dir;
    TempWorkingDir::WriteFile("[]/,,,,;,,.mid", MakeDefaultTune());
    const auto raw = dir.Path() / "tune.raw";
    {
        FluidSynthMusic sequencer(raw.string());
        if (GetParam()) sequencer.Prepare();
        MusicCommands music(sequencer);
        music.Send("open []\\,,,,;,,.mid type sequencer alias midifile");
        music.Send("play midifile");
        ASSERT_TRUE(music.HasAlias("midifile")) << "no soundfont, or the tune did not open";
        ASSERT_TRUE(sequencer.RenderToFile(300));
    }
    const Rendered r = Measure(raw);
    EXPECT_GT(r.seconds, 100.0);
    EXPECT_LT(r.seconds, 115.0);
    EXPECT_GT(r.rms, 0.005);
}

INSTANTIATE_TEST_SUITE_P(Prepared, FluidSynthPlayback, testing::Bool());

TEST(FluidSynthMusic, PreparedButNeverOpenedEndsCleanly) {
    TempWorkingDir dir;
    FluidSynthMusic sequencer((dir.Path() / "tune.raw").string());
    sequencer.Prepare();
    sequencer.Prepare();
}

TEST(FluidSynthMusic, AMissingOrBadTuneIsSilentlyRefused) {
    TempWorkingDir dir;
    TempWorkingDir::WriteFile("[]/bad.mid", {'M', 'T', 'h', 'x', 0, 0});
    FluidSynthMusic sequencer((dir.Path() / "tune.raw").string());
    MusicCommands music(sequencer);
    music.Send("open []\\,,,,;,,.mid type sequencer alias midifile");
    music.Send("open []\\bad.mid type sequencer alias bad");
    music.Send("play midifile");
    music.Send("play bad");
    EXPECT_FALSE(music.HasAlias("midifile"));
    EXPECT_FALSE(music.HasAlias("bad"));
    EXPECT_TRUE(sequencer.RenderToFile(1));
}
