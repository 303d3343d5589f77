// The frame statistics, and what the governor's checks do beyond steering.
#include "diagnostics_fixture.h"

// The frame-interval histogram against intervals whose distribution is known.
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

// What the governor's checks do beyond steering: the rate warnings, the live
// trace, the statistics command and the timer-throttling opt-out.
using platform::ArmFault;
using platform::FaultPoint;

namespace {

struct FrameDiagnosticsTest : diagnostics_test::DiagnosticsTest {
    // Today's trace file, or "" while there is none.
    std::string TraceFile() {
        const platform::LocalTime now = platform::CurrentLocalTime();
        char path[96];
        std::snprintf(path, sizeof(path), "cstrike/addons/zeq_kestrin/logs/trace_%04d-%02d-%02d.csv", now.year + 1900,
                      now.month + 1, now.day);
        return engine.Exists(path) ? path : "";
    }
    bool StatsHave(const std::string &text) {
        const commands_test::Lines lines = Run({"zeq_kestrin_stats"});
        return std::any_of(lines.begin(), lines.end(),
                           [&](const std::string &line) { return line.find(text) != std::string::npos; });
    }
};

const char kShortfall[] = "The server makes 1000 frames a second, short of the 1200 set by zeq_kestrin_sysrate";
const char kAnyShortfall[] = "the engine does not give more";

}  // namespace

// Each map counts its own frames: the first window of a new map is all the map has.
TEST_F(FrameDiagnosticsTest, AMapStartsItsFiguresAfresh) {
    Measure(100);
    Measure(100);
    EXPECT_GT(CurrentFrameDiagnostics().map.frames, CurrentFrameDiagnostics().window.frames);
    NewMap();
    Measure(100);
    EXPECT_EQ(CurrentFrameDiagnostics().map.frames, CurrentFrameDiagnostics().window.frames);
}

// A process whose processor time cannot be read shows a dash, not a figure.
TEST_F(FrameDiagnosticsTest, UnreadableProcessorTimeIsShownAsADash) {
    ArmFault(FaultPoint::ProcessCpuTime, 0, -1);
    Measure(100);
    Measure(100);
    const char kDashes[] = "  process cpu (% of core)               -                -";
    commands_test::Lines lines = Run({"zeq_kestrin_stats"});
    EXPECT_NE(std::find(lines.begin(), lines.end(), kDashes), lines.end()) << ::testing::PrintToString(lines);
    // Unreadable at the map start only: the last window has a figure, the
    // map does not, and the row shows neither.
    platform::DisarmFaults();
    ArmFault(FaultPoint::ProcessCpuTime, 0, 1);
    NewMap();
    Measure(100);
    Measure(100);
    lines = Run({"zeq_kestrin_stats"});
    EXPECT_NE(std::find(lines.begin(), lines.end(), kDashes), lines.end()) << ::testing::PrintToString(lines);
}

TEST_F(FrameDiagnosticsTest, RateNotReachedIsWarnedOnceAfterThreeChecks) {
    EXPECT_TRUE(StatsHave("no governor check yet"));
    engine.SetVariable("zeq_kestrin_sysrate", "1200");
    for (int i = 0; i < 3; ++i) Measure(1000);  // the first ran at the attach value 100: more than asked
    EXPECT_EQ(Count(kShortfall), 0u);
    Measure(1000);  // the third window at 1200
    EXPECT_EQ(Count(kShortfall), 1u);
    Measure(1000);
    EXPECT_EQ(Count(kShortfall), 1u);
    EXPECT_TRUE(StatsHave("1000 frames a second of the 1200 asked by zeq_kestrin_sysrate, at sys_ticrate 1200, "
                          "4 check(s) in a row (warned)"));
}

// A fixed rate is short below 90 % of it; a good check breaks the run.
TEST_F(FrameDiagnosticsTest, HealthyServerBelowItsRateIsNotWarned) {
    engine.SetVariable("zeq_kestrin_sysrate", "1000");
    Measure(1000);
    for (uint32_t fps : {913, 913, 913, 900, 900, 900, 899, 950, 899, 899}) Measure(fps);
    EXPECT_EQ(Count(kAnyShortfall), 0u);
    Measure(899);
    EXPECT_EQ(Count(kAnyShortfall), 1u);
}

// The automatic control is short below 95 % of its target, and only once
// sys_ticrate has climbed to it.
TEST_F(FrameDiagnosticsTest, AutomaticControlClimbingOrCloseToItsTargetIsNotWarned) {
    engine.SetVariable("zeq_kestrin_autofps", "1000");
    for (int i = 0; i < 12; ++i) Measure(static_cast<uint32_t>(VariableFloat(g_pSysTicrate) * 0.88f));
    for (int i = 0; i < 4; ++i) Measure(950);
    EXPECT_EQ(Count(kAnyShortfall), 0u);
    for (int i = 0; i < 3; ++i) Measure(949);
    EXPECT_EQ(Count("short of the 1000 asked by zeq_kestrin_autofps"), 1u);
}

TEST_F(FrameDiagnosticsTest, TraceRowsAndAFailedWriteSwitchItOffOncePerMap) {
    Measure(100);
    EXPECT_EQ(TraceFile(), "");  // off by default
    engine.SetVariable("zeq_kestrin_trace", "1");
    Measure(100);
    Measure(100);
    const std::string path = TraceFile();
    ASSERT_NE(path, "");
    std::string text = engine.ReadTextFile(path);
    EXPECT_EQ(text.find(kTraceHeader), 0u);
    EXPECT_EQ(text.find(kTraceHeader, 1), std::string::npos);
    EXPECT_NE(text.find(",13.00,"), std::string::npos);  // the game time of the third check
    EXPECT_EQ(std::count(text.begin(), text.end(), '\n'), 3);

    // The disk fills: one warning, the trace goes off, the governor goes on;
    // switched on again on the same map, still full: quiet; on the next map
    // it is reported again.
    for (int map = 0; map < 2; ++map) {
        for (int attempt = 0; attempt < 2; ++attempt) {
            engine.SetVariable("zeq_kestrin_trace", "1");
            ArmFault(FaultPoint::WriteStream, 0, 1);
            Measure(100);
            EXPECT_EQ(Count("Could not write the trace"), map + 1u);
            EXPECT_EQ(engine.VariableText("zeq_kestrin_trace"), "0");
            EXPECT_EQ(engine.VariableText("zeq_fps"), "100");
        }
        NewMap();
    }
    EXPECT_EQ(engine.ReadTextFile(path).compare(0, text.size(), text), 0);  // the rows written before stay
}

TEST_F(FrameDiagnosticsTest, ThrottlingOptOutMissingOrRefusedIsLoggedOnce) {
    ArmFault(FaultPoint::ThrottlingMissing, 0, -1);
    TakeTimerPeriod();
    TakeTimerPeriod();
    EXPECT_EQ(Count("no power throttling settings"), 1u);
    EXPECT_TRUE(StatsHave("power throttling           not available on this system"));
    platform::DisarmFaults();
    ResetTimerThrottlingForTests();
    ArmFault(FaultPoint::ThrottlingRefused, 0, -1);
    TakeTimerPeriod();
    EXPECT_EQ(Count("did not take the power throttling opt-out"), 1u);
}

// The metrics file: its text, where it goes, and what an unwritable
// directory and a full disk leave behind.
