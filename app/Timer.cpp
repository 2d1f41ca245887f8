#include "app/Timer.h"

#include <string>

#include "core/Messages.h"
#include "core/ShowError.h"

void Timer::SetEnabled(bool enabled) {
    if (enabled == m_enabled) return;
    m_enabled = enabled;
    UpdateTimer();
}

void Timer::SetInterval(std::uint32_t interval_ms) {
    if (interval_ms == m_interval) return;
    m_interval = interval_ms;
    UpdateTimer();
}

void Timer::SetOnTimer(std::optional<HandlerId> handler) {
    if (handler == m_on_timer) return;
    m_on_timer = handler;
    UpdateTimer();
}

void Timer::UpdateTimer() {
    if (m_running) {
        m_platform.StopTimer(m_id);
        m_running = false;
    }
    if (!m_enabled || m_interval == 0 || !m_on_timer) return;
    if (!m_platform.StartTimer(m_id, m_interval)) {
        throw ShowError(std::string(messages::kTimerRefused));
    }
    m_running = true;
}
