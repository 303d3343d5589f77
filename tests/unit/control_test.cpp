#include <gtest/gtest.h>

#include <cmath>
#include <deque>
#include <string>
#include <vector>

#include "config/variables.h"
#include "control/cpu_monitor.h"
#include "control/spike_regulator.h"
#include "engine/plugin_state.h"
#include "platform/cpu_load.h"
#include "platform/fault_points.h"
#include "platform/platform.h"
#include "support/test_engine.h"

namespace {

const char *const kTotalPath = "\\Processor(_Total)\\% Processor Time";

struct MonitorTest : ::testing::Test {
    TestEngine engine;
    Monitor monitor{nullptr, nullptr, 0};

    void SetUp() override {
        engine.WriteFile("cstrike/addons/zeq_kestrin/.keep", "");
        RegisterMainVariables();
        platform::ResetCpuCountersForTests(nullptr);
    }
    void TearDown() override { platform::ResetCpuCountersForTests(nullptr); }
};

}  // namespace

// ------------------------------------------------------------------ the real counters

TEST_F(MonitorTest, TwoMapsWithTheRealCountersThenAnUnknownCounter) {
    for (int map = 0; map < 2; ++map) {
        ASSERT_TRUE(CreateMonitor(kTotalPath, &monitor)) << map;
        EXPECT_TRUE(MonitorIsOpen(&monitor));
        monitor.value = 1234;
        EXPECT_TRUE(SampleCpuLoad(&monitor));
#if defined(_WIN32)
        // Windows has no rate after one collection; Wine's counter has one at once.
        EXPECT_TRUE(monitor.value == 1234u || monitor.value <= 100u) << monitor.value;
#else
        EXPECT_EQ(monitor.value, 1234u);  // one collection: no rate yet
#endif
        platform::SleepMilliseconds(1100);
        EXPECT_TRUE(SampleCpuLoad(&monitor));
        EXPECT_LE(monitor.value, 100u);
        EXPECT_TRUE(DestroyMonitor(&monitor));
        EXPECT_FALSE(MonitorIsOpen(&monitor));
    }
    // An unknown counter fails the creation; the query is open and must still be closed.
    EXPECT_FALSE(CreateMonitor("\\No Such Object(_Total)\\Nothing", &monitor));
    EXPECT_FALSE(MonitorIsOpen(&monitor));
    EXPECT_NE(monitor.query, nullptr);
    EXPECT_TRUE(platform::CloseCpuQuery(monitor.query) == platform::CpuStatus::Ok);
    EXPECT_EQ(platform::CpuBindAttemptsForTests(), 1);
    EXPECT_EQ(engine.console.find("PDHUpdate"), std::string::npos);
}

TEST_F(MonitorTest, MissingSourceIsTriedOnceAndFailsEverything) {
    platform::ResetCpuCountersForTests("zk_no_such_counters.dll");
    for (int map = 0; map < 3; ++map) {
        EXPECT_FALSE(CreateMonitor(kTotalPath, &monitor));
        EXPECT_FALSE(SampleCpuLoad(&monitor));
        EXPECT_FALSE(DestroyMonitor(&monitor));  // no message box: nothing reaches the close step
    }
    EXPECT_FALSE(SelectMonitorForOs(true));
    EXPECT_FALSE(SelectMonitorForOs(false));
    EXPECT_FALSE(BindPdh());
    EXPECT_EQ(platform::CpuBindAttemptsForTests(), 1);
    EXPECT_EQ(engine.console.find("Perfmon"), std::string::npos);
}

