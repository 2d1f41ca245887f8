// Code page 932 <-> UTF-8 in the page, through the browser's Shift_JIS
// decoder (which keeps 5C as "\" and maps 81 46 / 81 47 to U+FF1A / U+FF1B),
// for the tune's path. The C library here has no code page 932.
#include "platform/Cp932Text.h"

#include <emscripten.h>

#include <cstdlib>

// clang-format off
EM_JS(char*, web_cp932_to_utf8, (const char* text, int size), {
    const decoded = new TextDecoder('shift_jis').decode(HEAPU8.subarray(text, text + size));
    const length = lengthBytesUTF8(decoded) + 1;
    const out = _malloc(length);
    stringToUTF8(decoded, out, length);
    return out;
});
// clang-format on

namespace cp932 {

std::string ToUtf8(std::string_view cp932) {
    char* decoded = web_cp932_to_utf8(cp932.data(), static_cast<int>(cp932.size()));
    std::string out(decoded);
    std::free(decoded);
    return out;
}

// The one use here is to tell whether a decoded path names a file: it does
// unless the decoder met a byte sequence that is no character, which it
// shows as U+FFFD. The text comes back as it is.
std::string FromUtf8(std::string_view utf8, bool& ok) {
    ok = utf8.find("\xEF\xBF\xBD") == std::string_view::npos;
    return ok ? std::string(utf8) : std::string();
}

}  // namespace cp932
