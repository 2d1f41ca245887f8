#pragma once

// A platform on a virtual clock, for tests and the replay tool.
//  [X] Timers: the shared timer rules (platform/TimerRules.h) on the virtual
//      clock, so ticks come at exact multiples of their interval from when
//      their current period began; a refusal can be arranged.
//  [X] Inputs: clicks and arbitrary actions (file changes) at set times. A
//      click is a left press and release at the centre of the picture
//      control, through the click rule (platform/WindowRules.h).
//  [X] Title, music commands, repaint requests, error boxes: recorded.
//  [X] Error boxes are answered at once.
//  [X] Clock: UTC time of day = a given start time + virtual time.
//  [X] Main window: the form it shows and where its events go, the
//      application title and the showing, recorded; the event loop runs the
//      clock to a set end.
// Time moves only from event to event, and handlers take no time. Events due
// at the same millisecond run in this order: actions (in the order they were
// scheduled), then clicks, then timer ticks in the timer rules' order.

#include <array>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "platform/Platform.h"
#include "platform/TimerRules.h"
#include "platform/WindowRules.h"

class VirtualPlatform final : public Platform {
public:
    using Millis = std::int64_t;

    struct TimedText {
        Millis ms;
        std::string text;
    };
    struct ErrorBox {
        Millis ms;
        std::string caption;
        std::string text;
    };

    // Told as things happen; every member has a default that ignores it.
    class Observer {
    public:
        virtual ~Observer() = default;
        virtual void MusicCommandSent(Millis /*ms*/, std::string_view /*command*/) {}
        virtual void ErrorBoxShown(Millis /*ms*/, std::string_view /*caption*/,
                                   std::string_view /*text*/) {}
    };

    explicit VirtualPlatform(TimeOfDay clock_at_zero = {});

    // Platform
    void SetApplicationTitle(std::string_view cp932) override { m_application_title = cp932; }
    void Attach(const FormView& form, PlatformEvents& events) override;
    void ShowMainWindow() override { m_shown = true; }
    // Handles every event due up to the end set with SetRunEnd; exit status 0.
    [[nodiscard]] int Run() override;
    [[nodiscard]] bool StartTimer(TimerId id, std::uint32_t interval_ms) override;
    void StopTimer(TimerId id) override;
    void SetTitle(std::string_view cp932) override;
    void RequestRepaint() override { ++m_repaints; }
    void ShowErrorBox(std::string_view caption, std::string_view text) override;
    void SendMusicCommand(std::string_view command) override;
    [[nodiscard]] TimeOfDay UtcTimeOfDay() override;
    [[nodiscard]] int PixelsPerInch() override { return m_pixels_per_inch; }
    [[nodiscard]] int MeasureTextHeight(const FontSpec& font) override;
    [[nodiscard]] std::string ExecutablePath() override { return m_executable_path; }
    // Named in code page 932 unless arranged otherwise.
    [[nodiscard]] PathCodePage PathEncoding() override { return m_path_encoding; }

    // Arrangements
    void SetObserver(Observer* observer) { m_observer = observer; }
    void SetPixelsPerInch(int ppi) { m_pixels_per_inch = ppi; }
    // The height "0" measures in a font of the given character height; by
    // default the character height itself.
    void SetTextHeightFunction(std::function<int(int)> measure) { m_measure = std::move(measure); }
    void SetExecutablePath(std::string path, PathCodePage encoding = PathCodePage::Cp932) {
        m_executable_path = std::move(path);
        m_path_encoding = encoding;
    }
    // The next `count` starts of the timer are refused.
    void RefuseTimerStarts(TimerId id, int count) {
        m_refusals[static_cast<std::size_t>(id)] = count;
    }
    void ScheduleAction(Millis ms, std::function<void()> action);
    void ScheduleClick(Millis ms);
    // The last millisecond Run handles.
    void SetRunEnd(Millis until) { m_run_end = until; }

    // Handles, in order, every event due at or before `until`, delivering
    // them to `events`, or to the attached form's.
    void RunUntil(Millis until, PlatformEvents& events);
    void RunUntil(Millis until);

    // Records
    [[nodiscard]] Millis Now() const { return m_now; }
    // The attached form; null before start-up hands it over.
    [[nodiscard]] const FormView* Form() const { return m_form; }
    [[nodiscard]] const std::string& ApplicationTitle() const { return m_application_title; }
    [[nodiscard]] bool Shown() const { return m_shown; }
    [[nodiscard]] long long RepaintRequests() const { return m_repaints; }
    [[nodiscard]] const std::string& Title() const { return m_title; }
    [[nodiscard]] const std::vector<TimedText>& Titles() const { return m_titles; }
    [[nodiscard]] const std::vector<TimedText>& MusicCommands() const { return m_music; }
    [[nodiscard]] const std::vector<ErrorBox>& ErrorBoxes() const { return m_boxes; }
    [[nodiscard]] bool TimerRunning(TimerId id) const { return m_timers.Running(id); }
    [[nodiscard]] std::uint32_t TimerInterval(TimerId id) const { return m_timers.Interval(id); }
    // When the timer's next tick is due; meaningful only while it runs.
    [[nodiscard]] Millis NextTick(TimerId id) const { return m_timers.NextDue(id); }

private:
    enum class InputKind : std::uint8_t { Action, Click };
    struct Input {
        Millis ms;
        InputKind kind;
        std::uint64_t order;
        std::function<void()> action;
    };

    // The index of the input that goes next, or the size when none is left.
    [[nodiscard]] std::size_t NextInput() const;
    // Presses and releases the left button on the attached form's picture:
    // true when that is a click.
    [[nodiscard]] bool ClickPicture();

    Millis m_clock_at_zero_ms;
    Millis m_now = 0;
    TimerSchedule m_timers;
    ClickRule m_clicks;
    std::array<int, 2> m_refusals{};
    std::vector<Input> m_inputs;
    std::uint64_t m_input_order = 0;
    long long m_repaints = 0;
    std::string m_title;
    std::vector<TimedText> m_titles;
    std::vector<TimedText> m_music;
    std::vector<ErrorBox> m_boxes;
    Observer* m_observer = nullptr;
    const FormView* m_form = nullptr;
    PlatformEvents* m_events = nullptr;
    std::string m_application_title;
    bool m_shown = false;
    Millis m_run_end = 0;
    int m_pixels_per_inch = 96;
    std::function<int(int)> m_measure;
    std::string m_executable_path = "Project1";
    PathCodePage m_path_encoding = PathCodePage::Cp932;
};
