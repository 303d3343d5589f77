// The real-time frame-timing model: rate, cap, jitter bounds, long frames.
#include <gtest/gtest.h>

#include <algorithm>

#include "frame_timing.h"

namespace hostsim {

TEST(FrameTimingTest, FollowsTheRateUnderTheCapWithBoundedJitterAndLongFrames) {
    FrameTimingOptions options;
    EXPECT_DOUBLE_EQ(FrameTiming(options).nextInterval(99), 0.01);  // 1/(sys_ticrate+1)
    options.maxFps = 1000;
    FrameTiming capped(options);
    EXPECT_DOUBLE_EQ(capped.nextInterval(1200), 0.001);  // reads 1200, runs 1000
    EXPECT_DOUBLE_EQ(capped.nextInterval(499), 0.002);   // below the cap: the rate

    options.jitterUs = 100;
    options.longFrameEvery = 10;
    options.longFrameMs = 25;
    FrameTiming model(options);
    double lowest = 1, highest = 0;
    for (int i = 1; i <= 1000; ++i) {
        const double interval = model.nextInterval(1200);
        if (i % 10 == 0) {
            EXPECT_DOUBLE_EQ(interval, 0.025);
            continue;
        }
        lowest = std::min(lowest, interval);
        highest = std::max(highest, interval);
    }
    EXPECT_GE(lowest, 0.0009);
    EXPECT_LE(highest, 0.0011);
    EXPECT_LT(lowest, 0.00092);  // the jitter spreads over its whole range
    EXPECT_GT(highest, 0.00108);
}

}  // namespace hostsim
