// A server after attach and a map start, with checks driven frame by frame
// through the governor.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "commands_fixture.h"
#include "config/variables.h"
#include "control/governor.h"
#include "control/timer_throttling.h"
#include "diagnostics/frame_diagnostics.h"
#include "diagnostics/frame_stats.h"
#include "diagnostics/frame_trace.h"
#include "diagnostics/metrics.h"
#include "engine/plugin_state.h"
#include "platform/fault_points.h"
#include "platform/platform.h"
#include "plugin/entry_points.h"

namespace diagnostics_test {

struct DiagnosticsTest : commands_test::CommandsTest {
    void SetUp() override {
        CommandsTest::SetUp();
        NewMap();
    }
    void TearDown() override {
        platform::DisarmFaults();
        CommandsTest::TearDown();
    }
    void NewMap() {
        GovernorMapStart();
        ScheduleFirstCheck();
    }
    // One 4-second window that measures exactly `fps`, closed by its check.
    void Measure(uint32_t fps) {
        const uint32_t frames = fps == 0 ? 0 : fps * 4 - 1;
        for (uint32_t i = 0; i < frames; ++i) {
            engine.globals.time = nextCheckTime - 4.0f + 4.0f * static_cast<float>(i) / static_cast<float>(frames);
            GovernorFrame();
        }
        engine.globals.time = nextCheckTime;
        GovernorFrame();
    }
    std::size_t Count(const std::string &text) const { return ::Count(engine.console, text); }
};

}  // namespace diagnostics_test

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

namespace {

const char kDefaultFile[] = "cstrike/addons/zeq_kestrin/metrics/zeq_kestrin_27015.prom";
const char kFailure[] = "Could not write the metrics file";

struct MetricsTest : diagnostics_test::DiagnosticsTest {
    void SetUp() override {
        DiagnosticsTest::SetUp();
        engine.RegisterEngineVariable("port", "27015");
        engine.RegisterEngineVariable("hostport", "0");
        engine.RegisterEngineVariable("ip_hostport", "0");
        engine.RegisterEngineVariable("ip", "localhost");
    }
    void Check() {
        engine.globals.time = nextCheckTime;
        GovernorFrame();
    }
    std::vector<std::string> Files(const std::string &directory) {
        std::vector<std::string> names;
        for (const auto &entry : std::filesystem::directory_iterator(directory))
            names.push_back(entry.path().filename().string());
        std::sort(names.begin(), names.end());
        return names;
    }
};

}  // namespace

TEST(MetricsFormat, HistogramBucketsAreCumulativeAndExactAtTheirBounds) {
    IntervalHistogram window{};
    // Bounds in microseconds: 250, 500, 1000, 1500, 2000, 3000, 5000, 10000, 20000, 50000, 100000.
    // Intervals are counted at 1-microsecond resolution (50 ms and more at 1 ms): one of exactly a bound
    // counts above it.
    for (uint64_t ns : {249999ull, 250000ull, 250001ull, 999999ull, 19999999ull, 20000000ull, 49999999ull,
                        50000000ull, 99999999ull, 100000000ull, 2000000000ull})
        AddInterval(window, ns);
    ServerIntervalHistogram server{};
    AccumulateIntervals(server, window);
    AccumulateIntervals(server, window);  // windows add up
    const uint64_t expected[kMetricsBuckets] = {2, 6, 8, 8, 8, 8, 8, 8, 10, 14, 18};
    for (int i = 0; i < kMetricsBuckets; ++i) EXPECT_EQ(server.cumulative[i], expected[i]) << kMetricsBucketUs[i];
    EXPECT_EQ(server.count, 22u);
    EXPECT_EQ(server.totalNs, 2 * window.totalNs);
}

