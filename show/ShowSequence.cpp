// The click that starts the show, and the step timer that runs it.
#include "show/ShowSequence.h"

#include <string_view>

#include "core/DataFiles.h"
#include "core/RandomSource.h"
#include "show/Schedule.h"
#include "show/ShowTarget.h"

namespace {
constexpr std::string_view kOpen = "open ";
constexpr std::string_view kAsSequencer = " type sequencer alias midifile";
// "open []\,,,,;,,.mid type sequencer alias midifile"
constexpr std::string_view kOpenTune = kJoined<kOpen, kTunePath, kAsSequencer>;
constexpr std::string_view kPlayTune = "play midifile";
}  // namespace

void StartShow(ShowTarget& target) {
    // Later clicks leave the running step period where it is.
    target.EnableStepTimer();
    target.SetFlickerInterval(kShowFlickerInterval);
    target.SendMusicCommand(kOpenTune);
    target.SendMusicCommand(kPlayTune);
}

void RunStep(std::int32_t step_count, ShowTarget& target, RandomSource& random) {
    const Step* step = FindStep(step_count);
    if (step == nullptr) return;
    const auto value = static_cast<std::uint8_t>(step->value);
    switch (step->action) {
        case Action::Or:
            target.OrBitmap(value);
            break;
        case Action::Xor:
            target.XorBitmap(value);
            break;
        case Action::RandomXor:
            target.XorBitmap(FlipValue(random.RandomBelow(step->value)));
            break;
        case Action::Reload:
            target.ReloadWorkBitmap();
            break;
        case Action::ReloadThenXor:
            target.ReloadWorkBitmap();
            target.XorBitmap(value);
            break;
        case Action::SetFlickerInterval:
            target.SetFlickerInterval(step->value);
            break;
    }
}
