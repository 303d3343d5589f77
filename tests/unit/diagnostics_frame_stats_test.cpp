// The frame-interval histogram against intervals whose distribution is known.
#include <gtest/gtest.h>

#include <memory>

#include "diagnostics/frame_stats.h"

constexpr uint64_t kUs = 1000;  // nanoseconds

TEST(FrameStatsTest, PercentilesOfKnownIntervalsAndBucketBoundaries) {
    auto h = std::make_unique<IntervalHistogram>();
    // 1 to 1000 us, each once, in a shuffled order.
    for (uint64_t i = 0; i < 1000; ++i) AddInterval(*h, ((i * 7919) % 1000 + 1) * kUs + 999);  // sub-us part dropped
    IntervalSummary s{};
    SummarizeHistogram(*h, &s);
    EXPECT_EQ(s.frames, 1000u);
    EXPECT_EQ(s.p50Us, 500u);
    EXPECT_EQ(s.p90Us, 900u);
    EXPECT_EQ(s.p99Us, 990u);
    EXPECT_EQ(s.p999Us, 999u);
    EXPECT_EQ(s.maxUs, 1000u);
    EXPECT_NEAR(s.fps, 1000.0 / 0.501499, 0.01);  // 500.5 ms + 999 us in all

    // A 1000 fps server: one frame in 200 lasts 25.7 ms, one in 2000 takes 1.5 s.
    h = std::make_unique<IntervalHistogram>();
    for (int i = 1; i <= 4000; ++i)
        AddInterval(*h, i % 2000 == 0 ? 1500000 * kUs : i % 200 == 0 ? 25700 * kUs : 1000 * kUs);
    SummarizeHistogram(*h, &s);
    EXPECT_EQ(s.p50Us, 1000u);
    EXPECT_EQ(s.p99Us, 1000u);      // 20 long frames in 4000: 0.5 %
    EXPECT_EQ(s.p999Us, 25000u);    // a coarse bucket reads as its lower edge
    EXPECT_EQ(IntervalPercentile(*h, 0.99975), 1500000u);  // among the overflow: the maximum
    EXPECT_EQ(s.maxUs, 1500000u);
    EXPECT_EQ(h->overflow, 2u);
    for (int i = 0; i < 20; ++i) AddInterval(*h, 25700 * kUs);
    EXPECT_EQ(IntervalPercentile(*h, 0.995), 25000u);  // twice as many long frames

    // Bucket boundaries.
    h = std::make_unique<IntervalHistogram>();
    AddInterval(*h, 19999 * kUs);   // the last 1-us bucket
    AddInterval(*h, 20000 * kUs);   // the first 1-ms bucket
    AddInterval(*h, 999999 * kUs);  // the last 1-ms bucket
    AddInterval(*h, 1000000 * kUs); // overflow
    EXPECT_EQ(h->buckets[19999], 1u);
    EXPECT_EQ(h->buckets[20000], 1u);
    EXPECT_EQ(h->buckets[kHistogramBuckets - 1], 1u);
    EXPECT_EQ(h->overflow, 1u);
    EXPECT_EQ(IntervalPercentile(*h, 0.25), 19999u);
    EXPECT_EQ(IntervalPercentile(*h, 0.50), 20000u);
    EXPECT_EQ(IntervalPercentile(*h, 0.75), 999000u);
    EXPECT_EQ(IntervalPercentile(*h, 1.0), 1000000u);
    AddInterval(*h, 5000000000000ull);  // a stall of more than 71 minutes still fits the maximum
    EXPECT_EQ(h->maxUs, 0xFFFFFFFFu);
}

TEST(FrameStatsTest, WindowsMergeIntoTheMap) {
    auto map = std::make_unique<IntervalHistogram>();
    auto window = std::make_unique<IntervalHistogram>();
    IntervalSummary s{};
    SummarizeHistogram(*map, &s);
    EXPECT_EQ(s.frames, 0u);
    EXPECT_EQ(s.p99Us, 0u);
    EXPECT_EQ(s.fps, 0.0);
    for (int i = 0; i < 100; ++i) AddInterval(*window, 2000 * kUs);
    MergeHistogram(*map, *window);
    ClearHistogram(*window);
    for (int i = 0; i < 300; ++i) AddInterval(*window, 1000 * kUs);
    AddInterval(*window, 9000 * kUs);
    MergeHistogram(*map, *window);
    SummarizeHistogram(*map, &s);
    EXPECT_EQ(s.frames, 401u);
    EXPECT_EQ(s.p50Us, 1000u);
    EXPECT_EQ(s.p90Us, 2000u);
    EXPECT_EQ(s.maxUs, 9000u);
    EXPECT_NEAR(s.fps, 401.0 / 0.509, 0.01);
}
