#include "platform/virtual/VirtualPlatform.h"

#include <algorithm>
#include <cstdlib>
#include <limits>
#include <tuple>
#include <utility>

namespace {
constexpr auto kNever = std::numeric_limits<VirtualPlatform::Millis>::max();
}  // namespace

VirtualPlatform::VirtualPlatform(TimeOfDay clock_at_zero)
    : m_clock_at_zero_ms(MillisOfDay(clock_at_zero)) {}

bool VirtualPlatform::StartTimer(TimerId id, std::uint32_t interval_ms) {
    int& refusals = m_refusals[static_cast<std::size_t>(id)];
    if (refusals > 0) {
        --refusals;
        m_timers.Stop(id);
        return false;
    }
    m_timers.Start(id, interval_ms, m_now);
    return true;
}

void VirtualPlatform::StopTimer(TimerId id) { m_timers.Stop(id); }

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
    return TimeOfDayFromMillis(m_clock_at_zero_ms + m_now);
}

int VirtualPlatform::MeasureTextHeight(const FontSpec& font) {
    int character_height = std::abs(font.height);
    return m_measure ? m_measure(character_height) : character_height;
}

void VirtualPlatform::ScheduleAction(Millis ms, std::function<void()> action) {
    m_inputs.push_back({ms, InputKind::Action, m_input_order++, std::move(action)});
}

void VirtualPlatform::ScheduleClick(Millis ms) {
    m_inputs.push_back({ms, InputKind::Click, m_input_order++, {}});
}

std::size_t VirtualPlatform::NextInput() const {
    auto key = [](const Input& in) { return std::tuple(in.ms, in.kind, in.order); };
    auto it = std::ranges::min_element(m_inputs, {}, key);
    return static_cast<std::size_t>(it - m_inputs.begin());
}

bool VirtualPlatform::ClickPicture() {
    if (m_form == nullptr) return false;
    const Bounds picture = m_form->PictureBounds();
    m_clicks.Press(MouseButton::Left);
    return m_clicks.Release(MouseButton::Left, *m_form, picture.left + picture.width / 2,
                            picture.top + picture.height / 2);
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
        const std::optional<TimerId> timer = m_timers.Next();
        const Millis input_due =
            input < m_inputs.size() ? std::max(m_inputs[input].ms, m_now) : kNever;
        const Millis timer_due = timer ? m_timers.NextDue(*timer) : kNever;
        const Millis due = std::min(input_due, timer_due);
        if (due == kNever || due > until) break;
        m_now = due;
        if (input_due <= timer_due) {
            Input in = std::move(m_inputs[input]);
            m_inputs.erase(m_inputs.begin() + static_cast<std::ptrdiff_t>(input));
            if (in.kind == InputKind::Click) {
                if (ClickPicture()) events.OnImageClick();
            } else {
                in.action();
            }
        } else {
            events.OnTimer(*m_timers.TakeDue(due));
        }
    }
    m_now = std::max(m_now, until);
}
