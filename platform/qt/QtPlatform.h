#pragma once

// The platform on Qt 6 Widgets, for the Linux desktop.
//  [X] Window: one top-level ShowWindow, created hidden at once so the layout
//      can be measured on it; a wholly transparent icon; a title that is
//      really empty on the X server when the caption is.
//  [X] Application title: the taskbar's icon name; the error boxes' caption.
//  [X] Timers: ShowWindow's precise timers; a refusal is reported.
//  [X] Error box: a modal message box with the stop icon and one OK button;
//      timers and repaints go on behind it, and further boxes stack on top.
//  [X] Texts: code page 932 shown through iconv's converter.
//  [X] Music: the command strings go to the music's own thread; the window
//      never waits for them.
//  [X] Layout scaling: the display's logical vertical resolution and the
//      window font's resolved pixel size ("ＭＳ Ｐゴシック" is IPAPGothic).
//  [X] Clock: the system clock's UTC time of day.
//  [X] Executable path: /proc/self/exe in code page 932; lower-casing of A-Z.
//  [X] Pixel storage: UnsharedPixels, so a library's fork costs the picture
//      nothing.
//  [ ] Start-up show commands: the desktop passes none, so the window is shown
//      normally.

#include <functional>
#include <string>
#include <utility>

#include "platform/Platform.h"
#include "platform/qt/ShowWindow.h"
#include "platform/qt/UnsharedPixels.h"

class MusicThread;

class QtPlatform final : public Platform {
public:
    explicit QtPlatform(MusicThread& music);

    // Called once, when the window has first been painted.
    void OnFirstPaint(std::function<void()> painted) { m_window.OnFirstPaint(std::move(painted)); }

    // The window: ShowWindow, its icon text for the application title.
    void Attach(const FormView& form, PlatformEvents& events) override;
    // Fits the client area to the form's and shows the window at the form's
    // stored position.
    void ShowMainWindow() override;
    void SetTitle(std::string_view cp932) override;
    void SetApplicationTitle(std::string_view utf8) override;
    void RequestRepaint() override;

    // QApplication's event loop; the boxes run nested ones.
    [[nodiscard]] int Run() override;
    void ShowErrorBox(std::string_view caption_utf8, std::string_view text_cp932) override;
    [[nodiscard]] bool StartTimer(TimerId id, std::uint32_t interval_ms) override;
    void StopTimer(TimerId id) override;

    // The tune, the clock, the layout's measures, the texts and the pixels.
    void SendMusicCommand(std::string_view command) override;
    [[nodiscard]] TimeOfDay UtcTimeOfDay() override;
    [[nodiscard]] int PixelsPerInch() override;
    [[nodiscard]] int MeasureTextHeight(const FontSpec& font) override;
    [[nodiscard]] PixelAllocator& Pixels() override { return m_pixels; }
    [[nodiscard]] std::string ExecutablePath() override;
    // The file system's bytes: UTF-8.
    [[nodiscard]] PathCodePage PathEncoding() override { return PathCodePage::Utf8; }

private:
    void ClearX11Title();

    MusicThread& m_music;
    const FormView* m_form = nullptr;
    UnsharedPixels m_pixels;
    ShowWindow m_window;
};
