#pragma once

// Code page 932 <-> UTF-8 for the backends that show UTF-8: each supplies
// its own, the desktop through the C library's iconv (iconv/Cp932Text.cpp), the
// web page through the browser's decoder (web/Cp932Text.cpp).
//  [X] Titles and error texts: code page 932 to UTF-8 for display.
//  [X] File names: UTF-8 to code page 932 (the executable path) and back
//      (the tune's path).

#include <string>
#include <string_view>

namespace cp932 {

// Each byte sequence that is no code page 932 character becomes U+FFFD, so a
// bad byte never hides the rest of a text.
std::string ToUtf8(std::string_view cp932);

// Empty when `utf8` holds a character that code page 932 lacks.
std::string FromUtf8(std::string_view utf8, bool& ok);

}  // namespace cp932
