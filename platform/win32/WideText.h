#pragma once

// Texts as UTF-16 for the wide window functions, each from its own code page,
// so that they show as themselves whatever the system's ANSI code page is:
// the show's texts are code page 932, the application title is in the ANSI
// code page that the executable's path came in.

#include <string>
#include <string_view>

[[nodiscard]] std::wstring WideFromCp932(std::string_view cp932);
[[nodiscard]] std::wstring WideFromAnsi(std::string_view ansi);
