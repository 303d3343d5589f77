#include <gtest/gtest.h>

#include <utility>
#include <vector>

#include "platform/platform.h"

#if !defined(_WIN32)
#include "platform/system_timers_gametime.h"

namespace {
std::vector<std::pair<uintptr_t, uint32_t>> g_fired;  // id, tick (ms of game time)
void ZK_TIMER_CALLBACK RecordTimer(void *, unsigned int, uintptr_t id, uint32_t tick) {
    g_fired.emplace_back(id, tick);
}
}  // namespace

// A Linux server's timers run on game time: a timer fires on the frame that
// reaches its due time exactly (not a frame later), the first frame only
// sets the clock's base, and a new map's game time starting again adds
// nothing, so the period counts on across it.
TEST(GameTimeTimers, FireOnTheFrameThatReachesTheirDueTimeAcrossAMapChange) {
    namespace timers = platform::gametime_timers;
    timers::Reset();
    g_fired.clear();
    timers::Advance(5.0f);
    const uintptr_t id = timers::Start(0, 250, RecordTimer);
    timers::Advance(5.125f);
    EXPECT_TRUE(g_fired.empty());
    timers::Advance(5.25f);
    ASSERT_EQ(g_fired.size(), 1u);
    EXPECT_EQ(g_fired[0], std::make_pair(id, 250u));
    timers::Advance(1.0f);
    timers::Advance(1.25f);
    ASSERT_EQ(g_fired.size(), 2u);
    EXPECT_EQ(g_fired[1].second, 500u);
    EXPECT_TRUE(timers::Stop(id));
    EXPECT_EQ(timers::Live(), 0);
    timers::Reset();
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
