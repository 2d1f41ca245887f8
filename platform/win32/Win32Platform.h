#pragma once

// The show on the Win32 API (user32, gdi32, winmm).
//  [X] Application window: the application title and icon on the taskbar;
//      owns the main window and the error boxes.
//  [X] Main window: 272, 184, sizing border, system menu, minimise and
//      maximise buttons, blank title, transparent icon, button-face
//      background; its client area held at the fitted size once shown.
//  [X] Mouse: a click is a left press and release on the picture; the second
//      press of a double click is not a press.
//  [X] Title: code page 932, shown through the wide functions.
//  [X] Timers: a hidden window each, SetTimer/KillTimer with identifier 1.
//  [X] Picture: DIB section rows, StretchBlt over the picture area.
//  [X] Error box: modal, stop icon, every visible window disabled meanwhile;
//      timer ticks go on.
//  [X] Music: mciSendStringA, no reply, no window.
//  [X] Clock: GetSystemTime. Layout: pixels per inch, "0" in the window font.

#include <memory>
#include <string>
#include <string_view>

#include "platform/Platform.h"
#include "platform/win32/DibPixels.h"

class TForm1;

class Win32Platform final : public Platform {
public:
    // Creates the application window, the main window (hidden, at its stored
    // position and outer size) and the timer windows; throws std::runtime_error
    // when the window system refuses them.
    explicit Win32Platform(void* instance);
    ~Win32Platform() override;

    // Platform
    [[nodiscard]] bool StartTimer(TimerId id, std::uint32_t interval_ms) override;
    void StopTimer(TimerId id) override;
    void SetTitle(std::string_view cp932) override;
    void RequestRepaint() override;
    void ShowErrorBox(std::string_view caption_cp932, std::string_view text_cp932) override;
    void SendMusicCommand(std::string_view command) override;
    [[nodiscard]] TimeOfDay UtcTimeOfDay() override;
    [[nodiscard]] int PixelsPerInch() override;
    [[nodiscard]] int MeasureTextHeight(const FontSpec& font) override;
    [[nodiscard]] std::string ExecutablePath() override;
    void LowerCase(std::string& text) override;
    [[nodiscard]] PixelAllocator& Pixels() override { return m_pixels; }

    // The taskbar label and the application window's caption.
    void SetApplicationTitle(std::string_view cp932);
    // The form that paints the window and gets its events; set once it exists.
    void Attach(TForm1& form);
    // Shows the window as the start-up show command says (3 maximised,
    // 7 minimised without activating, else normally), fitting it from now on.
    void Show(int show_command);
    // Runs until the main window is closed; the process's exit code.
    int RunMessageLoop();

    struct Windows;

private:
    std::unique_ptr<Windows> m_windows;
    DibPixels m_pixels;
};
