// The automatic configuration: the settings derived from the machine, and a
// file measured once and run at each map start.
#include "config_fixture.h"

using namespace config_test;

using AutoConfigTest = ConfigTest;

namespace {
using V = std::vector<int32_t>;
// autofps, sleepsm, cpu, cpu_timer, cpu_mspike, proc_mdl, proc_spr, strengthening.
V Derived(float clock, int32_t memory) {
    const AutoConfigSettings s = DeriveAutoConfig(clock, memory);
    EXPECT_EQ(s.cpu_level, 50);
    return {s.autofps, s.sleepsm, s.cpu, s.cpu_timer, s.cpu_mspike, s.proc_mdl, s.proc_spr, s.strengthening};
}

int s_probeCalls = 0;
HardwareFigures TwoProcessorsAt1200() {
    ++s_probeCalls;
    return HardwareFigures{ClockFigure(1200.0f, 2), 768};
}
}  // namespace

TEST(AutoConfigRules, SettingsFromClockAndMemory) {
    // Worked examples (the third without a counter), strict switches, memory bands leaving 500 unset.
    EXPECT_EQ(Derived(ClockFigure(1200.0f, 2), 768), (V{260, 4, 1, 1, 1, 1, 1, 1}));
    EXPECT_EQ(Derived(ClockFigure(800.0f, 1), 256), (V{150, 5, 1, 3, 2, 0, 0, 0}));
    EXPECT_EQ(Derived(0.0f, 2048), (V{150, 5, 0, 1, 1, 0, 0, 0}));
    EXPECT_EQ(Derived(1500.0f, 1000), (V{170, 5, 0, 1, 1, 0, 0, 0}));
    EXPECT_EQ(Derived(1500.5f, 999), (V{170, 5, 1, 1, 1, 1, 0, 0}));
    EXPECT_EQ(Derived(1700.5f, 500), (V{190, 5, 1, 0, 0, 1, 0, 1}));
    EXPECT_EQ(Derived(1800.0f, 499), (V{200, 4, 1, 2, 1, 1, 0, 1}));
    EXPECT_EQ(Derived(1800.5f, 300), (V{200, 4, 1, 2, 1, 1, 1, 1}));
    EXPECT_EQ(Derived(1800.5f, 299), (V{200, 4, 1, 3, 2, 1, 1, 1}));
    // Frame-rate limits and sleep bands: {clock, autofps, sleepsm}.
    const float limits[][3] = {{10000.0f, 890, 1}, {9800.0f, 1000, 1}, {890.0f, 150, 5},  {900.0f, 110, 5},
                               {5790.0f, 599, 2},  {3810.0f, 401, 2},  {3800.0f, 400, 3}, {2790.0f, 299, 4},
                               {1790.0f, 199, 5},  {1e30f, 890, 1}};
    for (const auto &c : limits) {
        const V v = Derived(c[0], 2048);
        EXPECT_EQ(V(v.begin(), v.begin() + 2), (V{int32_t(c[1]), int32_t(c[2])})) << c[0];
    }
    EXPECT_FLOAT_EQ(ClockFigure(1000.0f, 3), 3000.0f);
    EXPECT_FLOAT_EQ(ClockFigure(1000.0f, 16), 4000.0f);
    EXPECT_FLOAT_EQ(ClockFigure(1000.0f, 0), 1000.0f);
    EXPECT_EQ(FreeMemoryMegabytes(768ull * 1024 * 1024 + 1048575), 768);
    EXPECT_EQ(FreeMemoryMegabytes(64ull << 30), 65536);
}

