#include <fluidsynth.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <string>

#include "platform/fluidsynth/FluidSynthMusic.h"
#include "tests/platform/fluidsynth/WavLevel.h"
#include "tests/support/TempDir.h"
#include "tools/default_data/DefaultTune.h"

// The show's two commands over FluidSynth's player, rendered to a file: the
// default tune is heard, for about as long as it lasts.
// Prepared in the background first, as the desktop program does, or not.
class FluidSynthPlayback : public testing::TestWithParam<bool> {};

TEST_P(FluidSynthPlayback, RendersTheDefaultTuneThroughTheShowsCommands) {
    TempWorkingDir dir;
    TempWorkingDir::WriteFile("[]/,,,,;,,.mid", MakeDefaultTune());
    const auto wav = dir.Path() / "tune.wav";
    {
        FluidSynthMusic sequencer(wav.string());
        if (GetParam()) sequencer.Prepare();
        MusicCommands music(sequencer);
        music.Send("open []\\,,,,;,,.mid type sequencer alias midifile");
        music.Send("play midifile");
        ASSERT_TRUE(music.HasAlias("midifile")) << "no soundfont, or the tune did not open";
        ASSERT_TRUE(sequencer.RenderToFile(300));
    }
    const WavLevel level = MeasureWav(wav);
    EXPECT_GT(level.seconds, 100.0);
    EXPECT_LT(level.seconds, 115.0);
    EXPECT_GT(level.lufs, -30.0);
}

INSTANTIATE_TEST_SUITE_P(Prepared, FluidSynthPlayback, testing::Bool());

TEST(FluidSynthMusic, PreparedButNeverOpenedEndsCleanly) {
    TempWorkingDir dir;
    FluidSynthMusic sequencer((dir.Path() / "tune.wav").string());
    sequencer.Prepare();
    sequencer.Prepare();
}

TEST(FluidSynthMusic, AMissingOrBadTuneIsSilentlyRefused) {
    TempWorkingDir dir;
    TempWorkingDir::WriteFile("[]/bad.mid", {'M', 'T', 'h', 'x', 0, 0});
    FluidSynthMusic sequencer((dir.Path() / "tune.wav").string());
    MusicCommands music(sequencer);
    music.Send("open []\\,,,,;,,.mid type sequencer alias midifile");
    music.Send("open []\\bad.mid type sequencer alias bad");
    music.Send("play midifile");
    music.Send("play bad");
    EXPECT_FALSE(music.HasAlias("midifile"));
    EXPECT_FALSE(music.HasAlias("bad"));
    EXPECT_TRUE(sequencer.RenderToFile(1));
}

// The default tune reads cleanly, so its player is handed the file's own
// bytes: it sounds the same, to the sample, as when FluidSynth's player read
// the file itself.
TEST(FluidSynthMusic, TheDefaultTuneSoundsAsWhenThePlayerReadTheFileItself) {
    TempWorkingDir dir;
    TempWorkingDir::WriteFile("tune.mid", MakeDefaultTune());
    const std::string soundfont = "/usr/share/sounds/sf2/TimGM6mb.sf2";
    FluidSynthMusic read(FluidSynthMusic::kSampleRate, soundfont);
    FluidSynthMusic unread(FluidSynthMusic::kSampleRate, soundfont);
    ASSERT_TRUE(read.Start());
    ASSERT_TRUE(unread.Start());
    const auto tune = read.Open("tune.mid");
    ASSERT_NE(tune, nullptr);
    tune->Play();
    fluid_player_t* player = new_fluid_player(unread.Synth());
    ASSERT_NE(player, nullptr);
    unread.Attach(player);
    ASSERT_EQ(fluid_player_add(player, "tune.mid"), FLUID_OK);
    ASSERT_EQ(fluid_player_play(player), FLUID_OK);

    constexpr int kBlock = 4096;
    std::array<float, kBlock> left{}, right{}, unread_left{}, unread_right{};
    long long frames = 0;
    long long differing = 0;
    double peak = 0;
    // Until the tune has ended, and 2 s after.
    for (int after = 0; after < 2 * FluidSynthMusic::kSampleRate / kBlock;) {
        if (fluid_player_get_status(player) != FLUID_PLAYER_PLAYING) ++after;
        read.Render(left.data(), right.data(), kBlock);
        unread.Render(unread_left.data(), unread_right.data(), kBlock);
        for (std::size_t i = 0; i < kBlock; ++i) {
            if (left[i] != unread_left[i] || right[i] != unread_right[i]) ++differing;
            peak = std::max(peak, static_cast<double>(std::abs(left[i])));
        }
        frames += kBlock;
    }
    unread.Detach(player);
    delete_fluid_player(player);
    EXPECT_EQ(differing, 0);
    EXPECT_GT(frames, 100LL * FluidSynthMusic::kSampleRate);
    EXPECT_GT(peak, 0.1);
}
