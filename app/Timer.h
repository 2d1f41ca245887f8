#pragma once

#include <cstdint>
#include <optional>

#include "app/Handlers.h"
#include "platform/Platform.h"

// A timer component. Assigning a property the value it already has does
// nothing at all; a different value cancels the pending period and, when the
// timer is enabled, has a non-zero interval and a handler, starts a new one.
class Timer {
public:
    Timer(Platform& platform, TimerId id) : m_platform(platform), m_id(id) {}

    // Each raises the timer-refused error when the platform refuses the new
    // period; the value stays recorded and the timer stays stopped.
    void SetEnabled(bool enabled);
    void SetInterval(std::uint32_t interval_ms);
    void SetOnTimer(std::optional<HandlerId> handler);

    [[nodiscard]] bool Enabled() const { return m_enabled; }
    [[nodiscard]] std::uint32_t Interval() const { return m_interval; }
    [[nodiscard]] std::optional<HandlerId> OnTimer() const { return m_on_timer; }
    [[nodiscard]] bool Running() const { return m_running; }

private:
    void UpdateTimer();

    Platform& m_platform;
    TimerId m_id;
    bool m_enabled = true;
    std::uint32_t m_interval = 1000;
    std::optional<HandlerId> m_on_timer;
    bool m_running = false;
};
