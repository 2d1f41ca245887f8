#include "show/GlitchTitle.h"

#include <string_view>

namespace {
constexpr std::string_view kFullWidthColon = "\x81\x46";      // "："
constexpr std::string_view kFullWidthSemicolon = "\x81\x47";  // "；"
}  // namespace

std::string GlitchTitle(std::uint32_t m) {
    const std::string spaces(m, ' ');
    std::string title;
    title.reserve(2 * m + 4);
    title += spaces;
    title += kFullWidthColon;
    title += spaces;
    title += kFullWidthSemicolon;
    return title;
}
