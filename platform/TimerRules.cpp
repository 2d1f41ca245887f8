#include "platform/TimerRules.h"

#include <utility>

void TimerSchedule::Start(TimerId id, std::uint32_t interval_ms, Millis now) {
    TimerSlot& slot = Slot(id);
    slot.running = interval_ms != 0;
    slot.interval = interval_ms;
    slot.period_start = now;
}

std::optional<TimerId> TimerSchedule::Next() const {
    std::optional<TimerId> next;
    for (std::size_t i = 0; i < m_slots.size(); ++i) {
        const TimerSlot& slot = m_slots[i];
        if (!slot.running) continue;
        const auto id = static_cast<TimerId>(i);
        if (!next) {
            next = id;
            continue;
        }
        const TimerSlot& best = Slot(*next);
        // Ties go to the period that began earlier, then to the lower id.
        if (std::pair(NextDue(id), slot.period_start) <
            std::pair(NextDue(*next), best.period_start)) {
            next = id;
        }
    }
    return next;
}

std::optional<TimerId> TimerSchedule::TakeDue(Millis now) {
    const std::optional<TimerId> next = Next();
    if (!next || NextDue(*next) > now) return std::nullopt;
    TimerSlot& slot = Slot(*next);
    const Millis late = (now - NextDue(*next)) / slot.interval;
    slot.merged += late;
    slot.period_start += (late + 1) * static_cast<Millis>(slot.interval);
    return next;
}