// A counter call that faults (a crash inside the counters' library, caught):
// the sample fails and says so; a close that faults ends there, reported as
// failed, and leaves the query to close.
TEST_F(MonitorTest, FaultingCounterFailsTheSampleAndTheClose) {
    ASSERT_TRUE(CreateMonitor(kTotalPath, &monitor));
    monitor.value = 42;
    platform::ArmFault(platform::FaultPoint::CounterFault, 0, 1);
    EXPECT_FALSE(SampleCpuLoad(&monitor));
    EXPECT_EQ(monitor.value, 42u);
    EXPECT_EQ(Count(engine.console, "[ZEQ] ERROR: PDHUpdate get NULL value\n"), 1u) << engine.console;
    EXPECT_TRUE(SampleCpuLoad(&monitor));

    platform::ArmFault(platform::FaultPoint::CounterFault, 0, 1);
    EXPECT_FALSE(DestroyMonitor(&monitor));
    EXPECT_FALSE(MonitorIsOpen(&monitor));
    EXPECT_TRUE(platform::CloseCpuQuery(monitor.query) == platform::CpuStatus::Ok);  // left open
    platform::DisarmFaults();
}

// The choice at its exact edge: Windows Vista's own version word (6.0,
// build 6000) takes the Vista monitor, the word just below it the XP one.
TEST_F(MonitorTest, VistaMonitorFromVistasOwnVersionWordOn) {
    platform::SetWindowsVersionWordForTests(393216006u);
    EXPECT_TRUE(SelectMonitorForOs(true));
    EXPECT_FALSE(SelectMonitorForOs(false));
    platform::SetWindowsVersionWordForTests(393216005u);
    EXPECT_FALSE(SelectMonitorForOs(true));
    EXPECT_TRUE(SelectMonitorForOs(false));
    platform::SetWindowsVersionWordForTests(0);
    for (const char *line : {"LOG: Vista Perfmon 393216006", "ERROR: Vista Perfmon detected 393216006",
                             "ERROR: Not Vista Perfmon detected 393216005", "LOG: Not Vista Perfmon 393216005"})
        EXPECT_NE(engine.console.find(line), std::string::npos) << line;
}

#if defined(_WIN32)

TEST_F(MonitorTest, VersionChoiceMatchesTheRunningWindows) {
    uint32_t version = 0;
    ASSERT_TRUE(platform::WindowsVersionWord(&version));
    const bool vista = version >= 393216006u;
    const std::string shown = std::to_string(static_cast<int>(version));
    EXPECT_TRUE(SelectMonitorForOs(vista));
    EXPECT_FALSE(SelectMonitorForOs(!vista));
    const std::string chosen = vista ? "[ZEQ] LOG: Vista Perfmon " : "Not Vista Perfmon ";
    const std::string refused = vista ? "ERROR: Vista Perfmon detected " : "ERROR: Not Vista Perfmon detected ";
    EXPECT_NE(engine.console.find(chosen + shown), std::string::npos) << engine.console;
    EXPECT_NE(engine.console.find(refused + shown), std::string::npos);
}

namespace {
void Fault(void *) { *static_cast<volatile int *>(nullptr) = 1; }
void Store(void *context) { *static_cast<int *>(context) = 7; }
}  // namespace

TEST(FaultGuard, FaultMakesTheCallFailAndTheGuardStaysUsable) {
    int stored = 0;
    EXPECT_TRUE(platform::RunUnderFaultGuard(Store, &stored));
    EXPECT_EQ(stored, 7);
    EXPECT_FALSE(platform::RunUnderFaultGuard(Fault, nullptr));
    EXPECT_FALSE(platform::RunUnderFaultGuard(Fault, nullptr));
    stored = 0;
    EXPECT_TRUE(platform::RunUnderFaultGuard(Store, &stored));
    EXPECT_EQ(stored, 7);
}

#else  // POSIX

// ------------------------------------------------------------------ /proc/stat

