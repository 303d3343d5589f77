// The configuration tests' fake engine: the main variables, a configuration
// directory, one log file, and the profile store and parser as at load.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <set>
#include <string>
#include <vector>

#include "config/auto_config.h"
#include "config/presets.h"
#include "config/profile_file.h"
#include "config/profile_validation.h"
#include "config/variables.h"
#include "engine/plugin_state.h"
#include "platform/fault_points.h"
#include "platform/hardware.h"
#include "support/test_engine.h"

namespace {

using Commands = std::vector<std::string>;

const std::string kConfigDir = "cstrike/addons/zeq_kestrin/configs/";
const std::string kLogFile = "cstrike/addons/zeq_kestrin/logs/Kestrin.log";

struct ConfigTest : ::testing::Test {
    TestEngine engine;

    void SetUp() override {
        engine.WriteFile(kConfigDir + ".keep", "");
        RegisterMainVariables();
        engine.SetVariable("zeq_kestrin_logs", "1");
        TearDown();
        gameVersion = 1;
        engine.console.clear();
        engine.serverCommands.clear();
    }
    void TearDown() override {
        ResetProfileStoreForTests();
        ResetProfileParserForTests();
        bAutoConfigActive = false;
        platform::DisarmFaults();
        SetHardwareProbeForTests(nullptr);
    }

    std::string Log() { return engine.Exists(kLogFile) ? engine.ReadTextFile(kLogFile) : std::string(); }
    void WriteConfig(const std::string &name, const std::string &text) { engine.WriteFile(kConfigDir + name, text); }
};

struct ProfileFileTest : ConfigTest {
    void ReadIni(const std::string &text) {
        WriteConfig("kestrin.ini", text);
        ReadConfigFiles();
    }
};
}  // namespace

// Under the automatic configuration the command file is skipped; a WON server
// is told, and the profile's values stay.
TEST_F(ProfileFileTest, CommandFileSendsEachLineOnceTrimmedAndUnformattedAndMissingFilesAreReported) {
    ReadConfigFiles();
    EXPECT_EQ(Count(Log(), "[ZEQ] ERROR: Configuration file not found.\n"), 2u);

    WriteConfig("kestrin.cfg", "// a comment\nsv_gravity 800   \r\n  indented\n\tindented\n\n\r\n/x\necho 100%s %d\nsay last");
    ReadConfigFiles();
    EXPECT_EQ(engine.serverCommands, (Commands{"sv_gravity 800\n", "echo 100%s %d\n", "say last\n"}));
    engine.serverCommands.clear();
    WriteConfig("kestrin.cfg", "say last\n");
    ReadConfigFiles();
    EXPECT_EQ(engine.serverCommands, (Commands{"say last\n"}));

    engine.serverCommands.clear();
    WriteConfig("kestrin.cfg", "sv_gravity 800\n");
    bAutoConfigActive = true;
    gameVersion = 3;
    ReadIni("[BOTS] BOTS2 7 2 won");
    EXPECT_TRUE(engine.serverCommands.empty());
    EXPECT_EQ(Count(Log(), "Configuration file not found."), 4u);
    EXPECT_NE(engine.console.find("Configs system disabled, due to your Counter-Strike Version!"), std::string::npos);
    EXPECT_EQ(g_botsLevels[1].iMaxLevel, 7);
}

TEST_F(ProfileFileTest, ExampleProfileFillsTheNamedLevelsOnly) {
    ReadIni("[FPS]\nFPS1 0 0.5 r\nFPS2 3 2.5 r\n[SYS]\nSYS1 a a a a r\n"
            "[SERVER]\r\nSERV1 0.5 1.5 2 r\n[BOTS]\nBOTS1 5 1 r\n");
    EXPECT_STREQ(GetStatusLine(1), "FPS 2: 3 2.5 r");
    EXPECT_STREQ(GetStatusLine(12), "SERV 1: 0.5 1.5 2 r");
    EXPECT_STREQ(GetStatusLine(16), "BOTS 1: 5 1 r");
    EXPECT_STREQ(GetStatusLine(3), "FPS 4: 0 0.0 r");
    EXPECT_STREQ(GetStatusLine(10), "SYS 3: a a a a r");
    EXPECT_EQ(engine.console.find("Unregistred"), std::string::npos);
}

