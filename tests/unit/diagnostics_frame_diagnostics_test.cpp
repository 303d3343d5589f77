// What the governor's checks do beyond steering: the rate warnings, the live
// trace (and a trace file that cannot be written), the statistics command,
// and the timer-throttling opt-out on systems that lack or refuse it.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <string>

#include "commands_fixture.h"
#include "control/timer_throttling.h"
#include "diagnostics/frame_diagnostics.h"
#include "diagnostics/frame_trace.h"
#include "platform/fault_points.h"
#include "plugin/entry_points.h"

using platform::ArmFault;
using platform::FaultPoint;

namespace {

struct FrameDiagnosticsTest : commands_test::CommandsTest {
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
        const uint32_t frames = fps * 4 - 1;
        for (uint32_t i = 0; i < frames; ++i) {
            engine.globals.time = nextCheckTime - 4.0f + 4.0f * static_cast<float>(i) / static_cast<float>(frames);
            GovernorFrame();
        }
        engine.globals.time = nextCheckTime;
        GovernorFrame();
    }
    std::size_t Count(const std::string &text) const { return ::Count(engine.console, text); }
    std::string TraceFile() {
        for (const auto &entry : std::filesystem::directory_iterator("cstrike/addons/zeq_kestrin/logs"))
            if (entry.path().filename().string().rfind("trace_", 0) == 0) return entry.path().string();
        return "";
    }
};

const char kShortfall[] = "sys_ticrate asks for 1200 frames a second, but the server makes 1000";

}  // namespace

TEST_F(FrameDiagnosticsTest, RateNotReachedIsWarnedAfterThreeChecksOncePerMap) {
    EXPECT_NE(Run({"zeq_kestrin_stats"})[1].find("no governor check yet"), std::string::npos);
    engine.SetVariable("zeq_kestrin_sysrate", "1200");
    Measure(1000);  // ran at the attach value 100: more than asked
    Measure(1000);
    Measure(1000);
    EXPECT_EQ(Count(kShortfall), 0u);
    Measure(1000);  // the third window at 1200
    EXPECT_EQ(Count(kShortfall), 1u);
    Measure(1000);
    EXPECT_EQ(Count(kShortfall), 1u);

    const commands_test::Lines lines = Run({"zeq_kestrin_stats"});
    EXPECT_TRUE(std::any_of(lines.begin(), lines.end(), [](const std::string &line) {
        return line.find("1000 frames a second at sys_ticrate 1200, 4 check(s) in a row (warned)") != std::string::npos;
    }));

    engine.console.clear();
    NewMap();
    for (int i = 0; i < 3; ++i) Measure(1000);
    EXPECT_EQ(Count(kShortfall), 1u);
}

TEST_F(FrameDiagnosticsTest, HealthyServerBelowItsRateIsNotWarned) {
    engine.SetVariable("zeq_kestrin_sysrate", "1000");
    Measure(1000);
    for (int i = 0; i < 3; ++i) Measure(913);
    for (int i = 0; i < 3; ++i) Measure(900);  // exactly 90 %
    EXPECT_EQ(Count("the engine does not give more"), 0u);
    Measure(899);
    Measure(950);  // a good check breaks the run
    Measure(899);
    Measure(899);
    EXPECT_EQ(Count("the engine does not give more"), 0u);
    Measure(899);
    EXPECT_EQ(Count("the engine does not give more"), 1u);
}

TEST_F(FrameDiagnosticsTest, TicrateChangedByOthersIsWarnedOncePerChange) {
    Measure(100);  // automatic control at 100 fps: the governor writes 100
    Measure(100);
    EXPECT_EQ(Count("another plugin or a command changed it"), 0u);
    engine.SetVariable("sys_ticrate", "250");
    Measure(100);
    EXPECT_EQ(Count("sys_ticrate reads 250, not 100 as set by this plugin"), 1u);
    Measure(100);  // the governor wrote 100 again: no change since
    EXPECT_EQ(Count("another plugin or a command changed it"), 1u);

    // Automatic control off: the governor leaves sys_ticrate alone, and a
    // change is still reported once.
    engine.SetVariable("zeq_kestrin_autofps", "0");
    Measure(100);
    engine.SetVariable("sys_ticrate", "300");
    Measure(100);
    Measure(100);
    EXPECT_EQ(Count("sys_ticrate reads 300, not 100 as set by this plugin"), 1u);
    EXPECT_EQ(Count("another plugin or a command changed it"), 2u);
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

    // The disk fills: one warning, the trace goes off, the governor goes on.
    ArmFault(FaultPoint::WriteStream, 0, 1);
    Measure(100);
    EXPECT_EQ(Count("Could not write the trace"), 1u);
    EXPECT_EQ(engine.VariableText("zeq_kestrin_trace"), "0");
    EXPECT_EQ(engine.VariableText("zeq_fps"), "100");
    // Switched on again on the same map, the disk still full: quiet.
    engine.SetVariable("zeq_kestrin_trace", "1");
    ArmFault(FaultPoint::WriteStream, 0, 1);
    Measure(100);
    EXPECT_EQ(Count("Could not write the trace"), 1u);
    EXPECT_EQ(engine.VariableText("zeq_kestrin_trace"), "0");
    // On the next map it is reported again.
    NewMap();
    engine.SetVariable("zeq_kestrin_trace", "1");
    ArmFault(FaultPoint::WriteStream, 0, 1);
    Measure(100);
    EXPECT_EQ(Count("Could not write the trace"), 2u);
    // The rows written before the failures stay.
    EXPECT_EQ(engine.ReadTextFile(path).compare(0, text.size(), text), 0);
}

TEST_F(FrameDiagnosticsTest, ThrottlingOptOutMissingOrRefusedIsLoggedOnce) {
    ArmFault(FaultPoint::ThrottlingMissing, 0, -1);
    TakeTimerPeriod();
    TakeTimerPeriod();
    EXPECT_EQ(Count("no power throttling settings"), 1u);
    const commands_test::Lines lines = Run({"zeq_kestrin_stats"});
    EXPECT_TRUE(std::any_of(lines.begin(), lines.end(), [](const std::string &line) {
        return line.find("power throttling") != std::string::npos &&
               line.find("not available on this system") != std::string::npos;
    }));

    platform::DisarmFaults();
    ResetTimerThrottlingForTests();
    ArmFault(FaultPoint::ThrottlingRefused, 0, -1);
    TakeTimerPeriod();
    EXPECT_EQ(Count("did not take the power throttling opt-out"), 1u);
}