namespace {
struct ProcStatTest : MonitorTest {
    const std::string kStat = "fake_stat";
    void UseStat(const std::string &contents) { engine.WriteFile(kStat, contents); }
    void SetUp() override {
        MonitorTest::SetUp();
        UseStat("cpu  100 0 100 800 0 0 0 0 0 0\ncpu0 100 0 100 800 0 0 0 0 0 0\nintr 1 2 3\n");
        platform::ResetCpuCountersForTests((engine.root + "/" + kStat).c_str());
    }
    // Samples once with the given file and returns the monitor's value.
    void Reopen() {
        ASSERT_TRUE(DestroyMonitor(&monitor));
        ASSERT_TRUE(CreateMonitor(kTotalPath, &monitor));
    }
    uint32_t Sample(const std::string &contents) {
        UseStat(contents);
        EXPECT_TRUE(SampleCpuLoad(&monitor));
        return monitor.value;
    }
};
}  // namespace

TEST_F(ProcStatTest, RateIsBusyShareOfElapsedJiffiesWithRebaseAndBadReadings) {
    ASSERT_TRUE(CreateMonitor(kTotalPath, &monitor));
    monitor.value = 77;
    EXPECT_EQ(Sample("cpu  100 0 100 800 0 0 0 0 0 0\n"), 77u);  // first collection
    EXPECT_EQ(Sample("cpu  150 10 120 820 0 0 0 0 0 0\n"), 80u);  // 80 busy of 100
    // iowait is idle; irq, softirq and steal are busy; guest is already in user.
    EXPECT_EQ(Sample("cpu  150 10 120 850 50 10 5 5 999 999\n"), 20u);  // 20 busy of 100

    // A kernel with four fields only; the line is the first of the file.
    Reopen();
    Sample("cpu 100 0 0 100\ncpu0 100 0 0 100\n");
    EXPECT_EQ(Sample("cpu 102 0 0 101\ncpu0 102 0 0 101\n"), 66u);  // 2 of 3, truncated

    // Counters going backwards rebase.
    Reopen();
    Sample("cpu  1000 0 0 9000 0 0 0 0 0 0\n");
    EXPECT_EQ(Sample("cpu  1010 0 0 9090 0 0 0 0 0 0\n"), 10u);
    EXPECT_EQ(Sample("cpu  10 0 0 90 0 0 0 0 0 0\n"), 10u);  // all back (migrated container)
    EXPECT_EQ(Sample("cpu  70 0 0 130 0 0 0 0 0 0\n"), 60u);  // rate from the new base
    EXPECT_EQ(Sample("cpu  60 0 0 160 0 0 0 0 0 0\n"), 60u);  // busy back, total on
    EXPECT_EQ(Sample("cpu  100 0 0 100 0 0 0 0 0 0\n"), 60u);  // idle back: busy beyond elapsed
    EXPECT_EQ(Sample("cpu  100 0 0 200 0 0 0 0 0 0\n"), 0u);
    EXPECT_EQ(Sample("cpu  200 0 0 200 0 0 0 0 0 0\n"), 100u);

    // Bad readings give no rate and keep the value.
    Reopen();
    Sample("cpu  100 0 100 800 0 0 0 0 0 0\n");
    EXPECT_EQ(Sample("cpu  130 0 100 870 0 0 0 0 0 0\n"), 30u);
    const char *bad[] = {
        "",                                            // empty
        "cpu  130 0 100",                              // truncated, no line end
        "cpu  140 0\n",                                // too few fields
        "cpu  14x 0 100 900 0 0 0 0 0 0\n",            // garbage
        "cpu  -140 0 100 900 0 0 0 0 0 0\n",           // sign
        "cpu0 400 0 100 870 0 0 0 0 0 0\n",            // not the aggregate line (read from "0": 62 %)
        "cpu\n", "cpu", "cp", "cpux 140 0 100 900\n",  // a line that ends or differs within "cpu "
        "intr 1 2 3\n",                                //
        "cpu  99999999999999999999 0 100 900 0 0 0 0 0 0\n",               // beyond 64 bits
        "cpu  18446744073709551615 1 0 0 0 0 0 0 0 0\n",                   // sum beyond 64 bits
        "cpu  130 0 100 870 0 0 0 0 0 0\n",            // nothing elapsed
    };
    for (const char *contents : bad) EXPECT_EQ(Sample(contents), 30u) << contents;
    // The base is still the last good reading.
    EXPECT_EQ(Sample("cpu  180 0 100 920 0 0 0 0 0 0\n"), 50u);
    EXPECT_EQ(engine.console.find("PDHUpdate"), std::string::npos);
}

