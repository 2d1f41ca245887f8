#include <gtest/gtest.h>
#include <sys/wait.h>

#include <algorithm>
#include <array>
#include <cctype>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <initializer_list>
#include <string>
#include <vector>

#include "tests/platform/fluidsynth/WavLevel.h"
#include "tests/support/MidiBuilder.h"
#include "tests/support/TempDir.h"
#include "tools/default_data/DefaultTune.h"

namespace {

namespace fs = std::filesystem;

const fs::path kSoundfonts = "/usr/share/sounds/sf2";

struct Result {
    int status = -1;
    std::string err;
};

// Runs render_tune with `args` in the current directory, its standard error
// kept.
Result RenderTune(const std::vector<std::string>& args) {
    std::string command = "'" RENDER_TUNE_PATH "'";
    for (const std::string& arg : args) command += " '" + arg + "'";
    command += " >/dev/null 2>stderr.txt";
    Result result;
    const int raw = std::system(command.c_str());
    result.status = WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
    std::ifstream err("stderr.txt");
    for (std::string line; std::getline(err, line);) result.err += line + '\n';
    return result;
}

// A tune as loud as a MIDI file can be: all sixteen channels at full volume
// play four-note chords at full velocity, a bar at a time, for ten bars.
std::vector<std::uint8_t> LoudTune() {
    constexpr std::array<std::uint8_t, 2> kNoteOnThenOff = {0x90, 0x80};
    constexpr std::array<std::uint8_t, 4> kChord = {36, 43, 48, 52};
    std::vector<std::uint8_t> track;
    auto add = [&track](std::initializer_list<std::uint8_t> bytes) {
        track.insert(track.end(), bytes);
    };
    for (std::uint8_t c = 0; c < 16; ++c) {
        const auto program = static_cast<std::uint8_t>(c * 8);  // one of each family
        add({0, static_cast<std::uint8_t>(0xC0 | c), program});
        add({0, static_cast<std::uint8_t>(0xB0 | c), 7, 127});
        add({0, static_cast<std::uint8_t>(0xB0 | c), 11, 127});
    }
    for (int bar = 0; bar < 10; ++bar) {
        for (const std::uint8_t kind : kNoteOnThenOff) {
            for (std::uint8_t c = 0; c < 16; ++c) {
                for (const std::uint8_t pitch : kChord) {
                    // The note-offs come a bar of 960 ticks (7 << 7 | 64)
                    // after the note-ons.
                    if (kind == 0x80 && c == 0 && pitch == kChord[0]) {
                        add({0x87, 0x40});
                    } else {
                        add({0});
                    }
                    add({static_cast<std::uint8_t>(kind | c), pitch, 127});
                }
            }
        }
    }
    add({0, 0xFF, 0x2F, 0});
    // Format 0, one track, 480 ticks a quarter note.
    std::vector<std::uint8_t> file = {'M', 'T', 'h', 'd', 0, 0, 0, 6, 0, 0, 0, 1, 0x01, 0xE0};
    file.insert(file.end(), {'M', 'T', 'r', 'k'});
    const auto size = static_cast<std::uint32_t>(track.size());
    for (int shift = 24; shift >= 0; shift -= 8) {
        file.push_back(static_cast<std::uint8_t>(size >> shift));
    }
    file.insert(file.end(), track.begin(), track.end());
    return file;
}

}  // namespace

// The default tune as the desktop program plays it, with either soundfont
// that Debian users have as their default: at a normal listening loudness,
// its peaks clear of full scale.
class DefaultTuneLevel : public testing::TestWithParam<const char*> {};

TEST_P(DefaultTuneLevel, IsNormalLoudnessWithHeadroom) {
    const fs::path soundfont = kSoundfonts / GetParam();
    ASSERT_TRUE(fs::exists(soundfont)) << soundfont << " is missing: install its Debian package";
    TempWorkingDir dir;
    TempWorkingDir::WriteFile("tune.mid", MakeDefaultTune());
    const Result run = RenderTune({"tune.mid", "tune.wav", "--soundfont", soundfont.string()});
    ASSERT_EQ(run.status, 0) << run.err;

    const WavLevel have = MeasureWav("tune.wav");
    ASSERT_TRUE(have.read);
    EXPECT_GE(have.lufs, -20.0);
    EXPECT_LE(have.lufs, -14.0);
    EXPECT_LE(have.true_peak_db, -1.0);
    EXPECT_GT(have.seconds, 105.0);
    EXPECT_LT(have.seconds, 120.0);
}

INSTANTIATE_TEST_SUITE_P(Soundfonts, DefaultTuneLevel,
                         testing::Values("TimGM6mb.sf2", "FluidR3_GM.sf2"),
                         [](const testing::TestParamInfo<const char*>& font) {
                             std::string name = font.param;
                             name.erase(name.find('.'));
                             std::erase_if(name, [](char c) { return !std::isalnum(c); });
                             return name;
                         });

