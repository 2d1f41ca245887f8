// render_tune: renders a MIDI tune into a WAV file as the desktop program
// plays it, with the same synthesizer, gain, limiter and soundfont.
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <system_error>
#include <vector>

#include "platform/fluidsynth/FluidSynthMusic.h"

namespace {

constexpr const char* kUsage = "render_tune IN.mid OUT.wav [--soundfont FILE]";

constexpr const char* kHelp =
    R"(Renders the tune IN.mid into OUT.wav (16-bit stereo, 44100 Hz) as the desktop program
plays it: read as the program reads it, so a file with faults that a forgiving sequencer
plays past is played too, then FluidSynth at the program's gain, through its peak limiter,
faster than real time. The file ends once the tune has ended and its last notes have died
away: at most 2 s after the last 50 ms that sound above -60 dBFS. A file in which no note
is ever struck writes nothing and exits with status 1.

  --soundfont FILE   the General MIDI soundfont to play it with (default: the system's,
                     /usr/share/sounds/sf2/default-GM.sf2, as the program uses)
  -h, --help         show this help
)";

// Long enough for any tune meant to be heard whole.
constexpr int kMaxSeconds = 30 * 60;

struct Options {
    bool help = false;
    std::string in;
    std::string out;
    std::string soundfont;
};

// The options, or the reason they are wrong.
std::optional<Options> Parse(const std::vector<std::string_view>& args, std::string& error) {
    Options options;
    std::vector<std::string_view> files;
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string_view arg = args[i];
        if (arg == "-h" || arg == "--help") {
            options.help = true;
            return options;
        }
        if (arg == "--soundfont") {
            if (i + 1 == args.size()) {
                error = "--soundfont needs a FILE";
                return std::nullopt;
            }
            options.soundfont = args[++i];
        } else if (arg.starts_with("-")) {
            error = "unknown option " + std::string(arg);
            return std::nullopt;
        } else {
            files.push_back(arg);
        }
    }
    if (files.size() != 2) {
        error = files.size() < 2 ? "IN.mid and OUT.wav are needed" : "too many files";
        return std::nullopt;
    }
    options.in = files[0];
    options.out = files[1];
    return options;
}

// Whether `path` opens in `mode`; otherwise prints why.
bool Opens(const std::string& path, const char* mode, const char* verb) {
    std::FILE* file = std::fopen(path.c_str(), mode);
    if (file == nullptr) {
        std::fprintf(stderr, "render_tune: cannot %s %s: %s\n", verb, path.c_str(),
                     std::strerror(errno));
        return false;
    }
    std::fclose(file);
    return true;
}

bool Render(const Options& options) {
    FluidSynthMusic music(options.out, options.soundfont);
    if (!music.Start()) {
        if (options.soundfont.empty()) {
            std::fprintf(stderr,
                         "render_tune: no General MIDI soundfont could be loaded; install "
                         "timgm6mb-soundfont or fluid-soundfont-gm, or give --soundfont\n");
        } else {
            std::fprintf(stderr, "render_tune: %s is not a soundfont FluidSynth can load\n",
                         options.soundfont.c_str());
        }
        return false;
    }
    TuneKind kind = TuneKind::NotATune;
    const auto tune = music.Open(options.in, kind);
    if (tune == nullptr) {
        if (kind == TuneKind::Silent) {
            std::fprintf(stderr, "render_tune: %s holds nothing to play: no note is ever struck\n",
                         options.in.c_str());
        } else {
            std::fprintf(stderr, "render_tune: %s is not a Standard MIDI File\n",
                         options.in.c_str());
        }
        return false;
    }
    tune->Play();
    if (!music.RenderToFile(kMaxSeconds)) {
        std::fprintf(stderr, "render_tune: cannot write %s\n", options.out.c_str());
        return false;
    }
    return true;
}

}  // namespace

int main(int argc, char** argv) {
    const std::vector<std::string_view> args(argv + 1, argv + argc);
    std::string error;
    const std::optional<Options> options = Parse(args, error);
    if (!options) {
        std::fprintf(stderr, "render_tune: %s (usage: %s)\n", error.c_str(), kUsage);
        return 2;
    }
    if (options->help) {
        std::printf("usage: %s\n\n%s", kUsage, kHelp);
        return 0;
    }
    // Checked before the soundfont's tens of megabytes are read.
    if (!Opens(options->in, "rb", "read")) return 1;
    if (!options->soundfont.empty() && !Opens(options->soundfont, "rb", "read")) return 1;
    if (!Opens(options->out, "wb", "write")) return 1;
    if (!Render(*options)) {
        // A failed run leaves no file, rather than a part of one.
        std::error_code ignored;
        std::filesystem::remove(options->out, ignored);
        return 1;
    }
    return 0;
}