TEST_F(ProcStatTest, SourceThatCannotBeReadFailsForGood) {
    for (const char *contents : {"", "garbage\n", "cpu  1 2\n"}) {
        UseStat(contents);
        platform::ResetCpuCountersForTests((engine.root + "/" + kStat).c_str());
        EXPECT_FALSE(CreateMonitor(kTotalPath, &monitor)) << contents;
        UseStat("cpu  100 0 100 800 0 0 0 0 0 0\n");
        EXPECT_FALSE(CreateMonitor(kTotalPath, &monitor)) << contents;
        EXPECT_EQ(platform::CpuBindAttemptsForTests(), 1);
    }
    engine.WriteFile("a_directory/.keep", "");  // opens, but reads nothing
    platform::ResetCpuCountersForTests((engine.root + "/a_directory").c_str());
    EXPECT_FALSE(BindPdh());
}

TEST_F(ProcStatTest, ClosingTwiceOrWithoutAQueryReportsWithoutBlockingAndStaleHandlesAreRefused) {
    testing::internal::CaptureStderr();
    EXPECT_FALSE(DestroyMonitor(&monitor));  // never opened
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "Debug: Close Error\n");

    ASSERT_TRUE(CreateMonitor(kTotalPath, &monitor));
    const Monitor old = monitor;
    ASSERT_TRUE(DestroyMonitor(&monitor));
    EXPECT_EQ(monitor.query, old.query);  // the stale handle stays
    testing::internal::CaptureStderr();
    EXPECT_FALSE(DestroyMonitor(&monitor));  // closing it again fails
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "Debug: Close Error2\n");
    EXPECT_EQ(monitor.query, nullptr);

    ASSERT_TRUE(CreateMonitor(kTotalPath, &monitor));  // the same slots again
    EXPECT_NE(old.query, monitor.query);
    EXPECT_TRUE(platform::RemoveCpuCounter(old.counter) == platform::CpuStatus::Failed);
    EXPECT_TRUE(platform::CloseCpuQuery(old.query) == platform::CpuStatus::Failed);
    uint32_t value = 9;
    EXPECT_TRUE(platform::CollectCpuSample(old.query, monitor.counter, &value) == platform::CpuStatus::Failed);
    EXPECT_TRUE(DestroyMonitor(&monitor));

    // A failed creation leaves no query to close either.
    platform::ResetCpuCountersForTests((engine.root + "/missing").c_str());
    Monitor fresh{nullptr, nullptr, 0};
    testing::internal::CaptureStderr();
    EXPECT_FALSE(DestroyMonitor(&fresh));
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "");  // nothing bound: no close step
}

TEST_F(ProcStatTest, VistaChoiceDoesNotApply) {
    EXPECT_TRUE(SelectMonitorForOs(true));
    EXPECT_TRUE(SelectMonitorForOs(false));
    EXPECT_NE(engine.console.find("[ZEQ] LOG: Perfmon choice (Vista) does not apply on this system, load read from "),
              std::string::npos)
        << engine.console;
    EXPECT_NE(engine.console.find("Perfmon choice (XP)"), std::string::npos);
    EXPECT_EQ(engine.console.find("ERROR"), std::string::npos);
}

#endif

namespace {

// The injected load source: each sample takes the next load; an empty queue
// is a failed sample.
std::deque<uint32_t> s_loads;
int s_samples = 0;

bool FakeSampler(Monitor *pMonitor) {
    ++s_samples;
    if (s_loads.empty()) return false;
    pMonitor->value = s_loads.front();
    s_loads.pop_front();
    return true;
}

struct RegulatorTest : ::testing::Test {
    TestEngine engine;