TEST_F(ProfileFileTest, WordsNotLinesCommentWordsQuotesAndHeaders) {
    ReadIni("\n \t[FPS]\nFPS2 7 7.5 x\n// FPS1 is fast\n");  // blanks before the first word too
    EXPECT_STREQ(GetStatusLine(0), "FPS 1: 0 0.0 r");
    EXPECT_STREQ(GetStatusLine(1), "FPS 2: 7 7.5 x");

    ReadIni("[FPS] FPS1 3 1.5 r extra");
    EXPECT_EQ(Count(engine.console, "[ZEQ] ERROR: [FPS] Unregistred Command extra"), 1u);

    // Quotes go; a lower-case header is a value; a quoted blank splits words.
    ReadIni("[SYS] SYS3 \"one\" [fps] \"\" \"b c\" \"e");
    EXPECT_STREQ(GetStatusLine(10), "SYS 3: one [fps]  b c\"");
    EXPECT_EQ(Count(engine.console, "[SYS] Unregistred Command e"), 1u);
}

TEST_F(ProfileFileTest, LevelAndCursorCarryAcrossSectionsAndReads) {
    // Before the first section header and the first level key nothing counts.
    ReadIni("FPS1 3 [FPS] 4 CPU1");
    EXPECT_STREQ(GetStatusLine(0), "FPS 1: 0 0.0 r");
    EXPECT_EQ(engine.console.find("Unregistred"), std::string::npos);

    // A record finished in the next section; a key of another section is a value.
    ReadIni("[BOTS] BOTS1 5 1 b [FPS] FPS1 5 [CPU] 0.5 FPS1");
    EXPECT_STREQ(GetStatusLine(0), "FPS 1: 5 0.0 r");
    EXPECT_STREQ(GetStatusLine(4), "CPU 1: 0 0.5 FPS1");

    // The next read goes on where the last one stopped: SERVER's fourth
    // field does not exist in FPS.  BOTS, not mentioned, keeps its values.
    ReadIni("[SERVER] SERV2 1.5 2.5 3");
    ReadIni("[FPS] x");
    ReadIni("done");
    EXPECT_EQ(Count(engine.console, "[FPS] Unregistred Command x"), 1u);
    EXPECT_EQ(Count(engine.console, "[FPS] Unregistred Command done"), 1u);
    EXPECT_STREQ(GetStatusLine(13), "SERV 2: 1.5 2.5 3 r");
    EXPECT_STREQ(GetStatusLine(16), "BOTS 1: 5 1 b");
}

TEST_F(ProfileFileTest, NumbersConvertWithoutErrorsAndLongWordsAreCut) {
    ReadIni("[FPS] FPS1 99999999999 1e999 " + std::string(300, 'w') + " FPS2 -7x abc r" +
            " FPS3 0x5 0x1p3 hex FPS4 +3 nan r [CPU] CPU1 1 -inf r");
    EXPECT_EQ(g_fpsLevels[0].iNumber, INT32_MAX);
    EXPECT_EQ(g_fpsLevels[0].dNumber, 1.0);  // no exponent
    EXPECT_EQ(std::string(g_fpsLevels[0].szText), std::string(254, 'w'));
    EXPECT_EQ(std::string(GetStatusLine(0)).size(), 127u);
    EXPECT_STREQ(GetStatusLine(1), "FPS 2: -7 0.0 r");
    // Neither hexadecimal nor the C library's infinity and not-a-number words.
    EXPECT_STREQ(GetStatusLine(2), "FPS 3: 0 0.0 hex");
    EXPECT_STREQ(GetStatusLine(3), "FPS 4: 3 0.0 r");
    EXPECT_STREQ(GetStatusLine(4), "CPU 1: 1 0.0 r");

    ParseProfileWord(6, "FPS1");
    EXPECT_EQ(Count(Log(), "[ZEQ] ERROR: Unregistred Command\n"), 1u);
    EXPECT_EQ(Count(engine.console, "[ZEQ] ERROR: Unregistred Command\n"), 1u);
}

