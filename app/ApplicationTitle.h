#pragma once

#include <string>
#include <string_view>

#include "platform/Platform.h"

// The file name of an executable's path up to its first ".": everything up to
// and including the last "\" is removed and the rest is cut at its
// first "."; both searches skip the second bytes of double-byte characters,
// whose first bytes `is_lead_byte` tells for the path's code page.
std::string CutApplicationTitle(std::string_view path, LeadByteTest is_lead_byte);

// The application title: the cut file name, lowered by the platform from its
// second byte onward (the first byte stays as it is); in the code page of the
// platform's executable path.
std::string ApplicationTitle(Platform& platform);
