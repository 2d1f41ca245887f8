#pragma once

#include <exception>
#include <new>
#include <optional>
#include <string>
#include <string_view>
#include <utility>

#include "app/Handlers.h"
#include "core/Messages.h"
#include "core/ShowError.h"
#include "platform/Platform.h"

// The text an error box shows for `message`: a "." is appended when the
// message is not empty and its last byte compares greater than ".".
std::string ErrorBoxText(std::string_view message);

// Runs every handler: an error ends the handler, is shown in the modal error
// box with the application title as caption, and goes no further. No exception
// leaves Run, so none reaches a window procedure or an event handler of a
// toolkit.
class HandlerRunner {
public:
    HandlerRunner(Platform& platform, std::string caption)
        : m_platform(platform), m_caption(std::move(caption)) {}

    void SetTrace(HandlerTrace* trace) { m_trace = trace; }
    [[nodiscard]] const std::string& Caption() const { return m_caption; }

    template <typename Body>
    void Run(HandlerId id, Body&& body) noexcept {
        if (m_trace != nullptr) m_trace->HandlerStarted(id);
        std::optional<std::string> message;
        try {
            std::forward<Body>(body)();
        } catch (...) {
            message = MessageOf(std::current_exception());
        }
        if (m_trace != nullptr) m_trace->HandlerEnded(id);
        if (message) ShowError(*message);
    }

    void ShowError(std::string_view message) noexcept;

private:
    static std::string MessageOf(std::exception_ptr error) noexcept;

    Platform& m_platform;
    std::string m_caption;
    HandlerTrace* m_trace = nullptr;
};