TEST(MetricsFormat, LabelValuesAreEscapedAndKeptValidUtf8) {
    const std::pair<const char *, const char *> cases[] = {
        {"de_dust2", "de_dust2"},
        {"a\"b\\c\nd", "a\\\"b\\\\c\\nd"},
        {"caf\xC3\xA9", "caf\xC3\xA9"},        // UTF-8 kept
        {"bad\xE9x\xC3", "bad?x?"},            // Latin-1 byte, cut sequence
        {"\xF0\x9F\x98\x80!", "\xF0\x9F\x98\x80!"},
        {"\xF8\x80\x80\x80", "????"},  // no UTF-8 lead byte, whatever follows
        // What Prometheus' parser refuses: overlong forms, surrogates, above U+10FFFF.
        {"\xE0\x9F\xBF|\xED\xA0\x80|\xF0\x8F\xBF\xBF|\xF4\x90\x80\x80", "???|???|????|????"},
        {"\xE0\xA0\x80\xED\x9F\xBF\xF0\x90\x80\x80\xF4\x8F\xBF\xBF",  // the edges it takes
         "\xE0\xA0\x80\xED\x9F\xBF\xF0\x90\x80\x80\xF4\x8F\xBF\xBF"},
        // Lead bytes at the ends of their ranges, and a continuation byte past 0xBF.
        {"\xC1\xBF|\xF5\x80\x80\x80|\xC3\xC0|\xE1\x80\xC0", "??|????|??|???"},
        {"\xC2\x80\xDF\xBF\xEF\xBF\xBF\xE1\x80\x80", "\xC2\x80\xDF\xBF\xEF\xBF\xBF\xE1\x80\x80"},
    };
    for (const auto &[value, escaped] : cases) {
        char out[64];
        EXPECT_TRUE(EscapeLabelValue(value, out, sizeof(out)));
        EXPECT_STREQ(out, escaped);
    }
    char small[4];
    EXPECT_FALSE(EscapeLabelValue("a\"b", small, sizeof(small)));  // the "b" does not fit
    EXPECT_STREQ(small, "a\\\"");  // cut after a whole escape
}

TEST(MetricsFormat, TextIsCompleteOrRefused) {
    MetricsSnapshot snapshot{};
    snapshot.port = 27015;
    snapshot.game = "cstrike";
    snapshot.version = "1.70";
    snapshot.platformName = "linux-i386";
    snapshot.map = "de_\"x\\";
    snapshot.ticrateAsked = 1000.5;
    snapshot.intervals.count = 3;
    snapshot.intervals.totalNs = 1500000;
    static char text[16384];
    std::size_t length = 0;
    ASSERT_TRUE(FormatMetrics(snapshot, text, sizeof(text), &length));
    const std::string file(text, length);
    EXPECT_NE(file.find("zeq_kestrin_map_info{port=\"27015\",game=\"cstrike\",map=\"de_\\\"x\\\\\"} 1\n"),
              std::string::npos);
    EXPECT_NE(file.find("zeq_kestrin_sys_ticrate_asked{port=\"27015\",game=\"cstrike\"} 1000.5\n"), std::string::npos);
    EXPECT_NE(file.find("zeq_kestrin_frame_interval_seconds_sum{port=\"27015\",game=\"cstrike\"} 0.0015\n"),
              std::string::npos);
    // No window yet: no frame rate rather than a wrong one.
    EXPECT_EQ(file.find("zeq_kestrin_frames_per_second"), std::string::npos);
    EXPECT_FALSE(FormatMetrics(snapshot, text, length, &length));  // one byte short
}