TEST_F(ProfileFileTest, MemoryEntryPointReadsLikeTheFile) {
    const std::string text = "junk [CPU]\tCPU4 9 \"9.9\" q\xE9\xFF\f[SYS] SYS4 " + std::string(400, 'z') +
                             " 2\v3 [BOTS] BOTS4 1 2 3 4 [SERVER] SERV3 1 2";
    ReadIni(text);
    std::vector<std::string> fromFile;
    for (int n = 0; n < 20; ++n) fromFile.push_back(GetStatusLine(n));
    const int cursor = CurrentProfileParserState().iCursor;

    ResetProfileStoreForTests();
    ResetProfileParserForTests();
    ParseProfileText(text.data(), text.size());
    for (int n = 0; n < 20; ++n) EXPECT_EQ(GetStatusLine(n), fromFile[n]) << n;
    EXPECT_EQ(CurrentProfileParserState().iCursor, cursor);
}

TEST(GetToken, SplitsOnBlanksHonoursQuotesAndTrims) {
    EXPECT_STREQ(GetToken("  first\tsecond third", 1, false), "second");
    EXPECT_STREQ(GetToken("\"a b\" c", 0, false), "a b");
    EXPECT_STREQ(GetToken("\"a b\" c", 1, false), "c");
    EXPECT_STREQ(GetToken("\"unclosed \"", 0, true), "unclosed");
    EXPECT_STREQ(GetToken("one", 3, false), "");
    EXPECT_EQ(std::string(GetToken(std::string(600, 'k').c_str(), 0, false)).size(), 255u);
    // Bytes above 127 are letters like any other, whether char is signed
    // (x86) or not (ARM); NEL and no-break space are no blanks.
    EXPECT_STREQ(GetToken("\x85n\xE9" "e\xA0 \xFF" "z", 0, false), "\x85n\xE9" "e\xA0");
    EXPECT_STREQ(GetToken("\x85n\xE9" "e\xA0 \xFF" "z", 1, false), "\xFF" "z");
}

TEST_F(ProfileFileTest, StatusLinesOfTheVariablesAndOutOfRange) {
    RegisterOwnVariables();
    engine.SetVariable("zeq_fps", "99.9");
    engine.SetVariable("zeq_kestrin_proc_mdl", "1");
    engine.SetVariable("zeq_kestrin_cpu", "0.5");
    EXPECT_STREQ(GetStatusLine(20), "FPS: 99. Rate: 100.");
    EXPECT_STREQ(GetStatusLine(21), "MDL: Enabled CPU: Disabled");
    EXPECT_STREQ(GetStatusLine(22), "Sleeps Min: 3. Level: 75.");
    EXPECT_STREQ(GetStatusLine(23), "Spike: 3. Timer: 2.");
    EXPECT_STREQ(GetStatusLine(24), "Spike: 3. Timer: 2.");
}


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

// The automatic configuration file is written whole or not at all: a server
// killed while it measures or writes, a full disk, or an empty file left by an
// older version never leaves kestrin.acfg empty.
#if !defined(_WIN32)
#  include <signal.h>
#  include <sys/resource.h>
#  include <sys/wait.h>
#  include <unistd.h>
#endif

using platform::FaultPoint;
using Names = std::set<std::string>;

