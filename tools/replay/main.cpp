// replay: runs the show on a virtual clock and prints what happens.
#include <cstdio>
#include <exception>
#include <filesystem>
#include <string>
#include <variant>
#include <vector>

#include "tools/replay/Replay.h"

namespace {

constexpr const char* kHelp =
    R"(Runs the show on a virtual clock and prints what happens, one line an item.

  --dir DIR              working directory whose "[]" folder holds the picture and tune (default .)
  --clock HH:MM:SS.mmm   UTC time of day at virtual time 0 (default 00:00:00.000)
  --click MS             a click on the picture at virtual millisecond MS (repeatable)
  --remove MS            delete the picture file at MS (repeatable)
  --replace MS FILE      copy FILE over the picture file at MS (repeatable)
  --until MS             stop after every event due at or before MS (default 120000)
  --frames DIR           write the picture area after start-up and after each step
                         as a 24-bit BMP into DIR
  --flashes FILE.csv     measure the flashes of every frame against the photosensitivity
                         rules into FILE.csv; a line with "pass" or "fail" on standard error
)";

constexpr const char* kHelpEnd =
    R"(  -h, --help             show this help
      --version          show the version

Lines: "MS HANDLER STEPCOUNT PICTURE MARKS TITLE", "MS mci COMMAND", "MS error HEX".
)";

constexpr const char* kVideoHelp =
    "  --video FILE.webm      write every frame and the tune (VP9 and Opus at 48 kHz in WebM)\n";

constexpr const char* kNoVideo =
    "\nThis replay was built without FFmpeg's libraries (or without the desktop program's\n"
    "synthesizer), so --video is left out; build it with -DSHOW_BUILD_QT=ON and the\n"
    "libavcodec-dev, libavformat-dev, libavutil-dev and libswscale-dev packages.\n";

}  // namespace

int main(int argc, char** argv) {
    std::vector<std::string> args(argv + 1, argv + argc);
    try {
        auto parsed = ParseReplayOptions(args, std::filesystem::current_path());
        if (auto* error = std::get_if<std::string>(&parsed)) {
            std::fprintf(stderr, "replay: %s (usage: %s)\n", error->c_str(), kReplayUsage);
            return 2;
        }
        const auto& options = std::get<ReplayOptions>(parsed);
        if (options.help) {
            std::printf("usage: %s\n\n", kReplayUsage);
            std::printf("%s%s%s", kHelp, kReplayVideo ? kVideoHelp : "", kHelpEnd);
            if (!kReplayVideo) std::printf("%s", kNoVideo);
            return 0;
        }
        if (options.version) {
            std::printf("replay %s\n", SHOW_VERSION);
            return 0;
        }
        static char buffer[1 << 16];
        std::setvbuf(stdout, buffer, _IOFBF, sizeof buffer);
        return RunReplay(options, stdout, stderr);
    } catch (const std::exception& e) {
        std::fprintf(stderr, "replay: %s\n", e.what());
        return 1;
    }
}
