#include "platform/web/WebPlatform.h"

#include <emscripten.h>

#include <cstdio>
#include <cstdlib>
#include <span>

#include "platform/MusicMix.h"
#include "platform/TuneReader.h"

// The page's side of each call, in site/page.js.
// clang-format off
EM_JS(void, web_show_window, (int width, int height, int red, int green, int blue, double gain,
                              double ceiling_db), {
    Module.showPage.showWindow(width, height, [red, green, blue], {gain, ceilingDb: ceiling_db});
});
EM_JS(void, web_set_title, (const char* text, int size), {
    Module.showPage.setTitle(HEAPU8.slice(text, text + size));
});
EM_JS(void, web_error_box, (const char* caption, int caption_size, const char* text, int text_size), {
    Module.showPage.errorBox(HEAPU8.slice(caption, caption + caption_size),
                             HEAPU8.slice(text, text + text_size));
});
EM_JS(double, web_show_clock, (), { return Module.showPage.showClock(); });
EM_JS(void, web_timers_changed, (), { Module.showPage.timersChanged(); });
EM_JS(double, web_utc_ms_of_day, (), { return Date.now() % 86400000; });
EM_JS(double, web_device_pixel_ratio, (), { return window.devicePixelRatio || 1; });
EM_JS(void, web_put_pixels, (const std::uint8_t* rgba, int width, int height), {
    Module.showPage.putPixels(HEAPU8.subarray(rgba, rgba + width * height * 4), width, height);
});
EM_JS(void, web_open_tune, (int id, const std::uint8_t* bytes, int size), {
    Module.showPage.openTune(id, HEAPU8.slice(bytes, bytes + size));
});
EM_JS(void, web_play_tune, (int id), { Module.showPage.playTune(id); });
// clang-format on

namespace {

// An opened tune: its bytes are in the page, under `id`.
class WebSequence final : public Sequence {
public:
    explicit WebSequence(int id) : m_id(id) {}
    void Play() override { web_play_tune(m_id); }

private:
    int m_id;
};

}  // namespace

WebPlatform::WebPlatform() : m_music(*this) {}

void WebPlatform::SetApplicationTitle(std::string_view /*cp932*/) {
    // The page has no taskbar entry; the title captions the error boxes,
    // which are handed it with each box.
}

void WebPlatform::Attach(const FormView& form, PlatformEvents& events) {
    m_form = &form;
    m_events = &events;
}

void WebPlatform::ShowMainWindow() {
    const Size size = FittedClientSize(*m_form, m_form->ClientSize());
    const Rgb color = StandardSystemColor(m_form->Color());
    web_show_window(size.width, size.height, color.red, color.green, color.blue, kSynthGain,
                    kCeilingDb);
    Paint();
}

bool WebPlatform::StartTimer(TimerId id, std::uint32_t interval_ms) {
    m_timers.Start(id, interval_ms, static_cast<TimerSchedule::Millis>(web_show_clock()));
    web_timers_changed();
    return true;
}

void WebPlatform::StopTimer(TimerId id) {
    m_timers.Stop(id);
    web_timers_changed();
}

std::optional<TimerId> WebPlatform::TakeDueTimer(double now) {
    return m_timers.TakeDue(static_cast<TimerSchedule::Millis>(now));
}

std::optional<double> WebPlatform::NextDue() const {
    const std::optional<TimerId> next = m_timers.Next();
    if (!next) return std::nullopt;
    return static_cast<double>(m_timers.NextDue(*next));
}

void WebPlatform::SetTitle(std::string_view cp932) {
    web_set_title(cp932.data(), static_cast<int>(cp932.size()));
}

void WebPlatform::ShowErrorBox(std::string_view caption_cp932, std::string_view text_cp932) {
    // The box is modal over the picture: a press made before it opened ends
    // with it, as a window that loses the mouse capture forgets its press.
    m_click.CaptureLost();
    web_error_box(caption_cp932.data(), static_cast<int>(caption_cp932.size()), text_cp932.data(),
                  static_cast<int>(text_cp932.size()));
}

TimeOfDay WebPlatform::UtcTimeOfDay() {
    return TimeOfDayFromMillis(static_cast<std::int64_t>(web_utc_ms_of_day()));
}

int WebPlatform::PixelsPerInch() { return static_cast<int>(web_device_pixel_ratio() * 96.0 + 0.5); }

int WebPlatform::MeasureTextHeight(const FontSpec& font) { return std::abs(font.height); }

void WebPlatform::Press(MouseButton button) { m_click.Press(button); }

void WebPlatform::DoublePress(MouseButton button) { m_click.DoublePress(button); }

void WebPlatform::Release(MouseButton button, std::int32_t x, std::int32_t y) {
    if (m_form != nullptr && m_click.Release(button, *m_form, x, y)) m_events->OnImageClick();
    RepaintIfRequested();
}

void WebPlatform::Tick(TimerId id) {
    if (m_events != nullptr) m_events->OnTimer(id);
    RepaintIfRequested();
}

void WebPlatform::RepaintIfRequested() {
    if (!m_repaint) return;
    m_repaint = false;
    Paint();
}

void WebPlatform::Paint() {
    if (m_form == nullptr) return;
    m_area.Paint(*m_form, FittedClientSize(*m_form, m_form->ClientSize()),
                 StandardSystemColor(m_form->Color()));
    const Size size = m_area.Area();
    if (size.width <= 0 || size.height <= 0) return;
    web_put_pixels(m_area.Pixels().data(), size.width, size.height);
}

std::unique_ptr<Sequence> WebPlatform::Open(const std::string& path) {
    static int next_id = 0;
    std::FILE* file = std::fopen(path.c_str(), "rb");
    if (file == nullptr) return nullptr;
    std::vector<std::uint8_t> bytes;
    std::uint8_t buffer[4096];
    std::size_t got = 0;
    while ((got = std::fread(buffer, 1, sizeof buffer, file)) > 0) {
        bytes.insert(bytes.end(), buffer, buffer + got);
    }
    std::fclose(file);
    // The page's synthesizer is handed the tune as the platform's sequencer
    // reads it; a file with nothing to play stays silent.
    const TuneFile tune = ReadTune(bytes);
    const std::span<const std::uint8_t> playable = tune.Playable(bytes);
    if (playable.empty()) return nullptr;
    const int id = ++next_id;
    web_open_tune(id, playable.data(), static_cast<int>(playable.size()));
    return std::make_unique<WebSequence>(id);
}
