#pragma once

#include <string>
#include <string_view>

class Platform;

// The file name of an executable's path up to its first ".": everything up to
// and including the last "\" is removed and the rest is cut at its
// first "."; both searches skip the second bytes of double-byte characters.
std::string CutApplicationTitle(std::string_view path);

// The application title: the cut file name, lowered by the platform from its
// second byte onward (the first byte stays as it is).
std::string ApplicationTitle(Platform& platform);
