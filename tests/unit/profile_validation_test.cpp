// The profile's values checked, clamped and reported at each governor check.
#include "config_fixture.h"

using namespace config_test;

namespace {
struct ProfileValidationTest : ConfigTest {
    void SetUp() override {
        ConfigTest::SetUp();
        engine.SetVariable("zeq_kestrin_loglevel", "1");
        seen_ = Log().size();
    }
    std::string Fresh() {  // the log written since the last call
        const std::string all = Log();
        const std::string fresh = all.substr(seen_);
        seen_ = all.size();
        return fresh;
    }
    std::size_t seen_ = 0;
};
}  // namespace

TEST_F(ProfileValidationTest, OutOfRangeIsWarnedClampedAndReportedOnTheNextCallAndRealValuesUseClosedBands) {
    g_fpsLevels[0].iNumber = 12;
    g_cpuLevels[2].iNumber = -1;
    g_fpsLevels[0].dNumber = 0.5;
    g_fpsLevels[1].dNumber = 1.95;
    g_fpsLevels[2].dNumber = 9.9;
    g_fpsLevels[3].dNumber = 9.91;
    g_cpuLevels[0].dNumber = 1.9;
    g_cpuLevels[2].dNumber = NAN;
    ApplyProfile(true);
    std::string log = Fresh();
    EXPECT_EQ(Count(log, "[ZEQ] WARNING: [FPS] iNumber > 9. Auto Set To Max\n"), 1u);
    EXPECT_EQ(Count(log, "[ZEQ] WARNING: [CPU] iNumber < 0. Auto Set To Min\n"), 1u);
    EXPECT_EQ(log.find("[FPS] Num:0. Mode:"), std::string::npos);
    EXPECT_EQ(Count(log, "[FPS] Num:0. Mode Value:0.500000\n"), 1u);
    EXPECT_EQ(log.find("[FPS] Num:1. Mode Value"), std::string::npos);
    EXPECT_EQ(Count(log, "[FPS] Num:2. Mode Value:9.900000\n"), 1u);
    EXPECT_EQ(Count(log, "[ZEQ] WARNING: [FPS] dNumber > 9.9. Auto Set To Max\n"), 1u);
    EXPECT_EQ(Count(log, "[CPU] Num:0. Mode Value:1.900000\n"), 1u);
    EXPECT_EQ(log.find("[CPU] Num:2. Mode Value"), std::string::npos);
    EXPECT_DOUBLE_EQ(g_fpsLevels[1].dNumber, 1.95);
    EXPECT_DOUBLE_EQ(g_fpsLevels[3].dNumber, 9.9);
    EXPECT_TRUE(std::isnan(g_cpuLevels[2].dNumber));

    ApplyProfile(true);
    log = Fresh();
    EXPECT_EQ(Count(log, "[FPS] Num:0. Mode:9\n"), 1u);
    EXPECT_EQ(Count(log, "[CPU] Num:2. Standart Mode:0\n"), 1u);
    EXPECT_EQ(Count(log, "[BOTS] Standart mode: 0\n"), 8u);
    EXPECT_EQ(log.find("Num:4"), std::string::npos);
    EXPECT_EQ(log.find("WARNING"), std::string::npos);
}

TEST_F(ProfileValidationTest, ServerAndBotsLevelsReportAndClampInOrderAndTheLogLevelDecidesOnlyTheReports) {
    g_serverLevels[1] = ServerLevel{-2.0, 12.0, 10, "s"};
    g_serverLevels[2] = ServerLevel{3.5, 0.95, 4, "s"};
    g_botsLevels[3] = BotsLevel{12, -3, "b"};
    g_botsLevels[2] = BotsLevel{0, 4, "b"};
    ApplyProfile(true);
    const std::string log = Fresh();
    const std::size_t sys = log.find("[ZEQ] WARNING: [SERVER] Sys Number > 9. Auto Set To Max\n");
    const std::size_t cpu = log.find("[ZEQ] WARNING: [SERVER] CPU Mode > 9.9. Auto Set To Max\n");
    const std::size_t fps = log.find("[ZEQ] WARNING: [SERVER] FPS Mode < 0. Auto Set To Min\n");
    EXPECT_TRUE(sys < cpu && cpu < fps && fps != std::string::npos);
    EXPECT_EQ(Count(log, "[SERVER] FPS Mode: 3.500000\n"), 1u);
    EXPECT_EQ(log.find("0.950000"), std::string::npos);
    EXPECT_EQ(Count(log, "[BOTS] Max Level > 9. Auto Set To Max\n"), 1u);
    EXPECT_EQ(Count(log, "[BOTS] Min Level < 0. Auto Set To Min\n"), 1u);

    ApplyProfile(true);
    const std::string next = Fresh();
    EXPECT_EQ(Count(next, "[BOTS] Max level: 9\n"), 1u);
    EXPECT_EQ(Count(next, "[BOTS] Min level: 4\n"), 1u);
    EXPECT_EQ(Count(next, "[SERVER] CPU Mode: 9.900000\n"), 1u);
    EXPECT_EQ(Count(next, "[SERVER] Sys Number: 9\n"), 1u);

    // Without the frame-rate engine nothing is checked.
    g_fpsLevels[0].iNumber = 12;
    ApplyProfile(false);
    const std::string first = Fresh();
    EXPECT_EQ(Count(first, "\n"), 1u);
    EXPECT_EQ(Count(first, "[ZEQ] WARNING: Works without AutoFPS. Engine Disabled\n"), 1u);
    EXPECT_EQ(g_fpsLevels[0].iNumber, 12);

    engine.SetVariable("zeq_kestrin_loglevel", "0");
    ApplyProfile(false);
    EXPECT_EQ(Fresh(), "");
    ApplyProfile(true);
    const std::string quiet = Fresh();
    EXPECT_EQ(quiet.find("LOG:"), std::string::npos);
    EXPECT_EQ(Count(quiet, "\n"), 1u);
    EXPECT_EQ(g_fpsLevels[0].iNumber, 9);
}