namespace {
constexpr int kKilled = 9;
const std::string kAutoConfig = kConfigDir + "kestrin.acfg";

HardwareFigures SingleProcessorAt800() { return HardwareFigures{800.0f, 256}; }

struct AutoConfigWriteTest : ConfigTest {
    void SetUp() override {
        ConfigTest::SetUp();
        RegisterOwnVariables();
        SetHardwareProbeForTests(SingleProcessorAt800);
        engine.SetVariable("zeq_kestrin_autoconfig", "1");
    }
    Names ConfigFiles() {
        Names names;
        for (const auto &entry : std::filesystem::directory_iterator(kConfigDir))
            names.insert(entry.path().filename().string());
        return names;
    }
    // A map start that finds the file missing makes it whole and runs it.
    void ExpectMadeAndRun() {
        engine.serverCommands.clear();
        RunAutoConfig();
        EXPECT_EQ(Count(engine.ReadTextFile(kAutoConfig), "\n"), 19u);
        EXPECT_EQ(engine.serverCommands.size(), 19u);
        EXPECT_EQ(ConfigFiles(), (Names{".keep", "kestrin.acfg"}));
    }
};
}  // namespace

// Each step of the write failing once: nothing is run, the error says why, no
// temporary file stays, and the next map start makes the file.  A file already
// there (empty, from an interrupted write) stays until it is replaced whole.
TEST_F(AutoConfigWriteTest, FailureAtAnyStepLeavesNoFileAndTheNextMapMakesIt) {
    const struct {
        FaultPoint point;
        int passes;
        bool emptyBefore;
        const char *error;
    } steps[] = {
        {FaultPoint::CreateTemporary, 0, false, "kestrin.acfg (does the directory exist, and may the server write to it?)"},
        {FaultPoint::WriteTemporary, 3, false, "kestrin.acfg completely (disk full?)"},
        {FaultPoint::SyncTemporary, 0, false, "kestrin.acfg completely (disk full?)"},
        {FaultPoint::RenameTemporary, 0, true, "kestrin.acfg completely (disk full?)"},
    };
    for (const auto &step : steps) {
        SCOPED_TRACE(static_cast<int>(step.point));
        std::filesystem::remove(kAutoConfig);
        if (step.emptyBefore) WriteConfig("kestrin.acfg", "");
        engine.WriteFile(kLogFile, "");
        engine.serverCommands.clear();
        platform::ArmFault(step.point, step.passes, 1);
        RunAutoConfig();
        EXPECT_NE(Log().find(step.error), std::string::npos) << Log();
        EXPECT_TRUE(engine.serverCommands.empty());
        if (step.emptyBefore) {
            EXPECT_EQ(ConfigFiles(), (Names{".keep", "kestrin.acfg"}));
            EXPECT_EQ(engine.ReadFile(kAutoConfig), "");
        } else {
            EXPECT_EQ(ConfigFiles(), (Names{".keep"}));
            EXPECT_NE(Log().find("[ZEQ] ERROR: AutoConfiguration file not found.\n"), std::string::npos);
        }
        ExpectMadeAndRun();
        EXPECT_EQ(Count(Log(), "[ZEQ] WARNING: AutoConfiguration file is empty (an earlier write was cut short). "
                               "Creating new...\n"),
                  step.emptyBefore ? 2u : 0u)
            << Log();
    }
}

// Another server of the same game directory put its complete file in place
// while this one measured, and this one's rename fails (on Windows, the other
// server is reading the file): the other's file is run, no error.
std::string s_otherServersFile = "zeq_kestrin_logs 1\nzeq_kestrin_autofps 250\n";
HardwareFigures AnotherServerFinishesMeanwhile() {
    std::ofstream(kAutoConfig, std::ios::binary) << s_otherServersFile;
    platform::ArmFault(FaultPoint::RenameTemporary, 0, 1);
    return SingleProcessorAt800();
}

TEST_F(AutoConfigWriteTest, FileCompletedByAnotherServerMeanwhileIsRunWithoutAnError) {
    SetHardwareProbeForTests(AnotherServerFinishesMeanwhile);
    RunAutoConfig();
    EXPECT_EQ(Log().find("ERROR"), std::string::npos) << Log();
    EXPECT_EQ(engine.serverCommands.size(), 2u);
    EXPECT_EQ(engine.ReadFile(kAutoConfig), s_otherServersFile);
    EXPECT_EQ(ConfigFiles(), (Names{".keep", "kestrin.acfg"}));
}

