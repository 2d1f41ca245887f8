// The timer rules that the virtual clock and the web page share: the order
// of ticks due together lives in the virtual platform's test; here, what only
// a late clock shows.
#include <gtest/gtest.h>

#include "platform/TimerRules.h"

TEST(TimerSchedule, ALateTimerTicksOnceKeepsItsPhaseAndCountsWhatItMerged) {
    TimerSchedule timers;
    timers.Start(TimerId::Timer2, 30, 0);
    timers.Start(TimerId::Timer1, 3000, 0);
    // Three seconds and more late: Timer2 was due at 30, Timer1 at 3000.
    EXPECT_EQ(timers.TakeDue(3100), TimerId::Timer2);
    EXPECT_EQ(timers.TakeDue(3100), TimerId::Timer1);
    EXPECT_EQ(timers.TakeDue(3100), std::nullopt);
    EXPECT_EQ(timers.Merged(TimerId::Timer2), 102);
    EXPECT_EQ(timers.Merged(TimerId::Timer1), 0);
    EXPECT_EQ(timers.NextDue(TimerId::Timer2), 3120);
    EXPECT_EQ(timers.NextDue(TimerId::Timer1), 6000);

    // A restart begins a new period then; an interval of 0 stops the timer.
    timers.Start(TimerId::Timer2, 300, 3110);
    EXPECT_EQ(timers.NextDue(TimerId::Timer2), 3410);
    timers.Start(TimerId::Timer1, 0, 3110);
    EXPECT_FALSE(timers.Running(TimerId::Timer1));
    EXPECT_EQ(timers.Next(), TimerId::Timer2);
}
