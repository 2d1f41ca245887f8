// Prints the main window as the program makes it at the standard display
// setting, as JSON, for the scripts and tests that look at the window from
// outside: where it is put, its client area, the picture's place in it and
// the form's colour in the standard system colours; the names of the data
// files ("files": the folder, the picture, the tune); and the show's timing
// ("schedule": the step timer's period, the last step, and the flicker's
// period before the first click, during the show and after its last step).
//   form_values [FILE]   writes FILE, else standard output
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <string>
#include <string_view>

#include "app/FormDescription.h"
#include "app/Project1.h"
#include "core/DataFiles.h"
#include "platform/ClientArea.h"
#include "platform/WindowRules.h"
#include "platform/virtual/VirtualPlatform.h"
#include "show/Schedule.h"

namespace {
// A name's length for printf's "%.*s".
int Length(std::string_view name) { return static_cast<int>(name.size()); }

// The flicker's period from the last step on: the last change of it the steps make.
std::uint32_t FlickerAfterShow() {
    std::uint32_t interval = kShowFlickerInterval;
    for (const Step& step : kSteps) {
        if (step.action == Action::SetFlickerInterval) interval = step.value;
    }
    return interval;
}
}  // namespace

int main(int argc, char** argv) {
    if (argc > 2 ||
        (argc == 2 && (std::strcmp(argv[1], "-h") == 0 || std::strcmp(argv[1], "--help") == 0))) {
        std::fputs("usage: form_values [FILE]\n", argc > 2 ? stderr : stdout);
        return argc > 2 ? 2 : 0;
    }
    VirtualPlatform platform;
    Project1 program(platform);
    if (!program.Start() || platform.Form() == nullptr) {
        std::fputs("form_values: the form could not be made\n", stderr);
        return 1;
    }
    const FormView& form = *platform.Form();
    const Bounds stored = form.StoredBounds();
    const Size client = FittedClientSize(form, form.ClientSize());
    const Bounds picture = form.PictureBounds();
    const Rgb color = StandardSystemColor(form.Color());
    char json[768];
    std::snprintf(json, sizeof json,
                  "{\"left\": %d, \"top\": %d, \"client\": [%d, %d], "
                  "\"picture\": [%d, %d, %d, %d], \"color\": [%d, %d, %d], "
                  "\"files\": {\"folder\": \"%.*s\", \"picture\": \"%.*s\", \"tune\": \"%.*s\"}, "
                  "\"schedule\": {\"step_ms\": %u, \"last_step\": %d, "
                  "\"flicker_ms\": {\"before\": %u, \"show\": %u, \"after\": %u}}}\n",
                  stored.left, stored.top, client.width, client.height, picture.left, picture.top,
                  picture.width, picture.height, color.red, color.green, color.blue,
                  Length(kDataFolder), kDataFolder.data(), Length(kPictureName),
                  kPictureName.data(), Length(kTuneName), kTuneName.data(),
                  static_cast<unsigned>(kForm1Description.timer1.interval_ms),
                  static_cast<int>(kSteps.back().count),
                  static_cast<unsigned>(kForm1Description.timer2.interval_ms),
                  static_cast<unsigned>(kShowFlickerInterval),
                  static_cast<unsigned>(FlickerAfterShow()));
    std::FILE* out = argc == 2 ? std::fopen(argv[1], "w") : stdout;
    if (out == nullptr || std::fputs(json, out) < 0 || (argc == 2 && std::fclose(out) != 0)) {
        std::fprintf(stderr, "form_values: cannot write %s\n", argc == 2 ? argv[1] : "the output");
        return 1;
    }
    return 0;
}