#if !defined(_WIN32)  // death tests start a new process (in a new directory) there
// The temporary file is named after this process and made exclusively; a name
// already taken gives the next one.  Leftovers of the same path by ended
// processes go; those of running processes and of other paths stay.
Names s_whileMeasuring;
HardwareFigures ListWhileMeasuring() {
    for (const auto &entry : std::filesystem::directory_iterator(kConfigDir))
        s_whileMeasuring.insert(entry.path().filename().string());
    return SingleProcessorAt800();
}

TEST_F(AutoConfigWriteTest, TemporaryFileIsThisProcesssAndLeftoversOfEndedProcessesGo) {
    const pid_t child = fork();
    if (child == 0) _exit(0);
    ASSERT_EQ(waitpid(child, nullptr, 0), child);
    const std::string ended = std::to_string(child), running = std::to_string(getppid());
    for (const std::string &name : {"kestrin.acfg." + ended + ".tmp", "kestrin.acfg." + ended + ".2.tmp",
                                    "kestrin.acfg." + running + ".tmp", "kestrin.cfg." + ended + ".tmp"})
        WriteConfig(name, "partial");
    platform::ArmFault(FaultPoint::TemporaryTaken, 0, 1);
    SetHardwareProbeForTests(ListWhileMeasuring);
    RunAutoConfig();
    EXPECT_EQ(s_whileMeasuring, (Names{".keep", "kestrin.acfg." + std::to_string(getpid()) + ".1.tmp",
                                       "kestrin.acfg." + running + ".tmp", "kestrin.cfg." + ended + ".tmp"}));
    EXPECT_EQ(ConfigFiles(), (Names{".keep", "kestrin.acfg", "kestrin.acfg." + running + ".tmp",
                                    "kestrin.cfg." + ended + ".tmp"}));
    EXPECT_EQ(engine.serverCommands.size(), 19u);
}

HardwareFigures KilledWhileMeasuring() { std::_Exit(kKilled); }

// The server killed while measuring and at each step of the write (in a child
// process): the next map start, here in the parent, finds no file and makes it.
TEST_F(AutoConfigWriteTest, ServerKilledAtAnyStepLeavesNoFile) {
    const struct {
        FaultPoint point;
        int passes;  // -1: killed while measuring
    } steps[] = {
        {FaultPoint::CreateTemporary, -1},
        {FaultPoint::CreateTemporary, 0},  // before the temporary file exists
        {FaultPoint::WriteTemporary, 0},   // the temporary file made, nothing written
        {FaultPoint::WriteTemporary, 10},  // half of the lines written
        {FaultPoint::SyncTemporary, 0},    // every byte written, not yet on the disk
        {FaultPoint::RenameTemporary, 0},  // complete, about to be renamed
    };
    for (const auto &step : steps) {
        SCOPED_TRACE(static_cast<int>(step.point) * 100 + step.passes);
        std::filesystem::remove(kAutoConfig);
        const bool measuring = step.passes < 0;
        EXPECT_EXIT(
            {
                if (measuring) SetHardwareProbeForTests(KilledWhileMeasuring);
                else platform::ArmStop(step.point, step.passes);
                RunAutoConfig();
            },
            ::testing::ExitedWithCode(measuring ? kKilled : platform::kStoppedAtFaultPoint), "");
        EXPECT_FALSE(engine.Exists(kAutoConfig));
        ExpectMadeAndRun();
    }
}

// A real file size limit of 0: every byte written is refused (EFBIG).
// (Lifted again before the child reports: its standard error is a file too.)
void LimitFileSize(rlim_t limit) {
    signal(SIGXFSZ, SIG_IGN);
    struct rlimit fileSize;
    fileSize.rlim_cur = limit;
    fileSize.rlim_max = RLIM_INFINITY;
    setrlimit(RLIMIT_FSIZE, &fileSize);
}

