#include <gtest/gtest.h>

#include "platform/platform.h"

#if !defined(_WIN32)
// The timer period is the thread's timer slack, read back from the kernel (on
// every processor, also under an emulator): periods up to 3 ms leave the
// thread's own slack, each millisecond above adds one, and the end restores it.
TEST(TimerSlack, PeriodsAboveThreeMillisecondsAddSlackAndTheEndRestoresIt) {
    uint64_t base = 0, now = 0;
    ASSERT_TRUE(platform::TimerResolutionInForce(&base));
    platform::BeginTimerPeriod(3);
    ASSERT_TRUE(platform::TimerResolutionInForce(&now));
    EXPECT_EQ(now, base);
    platform::BeginTimerPeriod(10);
    ASSERT_TRUE(platform::TimerResolutionInForce(&now));
    EXPECT_EQ(now, base + 7000000u);
    platform::EndTimerPeriod(10);
    ASSERT_TRUE(platform::TimerResolutionInForce(&now));
    EXPECT_EQ(now, base);
}
#endif
