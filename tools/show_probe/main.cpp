// The desktop program with timestamps, for measuring it while it runs: on
// standard error, "MS HANDLER" when each handler ends, "MS HANDLER.start" when
// a click's or a step's handler starts (the step timer starts at the click), and
// "MS painted" when the window is first painted; MS is the monotonic clock in
// milliseconds.
#include <time.h>

#include <cstdio>

#include "app/Handlers.h"
#include "programs/desktop/DesktopShow.h"

namespace {

double MonotonicMs() {
    timespec now{};
    clock_gettime(CLOCK_MONOTONIC, &now);
    return static_cast<double>(now.tv_sec) * 1e3 + static_cast<double>(now.tv_nsec) / 1e6;
}

class StampTrace final : public HandlerTrace {
public:
    void HandlerStarted(HandlerId id) override {
        if (id == HandlerId::Image1Click || id == HandlerId::Timer1Timer) Stamp(id, ".start");
    }
    void HandlerEnded(HandlerId id) override { Stamp(id, ""); }

private:
    static void Stamp(HandlerId id, const char* suffix) {
        std::fprintf(stderr, "%.3f %.*s%s\n", MonotonicMs(),
                     static_cast<int>(HandlerName(id).size()), HandlerName(id).data(), suffix);
    }
};

}  // namespace

int main(int argc, char** argv) {
    std::setvbuf(stderr, nullptr, _IOLBF, 0);
    StampTrace trace;
    DesktopHooks hooks;
    hooks.trace = &trace;
    hooks.first_paint = [] { std::fprintf(stderr, "%.3f painted\n", MonotonicMs()); };
    return RunDesktopShow(argc, argv, hooks);
}
