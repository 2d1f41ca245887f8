#pragma once

// The platform in a web page, compiled to WebAssembly; the page's script
// (site/page.js) owns the canvas, the title, the timers and the boxes.
//  [X] Window: a canvas holding the client area in device pixels, painted
//      as every backend paints it (platform/ClientArea.h) in the standard
//      system colours, shown at its size in CSS pixels, the page around it in
//      the form's colour. It keeps that size in device pixels when the page
//      is zoomed.
//  [X] Title: document.title, code page 932 decoded in the page, each space
//      a no-break space so runs of them stay visible.
//  [X] Clicks: the page's left press and release, through ClickRule.
//  [X] Timers: the shared timer rules (platform/TimerRules.h) on the page's
//      show clock, which stands still while the page is hidden; the page
//      sets one browser timeout for the next tick due and takes the due ticks
//      from here. A late tick is merged, never queued twice.
//  [X] Error box: a modal <dialog> with the stop icon and one OK button;
//      timers go on behind it and further boxes stack on top. It returns at
//      once: the page cannot wait, and the box stays until dismissed.
//  [X] Music: the command strings go to MusicCommands; the page plays the
//      tune through its synthesizer, at the shared gain and ceiling, handed
//      the clean file the tune reader makes of it (platform/TuneReader.h).
//  [X] Layout scaling: devicePixelRatio x 96 pixels per inch; the font's
//      character height is its measured height.
//  [X] Clock: the page's Date, UTC.
//  [X] Executable path: "Project1".
// The picture and tune are in the in-memory file system's "[]" folder, put
// there by the page before start-up.

#include <cstdint>
#include <memory>
#include <optional>
#include <vector>

#include "platform/ClientArea.h"
#include "platform/MusicCommands.h"
#include "platform/Platform.h"
#include "platform/TimerRules.h"
#include "platform/WindowRules.h"

class WebPlatform final : public Platform, private Sequencer {
public:
    WebPlatform();

    void SetApplicationTitle(std::string_view cp932) override;
    void Attach(const FormView& form, PlatformEvents& events) override;
    void ShowMainWindow() override;
    // The browser runs the event loop: this returns at once, and the page
    // delivers events through the functions below from then on.
    [[nodiscard]] int Run() override { return 0; }
    [[nodiscard]] bool StartTimer(TimerId id, std::uint32_t interval_ms) override;
    void StopTimer(TimerId id) override;
    void SetTitle(std::string_view cp932) override;
    void RequestRepaint() override { m_repaint = true; }
    void ShowErrorBox(std::string_view caption_cp932, std::string_view text_cp932) override;
    void SendMusicCommand(std::string_view command) override { m_music.Send(command); }
    [[nodiscard]] TimeOfDay UtcTimeOfDay() override;
    [[nodiscard]] int PixelsPerInch() override;
    [[nodiscard]] int MeasureTextHeight(const FontSpec& font) override;
    [[nodiscard]] std::string ExecutablePath() override { return "Project1"; }
    [[nodiscard]] PathCodePage PathEncoding() override { return PathCodePage::Utf8; }

    // Events from the page; each repaints once it has been handled.
    void Press(MouseButton button);
    void DoublePress(MouseButton button);
    void Release(MouseButton button, std::int32_t x, std::int32_t y);
    // The timer whose tick is due at `now` on the show clock, its new period
    // begun; none when no tick is due.
    [[nodiscard]] std::optional<TimerId> TakeDueTimer(double now);
    // When the next tick is due on the show clock; none when no timer runs.
    [[nodiscard]] std::optional<double> NextDue() const;
    [[nodiscard]] long long MergedTicks(TimerId id) const { return m_timers.Merged(id); }
    void Tick(TimerId id);
    // Draws the client area into the canvas.
    void Paint();

private:
    std::unique_ptr<Sequence> Open(const std::string& path) override;
    void RepaintIfRequested();

    const FormView* m_form = nullptr;
    PlatformEvents* m_events = nullptr;
    ClickRule m_click;
    MusicCommands m_music;
    bool m_repaint = false;
    TimerSchedule m_timers;
    ClientImage m_area{PixelOrder::Rgba32};
};