TEST_F(AutoConfigWriteTest, FileSizeLimitOfZeroIsReportedAndLeavesNoFile) {
    EXPECT_EXIT(
        {
            LimitFileSize(0);
            RunAutoConfig();
            LimitFileSize(RLIM_INFINITY);
            std::fputs(engine.console.c_str(), stderr);
            std::_Exit(engine.serverCommands.empty() ? 0 : 1);
        },
        ::testing::ExitedWithCode(0),
        "ERROR: Could not write cstrike/addons/zeq_kestrin/configs/kestrin.acfg completely \\(disk full\\?\\)");
    EXPECT_FALSE(engine.Exists(kAutoConfig));
    EXPECT_EQ(ConfigFiles(), (Names{".keep"}));
    ExpectMadeAndRun();
}
#endif

using PresetsTest = ConfigTest;

TEST_F(PresetsTest, ServerSetsAreIssuedInOrderTrimmedAndBotsSupportNeedsTheBotsAddOn) {
    EXPECT_EQ(ApplyServerPreset(true), 1);
    EXPECT_EQ(ApplyServerPreset(false), 1);
    EXPECT_EQ(engine.serverCommands,
              (Commands{"sv_maxupdaterate 70\n", "sv_minupdaterate 10\n", "sv_unlag 1\n", "sv_maxunlag 0.9\n",
                        "sv_maxspeed 320\n", "sv_maxrate 20000\n", "sv_minrate 100\n", "sv_stats 1\n",
                        "sv_friction 4\n", "sv_stopspeed 75\n",
                        "sv_maxupdaterate 30\n", "sv_minupdaterate 10\n", "sv_unlag 1\n", "sv_maxunlag 0.5\n",
                        "sv_maxspeed 320\n", "sv_maxrate 0\n", "sv_minrate 0\n", "sv_stats 1\n", "sv_friction 4\n",
                        "sv_stopspeed 75\n"}));

    // Bots support needs the bots add-on.
    engine.serverCommands.clear();
    EXPECT_EQ(SetBotsSupport(true), 0);
    EXPECT_NE(engine.console.find("[ZEQ] LOG: Bots support failz. Can't Find Bots."), std::string::npos);
    EXPECT_EQ(engine.serverCommands, (Commands{"zeq_kestrin_bots_support 0\n"}));

    engine.RegisterEngineVariable("zeq_bots_version", "1.0");
    EXPECT_EQ(SetBotsSupport(true), 1);
    EXPECT_NE(engine.console.find("Bots Support Working Now"), std::string::npos);
    EXPECT_EQ(engine.serverCommands.size(), 1u);

    EXPECT_EQ(SetBotsSupport(false), 1);
    EXPECT_EQ(engine.console.find("Bots Support Disabled"), std::string::npos);
    EXPECT_EQ(Count(Log(), "[ZEQ] LOG: Bots Support Disabled\n"), 1u);
}

TEST_F(PresetsTest, SteamServerWithoutGalilIsWonFromThenOn) {
    engine.WriteFile("cstrike/events/galil.sc", "events");
    DetectGameVersion();
    EXPECT_EQ(gameVersion, 1);
    EXPECT_EQ(std::count(engine.calls.begin(), engine.calls.end(), "pfnFreeFile"), 1);

    std::remove("cstrike/events/galil.sc");
    DetectGameVersion();
    EXPECT_EQ(gameVersion, 3);
    DetectGameVersion();
    gameVersion = 2;
    DetectGameVersion();
    gameVersion = 0;
    DetectGameVersion();
    EXPECT_EQ(engine.console,
              "[ZEQ Kes-Trin] Game Registered: CS 1.6 (Steam)\n"
              "[ZEQ Kes-Trin] Game Registered: CS 1.5 (WON)\n"
              "[ZEQ Kes-Trin] Game Registered: CS 1.x (WON)\n"
              "[ZEQ Kes-Trin] Game Registered: CS CZ (Steam)\n");
    EXPECT_EQ(gameVersion, 0);
}
