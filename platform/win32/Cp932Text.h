#pragma once

// The show's code page 932 texts as UTF-16 for the wide window functions, so
// that they show as themselves whatever the system's ANSI code page is.

#include <string>
#include <string_view>

[[nodiscard]] std::wstring WideFromCp932(std::string_view cp932);
