// The click that starts the show, and the step timer that runs it.
#include <string_view>

#include "app/Unit1.h"
#include "show/Schedule.h"

namespace {
constexpr std::string_view kOpenTune = "open []\\,,,,;,,.mid type sequencer alias midifile";
constexpr std::string_view kPlayTune = "play midifile";
}  // namespace

void TForm1::Image1Click() {
    // Later clicks leave the running step period where it is.
    Timer1.SetEnabled(true);
    Timer2.SetInterval(kShowFlickerInterval);
    m_platform.SendMusicCommand(kOpenTune);
    m_platform.SendMusicCommand(kPlayTune);
}

void TForm1::Timer1Timer() {
    StepCount = static_cast<std::int32_t>(static_cast<std::uint32_t>(StepCount) + 1u);
    const Step* step = FindStep(StepCount);
    if (step == nullptr) return;
    const auto value = static_cast<std::uint8_t>(step->value);
    switch (step->action) {
        case Action::Or:
            OrBitmap(value);
            break;
        case Action::Xor:
            XorBitmap(value);
            break;
        case Action::RandomXor:
            XorBitmap(FlipValue(m_random.RandomBelow(step->value)));
            break;
        case Action::Reload:
            ReloadWorkBitmap();
            break;
        case Action::ReloadThenXor:
            ReloadWorkBitmap();
            XorBitmap(value);
            break;
        case Action::SetFlickerInterval:
            Timer2.SetInterval(step->value);
            break;
    }
}
