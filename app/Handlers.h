#pragma once

#include <cstdint>
#include <string_view>

// The form's event handlers, as the form description names them.
enum class HandlerId : std::uint8_t { FormCreate, Image1Click, Timer1Timer, Timer2Timer };

constexpr std::string_view HandlerName(HandlerId id) {
    switch (id) {
        case HandlerId::FormCreate:
            return "FormCreate";
        case HandlerId::Image1Click:
            return "Image1Click";
        case HandlerId::Timer1Timer:
            return "Timer1Timer";
        case HandlerId::Timer2Timer:
            return "Timer2Timer";
    }
    return "?";
}

// Told around every handler run, before any error box it raised is shown.
class HandlerTrace {
public:
    virtual ~HandlerTrace() = default;
    virtual void HandlerStarted(HandlerId id) = 0;
    virtual void HandlerEnded(HandlerId id) = 0;
};
