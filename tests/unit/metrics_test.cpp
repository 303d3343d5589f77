// The metrics file: its text, its place and what stops it being written.
#include "diagnostics_fixture.h"

using platform::ArmFault;
using platform::FaultPoint;

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