// A far louder tune, on the system's default soundfont, comes out louder
// but held below full scale by the limiter, so nothing is clipped.
TEST(RenderTune, ALoudTuneIsLouderButNeverClipped) {
    TempWorkingDir dir;
    TempWorkingDir::WriteFile("loud.mid", LoudTune());
    const Result run = RenderTune({"loud.mid", "loud.wav"});
    ASSERT_EQ(run.status, 0) << run.err;

    const WavLevel have = MeasureWav("loud.wav");
    ASSERT_TRUE(have.read);
    EXPECT_GT(have.lufs, -12.0);
    EXPECT_LE(have.sample_peak_db, -1.0);
    // Its ten bars of a second each, then the 2 s kept after the last
    // sound (how long the notes take to die away is the synthesizer's).
    EXPECT_GT(have.seconds, 12.0);
}

// A tune that FluidSynth's own reader refuses, repaired on the way: in a
// RIFF wrapper, timed in SMPTE frames (25 a second, 4 ticks each, so that
// its notes are about a second apart), with running status after meta events
// and a long rest before its end. It sounds throughout, and the file ends
// soon after its last note.
TEST(RenderTune, ARepairedTuneSoundsAndEndsAfterItsLastNote) {
    using namespace midi;
    Bytes track = {0, 0xC0, 0};
    Append(track, Melody({0xFF, 0x01, 1, 'x'}));
    Append(track, Varlen(1000));  // 10 s
    Append(track, {0xFF, 0x2F, 0});
    Bytes smf = Header(0, 1, 0xE704);
    Append(smf, Track(track));
    Bytes riff = {'R', 'M', 'I', 'D'};
    Append(riff, {'d', 'a', 't', 'a'});
    for (int i = 0; i < 4; ++i) riff.push_back(static_cast<std::uint8_t>(smf.size() >> (8 * i)));
    Append(riff, smf);
    Bytes file = {'R', 'I', 'F', 'F'};
    for (int i = 0; i < 4; ++i) file.push_back(static_cast<std::uint8_t>(riff.size() >> (8 * i)));
    Append(file, riff);

    TempWorkingDir dir;
    TempWorkingDir::WriteFile("tune.rmi", file);
    const Result run = RenderTune({"tune.rmi", "tune.wav"});
    ASSERT_EQ(run.status, 0) << run.err;
    const WavLevel have = MeasureWav("tune.wav");
    ASSERT_TRUE(have.read);
    EXPECT_GT(have.lufs, -30.0);
    // The last note is struck at 5.76 s and let go at 6.72 s.
    EXPECT_GT(have.last_sound_seconds, 6.72);
    EXPECT_LE(have.seconds, have.last_sound_seconds + 3.0);
}

TEST(RenderTune, BadUsageAndBadFilesAreReportedOnOneLine) {
    TempWorkingDir dir;
    TempWorkingDir::WriteFile("tune.mid", MakeDefaultTune());
    TempWorkingDir::WriteFile("text.mid", {'n', 'o', 't', ' ', 'M', 'I', 'D', 'I'});
    // Programs, controllers and notes of velocity 0, but no note struck.
    TempWorkingDir::WriteFile(
        "silent.mid",
        {'M', 'T', 'h', 'd', 0,    0, 0, 6,    0, 0,   0, 1,    0,  96, 'M', 'T',  'r',  'k', 0,
         0,   0,   15,  0,   0xC0, 5, 0, 0xB0, 7, 100, 0, 0x90, 60, 0,  0,   0xFF, 0x2F, 0});
    const std::string timgm = (kSoundfonts / "TimGM6mb.sf2").string();

    EXPECT_EQ(RenderTune({"--help"}).status, 0);
    for (const std::vector<std::string>& args : std::vector<std::vector<std::string>>{
             {},
             {"tune.mid"},
             {"tune.mid", "a.wav", "b.wav"},
             {"tune.mid", "a.wav", "--gain"},
             {"tune.mid", "a.wav", "--soundfont"},
         }) {
        const Result run = RenderTune(args);
        EXPECT_EQ(run.status, 2) << args.size() << " arguments";
        EXPECT_EQ(std::count(run.err.begin(), run.err.end(), '\n'), 1) << run.err;
    }

    const Result missing = RenderTune({"none.mid", "out.wav"});
    EXPECT_EQ(missing.status, 1);
    EXPECT_NE(missing.err.find("cannot read none.mid"), std::string::npos) << missing.err;

    const Result text = RenderTune({"text.mid", "out.wav", "--soundfont", timgm});
    EXPECT_EQ(text.status, 1);
    EXPECT_NE(text.err.find("text.mid is not a Standard MIDI File"), std::string::npos) << text.err;
    EXPECT_FALSE(fs::exists("out.wav")) << "a failed run leaves no file";

    const Result silent = RenderTune({"silent.mid", "out.wav", "--soundfont", timgm});
    EXPECT_EQ(silent.status, 1);
    EXPECT_NE(silent.err.find("silent.mid holds nothing to play"), std::string::npos) << silent.err;
    EXPECT_FALSE(fs::exists("out.wav"));

    const Result font = RenderTune({"tune.mid", "out.wav", "--soundfont", "text.mid"});
    EXPECT_EQ(font.status, 1);
    EXPECT_NE(font.err.find("text.mid is not a soundfont"), std::string::npos) << font.err;

    const Result unwritable = RenderTune({"tune.mid", "no/such/dir/out.wav"});
    EXPECT_EQ(unwritable.status, 1);
    EXPECT_NE(unwritable.err.find("cannot write no/such/dir/out.wav"), std::string::npos)
        << unwritable.err;
}