TEST_F(MetricsTest, OffByDefaultThenWrittenAtEachCheckUnderTheServersPortInItsDirectory) {
    Check();
    EXPECT_FALSE(engine.Exists("cstrike/addons/zeq_kestrin/metrics"));
    engine.SetVariable("zeq_kestrin_metrics", "1");
    Check();
    std::string text = engine.ReadFile(kDefaultFile);  // the missing directory is created
    EXPECT_NE(text.find("zeq_kestrin_frames_per_second{port=\"27015\",game=\"cstrike\"} "), std::string::npos);
    // What the operator asked for (zeq_kestrin_autofps 100), not sys_ticrate.
    EXPECT_NE(text.find("zeq_kestrin_rate_target{port=\"27015\",game=\"cstrike\",mode=\"automatic\"} 100\n"),
              std::string::npos);
    // Rewritten in place: the new text, and no file left beside it.
    engine.SetVariable("sys_ticrate", "321");
    Check();
    text = engine.ReadFile(kDefaultFile);
    EXPECT_NE(text.find("kind=\"sys_ticrate_changed\"} 1\n"), std::string::npos);
    EXPECT_EQ(Files("cstrike/addons/zeq_kestrin/metrics"), std::vector<std::string>{"zeq_kestrin_27015.prom"});

    // The engine's port: ip_hostport before hostport before port.
    for (const auto &[variable, port] : {std::pair<const char *, const char *>{"port", "27016"},
                                         {"hostport", "27017"},
                                         {"ip_hostport", "27018"}}) {
        engine.SetVariable(variable, port);
        Check();
        EXPECT_TRUE(engine.Exists(std::string("cstrike/addons/zeq_kestrin/metrics/zeq_kestrin_") + port + ".prom"))
            << variable;
    }
    EXPECT_EQ(Files("cstrike/addons/zeq_kestrin/metrics").size(), 4u);

    // Servers bound to different addresses on one port: a file and labels each.
    engine.SetVariable("ip", "10.0.0.1");
    Check();
    text = engine.ReadFile("cstrike/addons/zeq_kestrin/metrics/zeq_kestrin_10.0.0.1_27018.prom");
    EXPECT_NE(text.find("zeq_kestrin_players{port=\"27018\",address=\"10.0.0.1\",game=\"cstrike\"} "),
              std::string::npos);

    // Temporary files of this server's name left by ended processes go at
    // the map start; its own, and other servers', stay.  The map start keeps
    // the last window's series until the map's first check.
    const std::string prefix = "cstrike/addons/zeq_kestrin/metrics/zeq_kestrin_10.0.0.1_27018.prom.";
    const std::string self = prefix + std::to_string(platform::ProcessId()) + ".7.tmp";
    const std::string other = "cstrike/addons/zeq_kestrin/metrics/zeq_kestrin_27015.prom.99999999.tmp";
    for (const std::string &name : {prefix + "99999999.tmp", prefix + "99999999.3.tmp", self, other})
        engine.WriteFile(name, "left");
    Check();
    EXPECT_EQ(Files("cstrike/addons/zeq_kestrin/metrics").size(), 9u);
    NewMap();
    EXPECT_EQ(Files("cstrike/addons/zeq_kestrin/metrics").size(), 7u);
    EXPECT_TRUE(engine.Exists(self) && engine.Exists(other));
    text = engine.ReadFile("cstrike/addons/zeq_kestrin/metrics/zeq_kestrin_10.0.0.1_27018.prom");
    EXPECT_NE(text.find("zeq_kestrin_frames_per_second{"), std::string::npos);
    EXPECT_NE(text.find("zeq_kestrin_window_frame_interval_seconds{"), std::string::npos);
    EXPECT_EQ(Count(kFailure), 0u);
}

// From the console the directory may only name a place inside the game
// directory: rcon must not get a file write anywhere else.  A refused value
// warns once and the previous directory stays.
TEST_F(MetricsTest, DirectoryOutsideTheGameDirectoryIsRefused) {
    engine.SetVariable("zeq_kestrin_metrics", "1");
    engine.SetVariable("zeq_kestrin_metrics_dir", "stats/prom/");  // inside: made, trailing separator dropped
    Check();
    EXPECT_TRUE(engine.Exists("cstrike/stats/prom/zeq_kestrin_27015.prom"));
    // Outside the server's directory, a name of this test's own: a fault
    // that makes it once must not fail every later run on the machine.
    const std::string outside = "outside_" + engine.root.substr(engine.root.find_last_of("/\\") + 1);
    for (const std::string &refused : {engine.root + "/outside", "../../" + outside, std::string("a/../../b"),
                                      std::string("..\\outside"), std::string("C:outside"), std::string("\\\\host\\x")}) {
        engine.SetVariable("zeq_kestrin_metrics_dir", refused);
        Check();
        Check();
        EXPECT_EQ(engine.VariableText("zeq_kestrin_metrics_dir"), "stats/prom/") << refused;
    }
    EXPECT_EQ(Count("zeq_kestrin_metrics_dir refused"), 6u);
    EXPECT_FALSE(engine.Exists("outside"));
    EXPECT_FALSE(engine.Exists("../" + outside));
    EXPECT_EQ(Files("cstrike/stats/prom"), std::vector<std::string>{"zeq_kestrin_27015.prom"});
    EXPECT_EQ(engine.VariableText("zeq_kestrin_metrics"), "1");
}

