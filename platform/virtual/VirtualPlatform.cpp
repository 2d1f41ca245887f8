#include "platform/virtual/VirtualPlatform.h"

#include <algorithm>
#include <cstdlib>
#include <limits>
#include <tuple>
#include <utility>

#include "core/Cp932.h"

namespace {
constexpr std::int64_t kMillisPerDay = 86'400'000;
constexpr auto kNever = std::numeric_limits<VirtualPlatform::Millis>::max();
}  // namespace

VirtualPlatform::VirtualPlatform(TimeOfDay clock_at_zero)
    : m_clock_at_zero_ms(((std::uint32_t{clock_at_zero.hour} * 60 + clock_at_zero.minute) * 60 +
                          clock_at_zero.second) *
                             1000 +
                         clock_at_zero.millisecond) {}

bool VirtualPlatform::StartTimer(TimerId id, std::uint32_t interval_ms) {
    TimerSlot& slot = Slot(id);
    if (slot.refusals > 0) {
        --slot.refusals;
        slot.running = false;
        return false;
    }
    slot.running = interval_ms != 0;
    slot.interval = interval_ms;
    slot.period_start = m_now;
    return true;
}

void VirtualPlatform::StopTimer(TimerId id) { Slot(id).running = false; }

void VirtualPlatform::SetTitle(std::string_view cp932) {
    m_title = cp932;
    m_titles.push_back({m_now, m_title});
}

void VirtualPlatform::ShowErrorBox(std::string_view caption, std::string_view text) {
    m_boxes.push_back({m_now, std::string(caption), std::string(text)});
    if (m_observer != nullptr) m_observer->ErrorBoxShown(m_now, caption, text);
}

void VirtualPlatform::SendMusicCommand(std::string_view command) {
    m_music.push_back({m_now, std::string(command)});
    if (m_observer != nullptr) m_observer->MusicCommandSent(m_now, command);
}

TimeOfDay VirtualPlatform::UtcTimeOfDay() {
    auto ms =
        static_cast<std::uint32_t>((m_clock_at_zero_ms + m_now % kMillisPerDay) % kMillisPerDay);
    TimeOfDay t;
    t.millisecond = static_cast<std::uint16_t>(ms % 1000);
    t.second = static_cast<std::uint16_t>(ms / 1000 % 60);
    t.minute = static_cast<std::uint16_t>(ms / 60'000 % 60);
    t.hour = static_cast<std::uint16_t>(ms / 3'600'000);
    return t;
}

int VirtualPlatform::MeasureTextHeight(const FontSpec& font) {
    int character_height = std::abs(font.height);
    return m_measure ? m_measure(character_height) : character_height;
}

void VirtualPlatform::LowerCase(std::string& text) { cp932::LowerLatinLetters(text); }

void VirtualPlatform::ScheduleAction(Millis ms, std::function<void()> action) {
    m_inputs.push_back({ms, InputKind::Action, m_input_order++, std::move(action)});
}

void VirtualPlatform::ScheduleClick(Millis ms) {
    m_inputs.push_back({ms, InputKind::Click, m_input_order++, {}});
}

VirtualPlatform::Millis VirtualPlatform::NextTick(TimerId id) const {
    const TimerSlot& slot = Slot(id);
    return slot.period_start + slot.interval;
}

std::size_t VirtualPlatform::NextInput() const {
    auto key = [](const Input& in) { return std::tuple(in.ms, in.kind, in.order); };
    auto it = std::ranges::min_element(m_inputs, {}, key);
    return static_cast<std::size_t>(it - m_inputs.begin());
}

const VirtualPlatform::TimerSlot* VirtualPlatform::NextTimer(TimerId& id) const {
    const TimerSlot* next = nullptr;
    for (std::size_t i = 0; i < m_timers.size(); ++i) {
        const TimerSlot& slot = m_timers[i];
        if (!slot.running) continue;
        auto due = slot.period_start + slot.interval;
        // Ties go to the period that began earlier, then to the lower id.
        if (next == nullptr ||
            std::pair(due, slot.period_start) <
                std::pair(next->period_start + next->interval, next->period_start)) {
            next = &slot;
            id = static_cast<TimerId>(i);
        }
    }
    return next;
}

void VirtualPlatform::Attach(const FormView& form, PlatformEvents& events) {
    m_form = &form;
    m_events = &events;
}

int VirtualPlatform::Run() {
    RunUntil(m_run_end);
    return 0;
}

void VirtualPlatform::RunUntil(Millis until) {
    if (m_events != nullptr) RunUntil(until, *m_events);
}

void VirtualPlatform::RunUntil(Millis until, PlatformEvents& events) {
    for (;;) {
        const std::size_t input = NextInput();
        TimerId timer_id = TimerId::Timer1;
        const TimerSlot* timer = NextTimer(timer_id);
        const Millis input_due =
            input < m_inputs.size() ? std::max(m_inputs[input].ms, m_now) : kNever;
        const Millis timer_due = timer != nullptr ? timer->period_start + timer->interval : kNever;
        const Millis due = std::min(input_due, timer_due);
        if (due == kNever || due > until) break;
        m_now = due;
        if (input_due <= timer_due) {
            Input in = std::move(m_inputs[input]);
            m_inputs.erase(m_inputs.begin() + static_cast<std::ptrdiff_t>(input));
            if (in.kind == InputKind::Click) {
                events.OnImageClick();
            } else {
                in.action();
            }
        } else {
            // A new period begins at each tick.
            Slot(timer_id).period_start = due;
            events.OnTimer(timer_id);
        }
    }
    m_now = std::max(m_now, until);
}
