// The spike regulator: its schedule, its thresholds and limits, and what a
// failed load sample does.
#include <gtest/gtest.h>

#include <cmath>
#include <deque>

#include "config/variables.h"
#include "control/cpu_monitor.h"
#include "control/spike_regulator.h"
#include "platform/cpu_load.h"
#include "support/test_engine.h"

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
