#pragma once

// The show's two timers as a backend without timers of its own keeps them
// (the virtual clock, the web page): the one home of their rules.
//  - A start begins a new period at that moment, cancelling the pending one;
//    an interval of 0 stops the timer.
//  - A timer ticks at the end of each period, and a new period begins there.
//  - Ticks due together go in this order: the earlier due first, then the
//    timer whose period began earlier, then Timer1 before Timer2.
//  - A timer late by more than a period ticks once, not once for each period
//    it missed (those are counted as merged), and its next period keeps its
//    phase, so nothing piles up into a burst.
// Time is the caller's clock, in milliseconds.

#include <array>
#include <cstdint>
#include <optional>

#include "platform/Platform.h"

class TimerSchedule {
public:
    using Millis = std::int64_t;

    void Start(TimerId id, std::uint32_t interval_ms, Millis now);
    void Stop(TimerId id) { Slot(id).running = false; }

    [[nodiscard]] bool Running(TimerId id) const { return Slot(id).running; }
    [[nodiscard]] std::uint32_t Interval(TimerId id) const { return Slot(id).interval; }
    // When the timer's next tick is due; meaningful only while it runs.
    [[nodiscard]] Millis NextDue(TimerId id) const {
        return Slot(id).period_start + Slot(id).interval;
    }
    // The timer that ticks next, if any runs.
    [[nodiscard]] std::optional<TimerId> Next() const;

    // The timer whose tick is due next at `now`, its new period begun; none
    // when no tick is due. Call it until it gives none, delivering each.
    [[nodiscard]] std::optional<TimerId> TakeDue(Millis now);

    // The ticks of a timer merged into a late one so far.
    [[nodiscard]] long long Merged(TimerId id) const { return Slot(id).merged; }

private:
    struct TimerSlot {
        bool running = false;
        std::uint32_t interval = 0;
        Millis period_start = 0;
        long long merged = 0;
    };
    TimerSlot& Slot(TimerId id) { return m_slots[static_cast<std::size_t>(id)]; }
    [[nodiscard]] const TimerSlot& Slot(TimerId id) const {
        return m_slots[static_cast<std::size_t>(id)];
    }

    std::array<TimerSlot, 2> m_slots{};
};