#ifndef _WIN32
// The operator's way to an exporter's directory elsewhere: a link from the
// metrics directory.  Links planted on the files the plugin writes are never
// followed: another user of a shared directory cannot make the server
// overwrite a file of its own.
TEST_F(MetricsTest, DirectoryLinkIsFollowedButNoLinkOnTheFilesWritten) {
    const std::string exporter = engine.root + "/exporter";
    std::filesystem::create_directories(exporter);
    std::filesystem::create_directories("cstrike/addons/zeq_kestrin");
    std::filesystem::create_directory_symlink(exporter, "cstrike/addons/zeq_kestrin/metrics");
    engine.WriteFile("victim.txt", "the operator's");
    const std::string pid = std::to_string(platform::ProcessId());
    for (const std::string &name : {"zeq_kestrin_27015.prom." + pid + ".tmp", "zeq_kestrin_27015." + pid + ".tmp"})
        std::filesystem::create_symlink(engine.root + "/victim.txt", exporter + "/" + name);
    engine.SetVariable("zeq_kestrin_metrics", "1");
    Check();
    EXPECT_EQ(engine.ReadFile("victim.txt"), "the operator's");
    EXPECT_NE(engine.ReadFile(exporter + "/zeq_kestrin_27015.prom").find("zeq_kestrin_players"), std::string::npos);
    // A link in the file's own place is replaced, not written through.
    std::filesystem::remove(exporter + "/zeq_kestrin_27015.prom");
    std::filesystem::create_symlink(engine.root + "/victim.txt", exporter + "/zeq_kestrin_27015.prom");
    Check();
    EXPECT_EQ(engine.ReadFile("victim.txt"), "the operator's");
    EXPECT_FALSE(std::filesystem::is_symlink(exporter + "/zeq_kestrin_27015.prom"));
    EXPECT_EQ(Count(kFailure), 0u);
}
#endif

TEST_F(MetricsTest, UnwritableDirectoryWarnsOnceAMapAndSwitchesTheMetricsOff) {
    engine.SetVariable("zeq_kestrin_metrics", "1");
    for (FaultPoint point : {FaultPoint::MakeDirectory, FaultPoint::CreateTemporary}) {
        ArmFault(point, 0, -1);
        Check();
        EXPECT_EQ(engine.VariableText("zeq_kestrin_metrics"), "0");
        engine.SetVariable("zeq_kestrin_metrics", "1");
        if (point == FaultPoint::MakeDirectory) engine.WriteFile("cstrike/addons/zeq_kestrin/metrics/.keep", "");
        platform::DisarmFaults();
    }
    EXPECT_EQ(Count(kFailure), 1u);  // the second failure on the same map stays quiet
    EXPECT_NE(engine.console.find("zeq_kestrin_metrics_dir"), std::string::npos);
    EXPECT_EQ(engine.VariableText("zeq_fps"), "0");  // the governor goes on
    engine.SetVariable("zeq_kestrin_metrics_dir", "metrics_elsewhere");
    ArmFault(FaultPoint::MakeDirectory, 0, -1);
    NewMap();  // the map start writes too, and warns again
    EXPECT_EQ(Count(kFailure), 2u);
}

TEST_F(MetricsTest, FullDiskLeavesTheLastWholeFileAndNoTemporary) {
    engine.SetVariable("zeq_kestrin_metrics", "1");
    Check();
    const std::string before = engine.ReadFile(kDefaultFile);
    ArmFault(FaultPoint::WriteTemporary, 0, 1);
    engine.globals.time += 10.0f;
    Check();
    EXPECT_EQ(engine.ReadFile(kDefaultFile), before);
    EXPECT_EQ(Files("cstrike/addons/zeq_kestrin/metrics"), std::vector<std::string>{"zeq_kestrin_27015.prom"});
    EXPECT_EQ(Count(kFailure), 1u);
    EXPECT_EQ(engine.VariableText("zeq_kestrin_metrics"), "0");

    // A rename refused every time (a directory in the file's place): the
    // temporary file goes too.
    engine.SetVariable("hostport", "27016");
    engine.WriteFile("cstrike/addons/zeq_kestrin/metrics/zeq_kestrin_27016.prom/x", "");
    NewMap();
    engine.SetVariable("zeq_kestrin_metrics", "1");
    Check();
    EXPECT_EQ(Count(kFailure), 2u);
    EXPECT_EQ(Files("cstrike/addons/zeq_kestrin/metrics"),
              (std::vector<std::string>{"zeq_kestrin_27015.prom", "zeq_kestrin_27016.prom"}));
}

