#pragma once

#include <functional>

class HandlerTrace;

// What a measuring build may watch of the running show; the program itself
// watches nothing.
struct DesktopHooks {
    HandlerTrace* trace = nullptr;      // told around every handler run
    std::function<void()> first_paint;  // once, when the window is first painted
};

// Starts the show in its window and runs the event loop until the window is
// closed; returns the process's exit status.
int RunDesktopShow(int argc, char** argv, const DesktopHooks& hooks = {});
