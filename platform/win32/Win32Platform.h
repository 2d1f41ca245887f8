#pragma once

// The show on the Win32 API (user32, gdi32, winmm).
//  [X] Application window: the application title and icon on the taskbar;
//      owns the main window and the error boxes.
//  [X] Main window: at the form's stored bounds, sizing border, system menu,
//      minimise and maximise buttons, blank title, the form's icon and
//      colour; its client area held at the fitted size once shown.
//  [X] Mouse: the click rule of platform/WindowRules.h.
//  [X] Title: code page 932, shown through the wide functions. The
//      application title keeps the ANSI code page of the executable's path.
//  [X] Timers: a hidden window each, SetTimer/KillTimer with identifier 1.
//  [X] Picture: DIB section rows, StretchBlt over the picture area.
//  [X] Error box: modal, stop icon, every visible window disabled meanwhile;
//      timer ticks go on.
//  [X] Music: mciSendStringA, no reply, no window.
//  [X] Clock: GetSystemTime. Layout: pixels per inch, "0" in the window font.

#include <exception>
#include <memory>
#include <string>
#include <string_view>

#include "platform/Platform.h"
#include "platform/win32/DibPixels.h"

// The window system refused the program's windows; nothing can be shown.
class WindowSystemRefused final : public std::exception {};

class Win32Platform final : public Platform {
public:
    // Creates the application window, the main window (hidden) and the timer
    // windows; throws WindowSystemRefused when the window system refuses
    // them. The main window is shown as `show_command` says (3 maximised,
    // 7 minimised without activating, else normally).
    Win32Platform(void* instance, int show_command);
    ~Win32Platform() override;

    // The application window: its caption is the application title, in the
    // ANSI code page like the path it was made from.
    void SetApplicationTitle(std::string_view title) override;
    // The main window.
    void Attach(const FormView& form, PlatformEvents& events) override;
    void ShowMainWindow() override;
    void SetTitle(std::string_view cp932) override;
    void RequestRepaint() override;
    // Runs until the main window is closed; the process's exit code.
    [[nodiscard]] int Run() override;
    // Timer windows.
    [[nodiscard]] bool StartTimer(TimerId id, std::uint32_t interval_ms) override;
    void StopTimer(TimerId id) override;
    // MessageBoxW, with every window of the thread disabled meanwhile; the
    // caption from the ANSI code page, the text from code page 932.
    void ShowErrorBox(std::string_view caption, std::string_view text_cp932) override;
    // mciSendStringA.
    void SendMusicCommand(std::string_view command) override;
    // GetSystemTime; the display's setting and the font's measure.
    [[nodiscard]] TimeOfDay UtcTimeOfDay() override;
    [[nodiscard]] int PixelsPerInch() override;
    [[nodiscard]] int MeasureTextHeight(const FontSpec& font) override;
    // GetModuleFileNameA, in the ANSI code page: its lead bytes and
    // CharLowerBuffA.
    [[nodiscard]] std::string ExecutablePath() override;
    [[nodiscard]] PathCodePage PathEncoding() override { return PathCodePage::Ansi; }
    [[nodiscard]] LeadByteTest PathLeadBytes() override;
    void LowerCase(std::string& text) override;
    [[nodiscard]] PixelAllocator& Pixels() override { return m_pixels; }

    struct Windows;

private:
    std::unique_ptr<Windows> m_windows;
    DibPixels m_pixels;
};
