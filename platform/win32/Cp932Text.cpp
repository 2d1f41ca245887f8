// Code page 932 to UTF-16 through MultiByteToWideChar.
#include "platform/win32/Cp932Text.h"

#include <limits>

#include "platform/win32/WindowsApi.h"

namespace {
constexpr UINT kShiftJis = 932;
}

std::wstring WideFromCp932(std::string_view cp932) {
    if (cp932.empty() || cp932.size() > static_cast<std::size_t>(std::numeric_limits<int>::max())) {
        return {};
    }
    const int size = static_cast<int>(cp932.size());
    const int wide_size = MultiByteToWideChar(kShiftJis, 0, cp932.data(), size, nullptr, 0);
    if (wide_size <= 0) return {};
    std::wstring wide(static_cast<std::size_t>(wide_size), L'\0');
    MultiByteToWideChar(kShiftJis, 0, cp932.data(), size, wide.data(), wide_size);
    return wide;
}