// The clock is measured in MHz on every processor: by the time-stamp counter
// on x86, and where there is none (aarch64) by the system's figure or the
// counted additions, never 0 (which would always pick the slowest machine's
// settings).  Counting cannot outrun the clock; other load only slows it.
TEST(AutoConfigRules, ProcessorClockIsPlausibleOnEveryProcessor) {
    const float measured = MeasureCpuClock();
    EXPECT_GT(measured, 100.0f);
    EXPECT_LT(measured, 10000.0f);
    const float counted = AdditionChainMhz(250);
    EXPECT_GT(counted, 50.0f);
    EXPECT_LT(counted, 10000.0f);
    if (platform::TimeStampCounter() != 0) {
        EXPECT_LT(counted, 2.0f * measured);
    }
}

TEST_F(AutoConfigTest, ExistingFileRunsWithoutMeasuringAMissingOneIsMadeOnceAndOneThatCannotBeMadeIsReported) {
    RegisterOwnVariables();
    SetHardwareProbeForTests(TwoProcessorsAt1200);
    engine.console.clear();
    bAutoConfigActive = true;
    engine.SetVariable("zeq_kestrin_autoconfig", "0.9");
    WriteConfig("kestrin.acfg", "// mine\nsv_gravity 700  \n zeq_kestrin_cpu 1\nhostname 100%\n");
    RunAutoConfig();
    EXPECT_FALSE(bAutoConfigActive);
    EXPECT_NE(engine.console.find("AutoConfig is Disabled."), std::string::npos);
    EXPECT_TRUE(engine.serverCommands.empty());

    engine.SetVariable("zeq_kestrin_autoconfig", "1");
    RunAutoConfig();
    EXPECT_TRUE(bAutoConfigActive);
    EXPECT_NE(engine.console.find("AutoConfig is Enabled."), std::string::npos);
    EXPECT_EQ(engine.serverCommands, (std::vector<std::string>{"sv_gravity 700\n", "hostname 100%\n"}));
    EXPECT_EQ(s_probeCalls, 0);
    EXPECT_EQ(engine.console.find("Creating new"), std::string::npos);

    // While active, the operator's command file is skipped.
    engine.serverCommands.clear();
    WriteConfig("kestrin.cfg", "sv_gravity 800\n");
    ReadConfigFiles();
    EXPECT_TRUE(engine.serverCommands.empty());

    engine.SetVariable("zeq_kestrin_autoconfig", "2");
    engine.serverCommands.clear();
    std::filesystem::remove_all(kConfigDir);
    RunAutoConfig();
    EXPECT_EQ(s_probeCalls, 0);
    EXPECT_EQ(Count(Log(), "[ZEQ] ERROR: AutoConfiguration file not found.\n"), 1u);
    EXPECT_TRUE(engine.serverCommands.empty());

    WriteConfig(".keep", "");
    engine.WriteFile(kLogFile, "");
    RunAutoConfig();
    EXPECT_EQ(s_probeCalls, 1);
    EXPECT_EQ(Count(Log(), "[ZEQ] WARNING: Can't Open AutoConfiguration File. Creating new...\n"), 1u);
#if !defined(_WIN32)  // Windows shows the figures in a message box instead
    EXPECT_NE(engine.console.find("AutoConfig measured 2400.00 768 (CPU MHz, free memory MB)"), std::string::npos);
#endif
    const std::string file = engine.ReadTextFile(kConfigDir + "kestrin.acfg");
    EXPECT_EQ(Count(file, "\n"), 19u);
    EXPECT_EQ(file.find("zeq_kestrin_logs 1\nzeq_kestrin_loglevel 0\nzeq_kestrin_sysrate 0\nzeq_kestrin_autofps 260\n"), 0u);
    EXPECT_NE(file.find("\nzeq_kestrin_strengthening 1\nzeq_kestrin_join_msg 1\n"), std::string::npos);
    EXPECT_NE(file.find("\nzeq_kestrin_website " ZK_WEBSITE_DEFAULT "\n"), std::string::npos);
    EXPECT_EQ(engine.serverCommands.size(), 19u);

    engine.serverCommands.clear();
    RunAutoConfig();
    EXPECT_EQ(s_probeCalls, 1);
    EXPECT_EQ(engine.serverCommands.size(), 19u);
}
