// The virtual clock's order of events, which replay's traces follow.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/virtual/VirtualPlatform.h"
#include "tests/support/FakeForm.h"

namespace {

class Recorder final : public PlatformEvents {
public:
    explicit Recorder(VirtualPlatform& platform) : m_platform(platform) {}
    void OnImageClick() override { Note("click"); }
    void OnTimer(TimerId id) override { Note(id == TimerId::Timer1 ? "timer1" : "timer2"); }
    void Note(const std::string& what) {
        log.push_back(std::to_string(m_platform.Now()) + " " + what);
    }

    std::vector<std::string> log;

private:
    VirtualPlatform& m_platform;
};

TEST(VirtualPlatform, AtOneMillisecondActionsThenClicksThenTheEarlierPeriodsTicks) {
    VirtualPlatform platform;
    Recorder events(platform);
    FakeForm form;
    form.picture_bounds = {0, 0, 10, 10};
    platform.Attach(form, events);
    ASSERT_TRUE(platform.StartTimer(TimerId::Timer2, 300));
    platform.ScheduleClick(300);
    platform.ScheduleAction(300, [&] { events.Note("action"); });
    platform.ScheduleAction(100, [&] {
        // Timer1's period begins after Timer2's: at 300 Timer2 goes first.
        ASSERT_TRUE(platform.StartTimer(TimerId::Timer1, 200));
    });
    platform.ScheduleAction(700, [&] {
        // A restart cancels the tick due now.
        ASSERT_TRUE(platform.StartTimer(TimerId::Timer1, 100));
    });
    platform.RunUntil(850, events);
    EXPECT_EQ(events.log,
              (std::vector<std::string>{"300 action", "300 click", "300 timer2", "300 timer1",
                                        "500 timer1", "600 timer2", "800 timer1"}));
}

}  // namespace
