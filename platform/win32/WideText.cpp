// Code page 932 and ANSI texts to UTF-16 through MultiByteToWideChar.
#include "platform/win32/WideText.h"

#include <limits>

#include "platform/win32/WindowsApi.h"

namespace {

constexpr UINT kShiftJis = 932;

std::wstring WideFrom(UINT code_page, std::string_view text) {
    if (text.empty() || text.size() > static_cast<std::size_t>(std::numeric_limits<int>::max())) {
        return {};
    }
    const int size = static_cast<int>(text.size());
    const int wide_size = MultiByteToWideChar(code_page, 0, text.data(), size, nullptr, 0);
    if (wide_size <= 0) return {};
    std::wstring wide(static_cast<std::size_t>(wide_size), L'\0');
    MultiByteToWideChar(code_page, 0, text.data(), size, wide.data(), wide_size);
    return wide;
}

}  // namespace

std::wstring WideFromCp932(std::string_view cp932) { return WideFrom(kShiftJis, cp932); }

std::wstring WideFromAnsi(std::string_view ansi) { return WideFrom(CP_ACP, ansi); }
