#pragma once

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <variant>
#include <vector>

#include "core/TimeOfDay.h"

struct FileChange {
    std::int64_t ms = 0;
    // Empty: remove the picture file; otherwise copy this file over it.
    std::filesystem::path source;
};

struct ReplayOptions {
    std::filesystem::path dir = ".";
    TimeOfDay clock;
    std::vector<std::int64_t> clicks;
    std::vector<FileChange> file_changes;  // in command-line order
    std::int64_t until = 120000;
    std::optional<std::filesystem::path> frames;
    std::optional<std::filesystem::path> flashes;  // the flash meter's table
    std::optional<std::filesystem::path> video;
    bool help = false;
    bool version = false;
};

// Whether this build writes videos (it has FFmpeg's libraries and the
// desktop program's synthesizer).
#ifdef SHOW_REPLAY_VIDEO
inline constexpr bool kReplayVideo = true;
#else
inline constexpr bool kReplayVideo = false;
#endif

inline constexpr const char* kReplayUsage =
    "replay [--dir DIR] [--clock HH:MM:SS.mmm] [--click MS]... [--remove MS]... "
    "[--replace MS FILE]... [--until MS] [--frames DIR] [--flashes FILE.csv]"
#ifdef SHOW_REPLAY_VIDEO
    " [--video FILE.webm]"
#endif
    ;

// Parses the command line (without the program name). Relative paths are
// resolved against `start_dir`. On bad usage returns the one-line reason.
std::variant<ReplayOptions, std::string> ParseReplayOptions(const std::vector<std::string>& args,
                                                            const std::filesystem::path& start_dir);
