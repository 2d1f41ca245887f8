#pragma once

#include <array>
#include <cstddef>
#include <string_view>

// The show's data files: the picture and the tune in the folder "[]" under
// the current working directory. A stored path names them with "\" between
// folder and file, as the show says them; every program, the web page and the
// scripts take the names from here (the build's window.json carries them).
inline constexpr std::string_view kDataFolder = "[]";
inline constexpr std::string_view kPictureName = ",,,,;,,.bmp";
inline constexpr std::string_view kTuneName = ",,,,;,,.mid";
inline constexpr std::string_view kStoredSeparator = "\\";

// The texts `parts` one after the other, made at compile time.
template <const std::string_view&... parts>
inline constexpr auto kJoinedChars = [] {
    std::array<char, (parts.size() + ...)> joined{};
    std::size_t at = 0;
    for (const std::string_view part : {parts...}) {
        for (const char c : part) joined[at++] = c;
    }
    return joined;
}();
template <const std::string_view&... parts>
inline constexpr std::string_view kJoined{kJoinedChars<parts...>.data(),
                                          kJoinedChars<parts...>.size()};

// "[]\,,,,;,,.bmp" and "[]\,,,,;,,.mid".
inline constexpr std::string_view kPicturePath =
    kJoined<kDataFolder, kStoredSeparator, kPictureName>;
inline constexpr std::string_view kTunePath = kJoined<kDataFolder, kStoredSeparator, kTuneName>;
