// The show's rules on a target of their own: what each click, step and
// flicker tick asks of the window, in order.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "core/RandomSource.h"
#include "show/FlickerTick.h"
#include "show/Schedule.h"
#include "show/ShowSequence.h"
#include "show/ShowTarget.h"

namespace {

// Writes down each request as a short line.
class RecordingTarget final : public ShowTarget {
public:
    void EnableStepTimer() override { log.push_back("steps on"); }
    void SetFlickerInterval(std::uint32_t ms) override {
        log.push_back("flicker " + std::to_string(ms));
    }
    void SendMusicCommand(std::string_view command) override {
        log.push_back("mci " + std::string(command));
    }
    void OrBitmap(std::uint8_t value) override { log.push_back("or " + std::to_string(value)); }
    void XorBitmap(std::uint8_t value) override { log.push_back("xor " + std::to_string(value)); }
    void NoiseBitmap(RandomSource& random) override {
        random.RandomBelow(9);
        log.push_back("noise");
    }
    void ReloadWorkBitmap() override { log.push_back("reload"); }
    void SetCaption(std::string caption) override { log.push_back("title " + caption); }

    std::vector<std::string> log;
};

TEST(ShowRules, TheClickAndTheThirtyFourSteps) {
    RecordingTarget target;
    RandomSource random;
    random.SetState(7);
    StartShow(target);
    for (std::int32_t count = 1; count <= 40; ++count) RunStep(count, target, random);

    std::vector<std::string> expected = {"steps on", "flicker 30",
                                         "mci open []\\,,,,;,,.mid type sequencer alias midifile",
                                         "mci play midifile"};
    for (int n = 1; n <= 7; ++n) expected.push_back("or " + std::to_string(6 * n));
    expected.insert(expected.end(), {"reload", "xor 255"});
    RandomSource draws;
    draws.SetState(7);
    for (int count = 12; count <= 24; ++count) {
        expected.push_back("xor " + std::to_string(FlipValue(draws.RandomBelow(15))));
    }
    expected.insert(expected.end(),
                    {"reload", "xor 255", "xor 0", "or 255", "xor 255", "flicker 600"});
    EXPECT_EQ(target.log, expected);
    EXPECT_EQ(random.State(), draws.State());
}

TEST(ShowRules, FlickerTicksGlitchTheTitleFromStepTenToStepTwentyFive) {
    for (std::int32_t count : {0, 9, 10, 25, 26, 34}) {
        RecordingTarget target;
        RandomSource random;
        FlickerTick(count, target, random);
        const bool glitch = count >= 10 && count <= 25;
        ASSERT_EQ(target.log.size(), glitch ? 2u : 1u) << count;
        EXPECT_EQ(target.log[0], "noise");
        // One draw for the noise, one for the title's run of spaces.
        RandomSource twice;
        twice.RandomBelow(9);
        if (glitch) twice.RandomBelow(30);
        EXPECT_EQ(random.State(), twice.State()) << count;
    }
}

}  // namespace