    void SetUp() override {
        engine.WriteFile("cstrike/addons/zeq_kestrin/.keep", "");
        RegisterMainVariables();
        engine.SetVariable("zeq_kestrin_cpu", "1");
        ResetRegulatorForTests();
        SetLoadSamplerForTests(FakeSampler);
        s_loads.clear();
        s_samples = 0;
        g_cpuMonitor.value = 0;
    }
    void TearDown() override { SetLoadSamplerForTests(nullptr); }

    void Feed(const std::vector<uint32_t> &loads) {
        for (uint32_t load : loads) {
            s_loads.push_back(load);
            RegulateCpu();
        }
    }
    void Quiet(int samples, uint32_t load = 10) { Feed(std::vector<uint32_t>(samples, load)); }
    std::string Sleep() { return engine.VariableText("zeq_kestrin_sleepsm"); }
    size_t Count(const std::string &text) { return ::Count(engine.console, text); }
};

}  // namespace

TEST_F(RegulatorTest, WorkedSequenceRaisesThenLowersToTheFloor) {
    Feed({80, 90});
    EXPECT_EQ(spikeCount, 2u);
    Feed({60});
    EXPECT_EQ(quietCount, 1u);
    EXPECT_EQ(spikeCount, 2u);  // quiet samples do not clear the spike run
    Feed({85});
    EXPECT_EQ(Sleep(), "5.0");
    EXPECT_EQ(spikeCount, 0u);
    EXPECT_EQ(quietCount, 0u);
    EXPECT_EQ(Count("WARNING: Spike limit exceeded, cpu at 85. increasing timer to 5.0. Returning..."), 1u);

    Quiet(75);
    EXPECT_EQ(Sleep(), "5.0");  // the 75th quiet sample changes nothing
    Quiet(1);
    EXPECT_EQ(Sleep(), "4.0");
    EXPECT_EQ(quietCount, 0u);
    EXPECT_EQ(Count("WARNING: CPU usage has decreased, decreasing timer to 4.0. Returning..."), 1u);
    Quiet(76);
    EXPECT_EQ(Sleep(), "3.0");
    Quiet(76 * 3);
    EXPECT_EQ(Sleep(), "3.0");
    EXPECT_EQ(Count("decreasing timer"), 2u);
}

TEST_F(RegulatorTest, ThresholdComparison) {
    Feed({75, 75, 75, 75});  // equal to the threshold: quiet
    EXPECT_EQ(spikeCount, 0u);
    EXPECT_EQ(quietCount, 4u);
    engine.SetVariable("zeq_kestrin_cpu_level", "74.5");
    Feed({75});
    EXPECT_EQ(spikeCount, 1u);
    EXPECT_EQ(quietCount, 0u);
    engine.Variable("zeq_kestrin_cpu_level")->value = std::nanf("");  // not every C library reads "nan"
    Feed({100, 100, 100});
    EXPECT_EQ(spikeCount, 1u);
    EXPECT_EQ(quietCount, 3u);
    EXPECT_EQ(Sleep(), "3");
}

