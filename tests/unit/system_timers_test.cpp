#include <gtest/gtest.h>

#include <vector>

#include "platform/platform.h"

#if !defined(_WIN32)
#include "platform/system_timers_gametime.h"

namespace {
std::vector<uintptr_t> s_fired;

void ZK_TIMER_CALLBACK Periodic(void *, unsigned int message, uintptr_t id, uint32_t) {
    if (message == platform::kTimerMessage) s_fired.push_back(id);
}

void ZK_TIMER_CALLBACK OneShot(void *, unsigned int message, uintptr_t id, uint32_t) {
    if (message != platform::kTimerMessage) return;
    s_fired.push_back(id);
    platform::StopSystemTimer(id);
}

struct GameTimeTimers : ::testing::Test {
    void SetUp() override {
        platform::gametime_timers::Reset();
        s_fired.clear();
    }
    void RunFrames(float from, float to) {
        for (float t = from; t <= to + 1e-4f; t += 0.01f) platform::AdvanceSystemTimers(t);
    }
};
}  // namespace

TEST_F(GameTimeTimers, OneShotFiresOnceAfterItsDelayAndTimersFireInDueOrder) {
    RunFrames(1.0f, 1.5f);
    const uintptr_t id = platform::StartSystemTimer(1, 1000, OneShot);
    ASSERT_NE(id, 0u);
    RunFrames(1.51f, 2.45f);
    EXPECT_TRUE(s_fired.empty());
    RunFrames(2.46f, 5.0f);
    EXPECT_EQ(s_fired, std::vector<uintptr_t>{id});
    EXPECT_EQ(platform::LiveSystemTimers(), 0);

    s_fired.clear();
    const uintptr_t late = platform::StartSystemTimer(20, 10000, Periodic);
    const uintptr_t early = platform::StartSystemTimer(1, 1000, Periodic);
    platform::AdvanceSystemTimers(24.0f);  // one long frame: both are due
    EXPECT_EQ(s_fired, (std::vector<uintptr_t>{early, late}));
    EXPECT_TRUE(platform::StopSystemTimer(late));
    EXPECT_FALSE(platform::StopSystemTimer(late));
    EXPECT_EQ(platform::LiveSystemTimers(), 1);
}

TEST_F(GameTimeTimers, PeriodicTimerKeepsItsPeriodAcrossMapChanges) {
    platform::AdvanceSystemTimers(100.0f);
    platform::StartSystemTimer(20, 20000, Periodic);
    RunFrames(100.0f, 110.0f);  // 10 s on the first map
    EXPECT_TRUE(s_fired.empty());
    RunFrames(1.0f, 10.9f);  // the game time restarts: 9.9 s more
    EXPECT_TRUE(s_fired.empty());
    RunFrames(11.0f, 11.2f);
    EXPECT_EQ(s_fired.size(), 1u);
    RunFrames(11.2f, 31.3f);
    EXPECT_EQ(s_fired.size(), 2u);
}

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
