// Texts: the titles, the window font's measure, the executable's path and
// its lowering in the ANSI code page.
#include <array>
#include <limits>
#include <string>

#include "core/Cp932.h"
#include "platform/win32/WideText.h"
#include "platform/win32/Win32Windows.h"
#include "platform/win32/WindowsApi.h"

namespace {

// Whether a byte starts a double-byte character of the ANSI code page.
bool IsAnsiLeadByte(char c) { return IsDBCSLeadByte(static_cast<BYTE>(c)) != FALSE; }

}  // namespace

void Win32Platform::SetTitle(std::string_view cp932) {
    SetWindowTextW(m_windows->main, WideFromCp932(cp932).c_str());
}

void Win32Platform::SetApplicationTitle(std::string_view title) {
    SetWindowTextW(m_windows->application, WideFromAnsi(title).c_str());
}

int Win32Platform::PixelsPerInch() {
    HDC screen = GetDC(nullptr);
    const int ppi = GetDeviceCaps(screen, LOGPIXELSY);
    ReleaseDC(nullptr, screen);
    return ppi;
}

int Win32Platform::MeasureTextHeight(const FontSpec& font) {
    LOGFONTW requested{};
    requested.lfHeight = font.height;
    requested.lfWeight = FW_NORMAL;
    requested.lfCharSet = font.charset;
    const std::wstring face = WideFromCp932(font.face);
    face.copy(requested.lfFaceName, LF_FACESIZE - 1);
    // With no font at all, the character height stands in for the measure
    // rather than shrinking the layout to nothing.
    const int character_height = font.height < 0 ? -font.height : font.height;
    HFONT handle = CreateFontIndirectW(&requested);
    if (handle == nullptr) return character_height;

    HDC dc = GetDC(m_windows->main);
    HGDIOBJ previous = SelectObject(dc, handle);
    SIZE extent{};
    GetTextExtentPoint32W(dc, L"0", 1, &extent);
    std::array<wchar_t, LF_FACESIZE> chosen{};
    GetTextFaceW(dc, static_cast<int>(chosen.size()), chosen.data());
    TEXTMETRICW metrics{};
    GetTextMetricsW(dc, &metrics);
    SelectObject(dc, previous);
    ReleaseDC(m_windows->main, dc);
    DeleteObject(handle);

    // Where the named face is missing, the stand-in font's leading would grow
    // the layout for nothing: the stand-in measures its character height,
    // which is what the named face's "0" measures at these sizes.
    if (lstrcmpiW(chosen.data(), requested.lfFaceName) != 0) {
        return metrics.tmHeight - metrics.tmInternalLeading;
    }
    return extent.cy;
}

std::string Win32Platform::ExecutablePath() {
    std::array<char, 256> path{};
    GetModuleFileNameA(nullptr, path.data(), static_cast<DWORD>(path.size()));
    path.back() = '\0';  // NOTE: a path cut at the buffer's end is not terminated.
    // The path comes in the file functions' code page. That is the ANSI code
    // page unless a program switches them to the OEM one, which this one never
    // does; converting an ANSI path as if it were OEM text would turn its
    // accented letters into others wherever the two code pages differ.
    if (AreFileApisANSI() == FALSE) OemToCharA(path.data(), path.data());
    return path.data();
}

LeadByteTest Win32Platform::PathLeadBytes() { return IsAnsiLeadByte; }

void Win32Platform::LowerCase(std::string& text) {
    // CharLowerA's conversion, with the length given, so no text is ever taken
    // for a single character. The length is a DWORD, narrower than size_t on
    // 64-bit Windows: a longer text goes in parts, none ending inside a
    // double-byte character of the ANSI code page.
    constexpr std::size_t kLongest = std::numeric_limits<DWORD>::max() - 1;
    std::size_t start = 0;
    while (start < text.size()) {
        std::size_t end = start;
        while (end < text.size() && end - start < kLongest) {
            end = cp932::NextCharacter(text, end, IsAnsiLeadByte);
        }
        CharLowerBuffA(text.data() + start, static_cast<DWORD>(end - start));
        start = end;
    }
}