// Runs of equal loads from a fresh start: where the minimum sleep ends.
TEST_F(RegulatorTest, RaisingAndLoweringStopAtTheirLimits) {
    const struct {
        const char *sleepsm, *mspike;
        std::vector<std::pair<int, uint32_t>> runs;  // {samples, load}
        const char *sleep;
        uint32_t spikes;
        size_t raises;
    } cases[] = {
        {"3", "0", {{1, 90}}, "5.0", 0, 1},  // counts of 0 and 1 raise on every spike
        {"3", "0", {{2, 90}}, "7.0", 0, 2},
        {"3", "1", {{2, 90}}, "7.0", 0, 2},
        {"9.0", "1", {{4, 95}}, "11.0", 3, 1},  // the ceiling stops raising; the spikes go on counting
        {"10", "1", {{1, 95}}, "10", 1, 0},
        {"3.5", "3", {{76, 10}}, "2.5", 0, 0},  // lowering from a fraction crosses the floor once
        {"3.5", "3", {{152, 10}}, "2.5", 0, 0},
        {"6", "3", {{75, 10}, {1, 99}, {75, 10}}, "6", 1, 0},  // a spike restarts the quiet run
        {"6", "3", {{75, 10}, {1, 99}, {76, 10}}, "5.0", 1, 0},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(std::string(c.sleepsm) + " / " + c.mspike + " / " + std::to_string(c.runs.size()));
        ResetRegulatorForTests();
        engine.console.clear();
        engine.SetVariable("zeq_kestrin_sleepsm", c.sleepsm);
        engine.SetVariable("zeq_kestrin_cpu_mspike", c.mspike);
        for (const auto &[samples, load] : c.runs) Quiet(samples, load);
        EXPECT_EQ(Sleep(), c.sleep);
        EXPECT_EQ(spikeCount, c.spikes);
        EXPECT_EQ(Count("increasing timer"), c.raises);
    }
}

TEST_F(RegulatorTest, FailedSampleSwitchesRegulationOff) {
    RegulateCpu();  // no load queued: the sample fails
    ASSERT_EQ(engine.serverCommands, std::vector<std::string>{"zeq_kestrin_cpu 0\n"});
    const size_t error = engine.console.find("ERROR: Unable to query performance monitor.");
    const size_t warning = engine.console.find("WARNING: Error founded. ZEQ Kestrin CPU Disabled.");
    ASSERT_NE(error, std::string::npos);
    ASSERT_NE(warning, std::string::npos);
    EXPECT_LT(error, warning);
    // Until the engine runs the command the next step samples again; after it, none.
    engine.ExecuteCommandBuffer();
    EXPECT_EQ(engine.VariableText("zeq_kestrin_cpu"), "0");
    RegulateCpu();
    EXPECT_EQ(s_samples, 1);
}

// One step per second of game time, and only while the monitor is open.
TEST_F(RegulatorTest, ScheduleFollowsTheGameTime) {
    engine.SetVariable("zeq_kestrin_cpu_level", "1000");  // every sample quiet
    platform::ResetCpuCountersForTests(nullptr);
    ASSERT_TRUE(CreateMonitor("\\Processor(_Total)\\% Processor Time", &g_cpuMonitor));
    auto frames = [&](float from, float to) {  // every 10 ms from `from` up to (not including) `to`
        for (int i = 0; from + 0.01f * static_cast<float>(i) < to; ++i) {
            engine.globals.time = from + 0.01f * static_cast<float>(i);
            s_loads.push_back(0);
            RegulatorFrame();
        }
        s_loads.clear();
    };
    frames(1.0f, 11.0f);  // the first frame schedules; steps at about 2, 3, ..., 10
    EXPECT_EQ(s_samples, 9);
    engine.calls.clear();
    engine.globals.time = 10.5f;
    for (int i = 0; i < 100; ++i) RegulatorFrame();  // between steps: no engine call
    EXPECT_EQ(s_samples, 9);
    EXPECT_TRUE(engine.calls.empty());
    // The next map's time starts again near 1: regulation resumes within a
    // second instead of waiting for the old map's time to come back.
    frames(1.0f, 4.0f);
    EXPECT_EQ(s_samples, 11);
    DestroyMonitor(&g_cpuMonitor);
    frames(4.0f, 10.0f);
    EXPECT_EQ(s_samples, 11);
    ASSERT_TRUE(CreateMonitor("\\Processor(_Total)\\% Processor Time", &g_cpuMonitor));
    frames(1.0f, 3.5f);
    EXPECT_GT(s_samples, 11);
    DestroyMonitor(&g_cpuMonitor);
}
