// The show in a web page: the core compiled to WebAssembly. The page
// (site/page.js) puts the data in the file system, calls main, and from then
// on delivers its events through the functions below.
#include <emscripten.h>

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>

#include "app/Project1.h"
#include "platform/TuneReader.h"
#include "platform/web/WebPlatform.h"

namespace {

// Both live as long as the page: main returns into the browser's event loop.
WebPlatform& ThePlatform() {
    static auto* platform = new WebPlatform();
    return *platform;
}

MouseButton ButtonOf(int button) {
    switch (button) {
        case 0:
            return MouseButton::Left;
        case 1:
            return MouseButton::Middle;
        case 2:
            return MouseButton::Right;
        default:
            return MouseButton::Other;
    }
}

}  // namespace

extern "C" {

// `button` as the DOM numbers it: 0 left, 1 middle, 2 right.
EMSCRIPTEN_KEEPALIVE void web_press(int button) { ThePlatform().Press(ButtonOf(button)); }
EMSCRIPTEN_KEEPALIVE void web_double_press(int button) {
    ThePlatform().DoublePress(ButtonOf(button));
}
// x and y in the client area's pixels.
EMSCRIPTEN_KEEPALIVE void web_release(int button, int x, int y) {
    ThePlatform().Release(ButtonOf(button), x, y);
}
// 0 Timer1, 1 Timer2.
EMSCRIPTEN_KEEPALIVE void web_tick(int id) {
    ThePlatform().Tick(id == 0 ? TimerId::Timer1 : TimerId::Timer2);
}
EMSCRIPTEN_KEEPALIVE void web_paint() { ThePlatform().Paint(); }
// The timer whose tick is due at `now` on the page's show clock, its new
// period begun: 0 Timer1, 1 Timer2, -1 when none is due.
EMSCRIPTEN_KEEPALIVE int web_take_due(double now) {
    const std::optional<TimerId> id = ThePlatform().TakeDueTimer(now);
    return id ? static_cast<int>(*id) : -1;
}
// When the next tick is due on the show clock; -1 when no timer runs.
EMSCRIPTEN_KEEPALIVE double web_next_due() { return ThePlatform().NextDue().value_or(-1.0); }
// The ticks of timer `id` merged into late ones so far.
EMSCRIPTEN_KEEPALIVE double web_merged(int id) {
    return static_cast<double>(
        ThePlatform().MergedTicks(id == 0 ? TimerId::Timer1 : TimerId::Timer2));
}
// For a file the page is given: whether its first bytes (kTuneMarkBytes, or
// all of a shorter file) mark a tune, 1 or 0; and what the tune reader makes
// of the whole file: 0 no tune, 1 nothing playable, 2 clean, 3 repaired.
EMSCRIPTEN_KEEPALIVE int web_marks_tune(const std::uint8_t* bytes, int size) {
    return MarksTune(std::span(bytes, static_cast<std::size_t>(size))) ? 1 : 0;
}
EMSCRIPTEN_KEEPALIVE int web_tune_kind(const std::uint8_t* bytes, int size) {
    return static_cast<int>(ReadTune(std::span(bytes, static_cast<std::size_t>(size))).kind);
}
}

int main() {
    static auto* program = new Project1(ThePlatform());
    return program->Run();
}