namespace {
struct GovernorTest : diagnostics_test::DiagnosticsTest {
    void SetUp() override {
        DiagnosticsTest::SetUp();  // game time 1.0: first check at 5.0
        loadedByMetamod = true;
    }
    std::string Ticrate() { return engine.VariableText("sys_ticrate"); }
};
}  // namespace

TEST_F(GovernorTest, FixedRate) {
    const struct {
        const char *sysrate;
        const char *ticrate;
    } cases[] = {{"49.99", "100"}, {"50", "50"}};  // 49.99: automatic, target 100 met
    for (const auto &c : cases) {
        engine.SetVariable("zeq_kestrin_sysrate", c.sysrate);
        Measure(100);
        EXPECT_EQ(Ticrate(), c.ticrate) << c.sysrate;
    }
    engine.SetVariable("zeq_kestrin_sysrate", "nan");
    ticrateTarget = 100;
    Measure(100);
    EXPECT_EQ(Ticrate(), "100");  // no number: automatic control
}

// A fixed rate beyond any 32-bit number is kept low enough that the automatic
// step taken after it stays a number: it falls back to 1000 like any rate
// above 1200.
TEST_F(GovernorTest, HugeFixedRateThenAutomatic) {
    for (const char *huge : {"2.2e9", "1e30"}) {
        engine.SetVariable("zeq_kestrin_sysrate", huge);
        Measure(100);
        EXPECT_EQ(Ticrate(), "2147483572") << huge;
        engine.SetVariable("zeq_kestrin_sysrate", "0");
        Measure(40);  // target 100: a step of 38 upward
        EXPECT_EQ(ticrateTarget, 1000) << huge;
        EXPECT_EQ(engine.VariableText("zeq_ticrate"), "2147483572") << huge;
        EXPECT_EQ(Ticrate(), "1000") << huge;
    }
}

TEST_F(GovernorTest, AutomaticStepsTowardTheTarget) {
    const struct {
        uint32_t measured;
        int32_t change;
    } cases[] = {{60, 15}, {85, 8}, {93, 3}, {97, 1}, {100, 0}, {130, -15}, {0, 38}, {250, -75}};
    for (const auto &c : cases) {
        ticrateTarget = 500;
        Measure(c.measured);
        EXPECT_EQ(ticrateTarget, 500 + c.change) << c.measured;
        EXPECT_EQ(Ticrate(), std::to_string(500 + c.change));
    }
}

TEST_F(GovernorTest, AutomaticLimits) {
    engine.SetVariable("zeq_kestrin_autofps", "1000");
    ticrateTarget = 1190;
    Measure(975);  // gap 25: +15 gives 1205, which falls back to 1000
    EXPECT_EQ(ticrateTarget, 1000);
    engine.SetVariable("zeq_kestrin_autofps", "100");
    for (int i = 0; i < 40; ++i) Measure(400);
    EXPECT_EQ(ticrateTarget, 100);
    // A negative target is a huge unsigned one: always upward, by the largest step.
    engine.SetVariable("zeq_kestrin_autofps", "-1");
    Measure(100);
    EXPECT_EQ(ticrateTarget, 175);
}

TEST_F(GovernorTest, TimerPeriodFollowsTheMinimumSleep) {
    const struct {
        const char *sleepsm;
        uint32_t period;
    } cases[] = {{"3", 3}, {"0", 1}, {"15", 10}, {"-1", 10}, {"7.9", 7}, {"1e30", 10}, {"nan", 1}};
    for (const auto &c : cases) {
        engine.SetVariable("zeq_kestrin_sleepsm", c.sleepsm);
        Measure(100);
        EXPECT_EQ(TimerPeriod(), c.period) << c.sleepsm;
    }
}
