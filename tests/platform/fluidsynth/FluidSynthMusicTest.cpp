#include <gtest/gtest.h>

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
