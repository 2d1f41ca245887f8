// The show in a web page: the core compiled to WebAssembly. The page
// (site/page.js) puts the data in the file system, calls main, and from then
// on delivers its events through the functions below.
#include <emscripten.h>

#include "app/Project1.h"
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
}

int main() {
    static auto* program = new Project1(ThePlatform());
    return program->Run();
}
