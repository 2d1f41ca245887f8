#include <gtest/gtest.h>

#include <string>

#include "app/Timer.h"
#include "core/Messages.h"
#include "core/ShowError.h"
#include "platform/virtual/VirtualPlatform.h"

namespace {

struct NoEvents : PlatformEvents {
    void OnImageClick() override {}
    void OnTimer(TimerId) override {}
};

class TimerTest : public testing::Test {
protected:
    void At(std::int64_t ms) { m_platform.RunUntil(ms, m_events); }

    VirtualPlatform m_platform;
    NoEvents m_events;
    Timer m_timer{m_platform, TimerId::Timer1};
};

TEST_F(TimerTest, StartsOnlyWithAHandlerAndANonZeroInterval) {
    m_timer.SetInterval(300);
    EXPECT_FALSE(m_platform.TimerRunning(TimerId::Timer1));
    m_timer.SetOnTimer(HandlerId::Timer1Timer);
    EXPECT_TRUE(m_platform.TimerRunning(TimerId::Timer1));
    EXPECT_EQ(m_platform.NextTick(TimerId::Timer1), 300);
    m_timer.SetInterval(0);
    EXPECT_FALSE(m_platform.TimerRunning(TimerId::Timer1));
}

TEST_F(TimerTest, SameValueKeepsThePeriodAndAChangedOneRestartsIt) {
    m_timer.SetInterval(300);
    m_timer.SetOnTimer(HandlerId::Timer1Timer);
    At(100);
    m_timer.SetEnabled(true);
    m_timer.SetInterval(300);
    EXPECT_EQ(m_platform.NextTick(TimerId::Timer1), 300);
    m_timer.SetInterval(30);
    EXPECT_EQ(m_platform.NextTick(TimerId::Timer1), 130);
    m_timer.SetEnabled(false);
    EXPECT_FALSE(m_platform.TimerRunning(TimerId::Timer1));
    At(200);
    m_timer.SetEnabled(true);
    EXPECT_EQ(m_platform.NextTick(TimerId::Timer1), 230);
}

TEST_F(TimerTest, RefusalRaisesKeepsTheValueAndStaysStopped) {
    m_timer.SetEnabled(false);
    m_timer.SetOnTimer(HandlerId::Timer1Timer);
    m_platform.RefuseTimerStarts(TimerId::Timer1, 1);
    try {
        m_timer.SetEnabled(true);
        FAIL() << "no error";
    } catch (const ShowError& e) {
        EXPECT_EQ(std::string(e.what()), messages::kTimerRefused);
    }
    EXPECT_TRUE(m_timer.Enabled());
    EXPECT_FALSE(m_platform.TimerRunning(TimerId::Timer1));
    EXPECT_NO_THROW(m_timer.SetEnabled(true));  // the same value does nothing
    EXPECT_FALSE(m_platform.TimerRunning(TimerId::Timer1));
    m_timer.SetInterval(500);  // a different value starts it again
    EXPECT_TRUE(m_platform.TimerRunning(TimerId::Timer1));
}

}  // namespace
