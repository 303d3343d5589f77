// Faults from the host: handles the engine does not give, files and
// directories that cannot be made.  Each must leave the server running.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "commands/hpk_bridge.h"
#include "commands/map_timers.h"
#include "config/presets.h"
#include "config/profile_file.h"
#include "config/variables.h"
#include "control/governor.h"
#include "engine/player_presence.h"
#include "engine/plugin_state.h"
#include "log/log.h"
#include "platform/cpu_load.h"
#include "platform/fault_points.h"
#include "platform/file_system.h"
#include "platform/platform.h"
#include "plugin/dllapi.h"
#include "resources/database_build.h"
#include "resources/database_step.h"
#include "resources_fixture.h"
#include "support/test_engine.h"

namespace {
cvar_t *NoVariable(const char *) { return nullptr; }
byte *NoFile(char *, int *length) {
    if (length != nullptr) *length = 0;
    return nullptr;
}
}  // namespace

TEST(Faults, EngineThatGivesNoVariableHandles) {
    TestEngine engine;
    loadedByMetamod = true;
    g_engfuncs.pfnCVarGetPointer = NoVariable;
    RegisterMainVariables();
    RegisterOwnVariables();
    EXPECT_EQ(g_pZeqFps, nullptr);
    EXPECT_EQ(RegistryHandle(REG_HPK), nullptr);

    // A whole map with the governor's checks, players and the map jobs.
    DLL_FUNCTIONS hooks{};
    InstallHooks(&hooks, kPluginHooks);
    hooks.pfnGameInit();
    hooks.pfnServerActivate(engine.edicts, 34, 32);
    char reject[128] = "";
    EXPECT_EQ(hooks.pfnClientConnect(engine.Player(1), "Alice", "127.0.0.1:27005", reject), 1);
    hooks.pfnClientPutInServer(engine.Player(1));
    for (int frame = 0; frame < 1500; ++frame) {
        engine.globals.time = 1.0f + frame * 0.01f;
        hooks.pfnStartFrame();
        hooks.pfnPlayerPreThink(engine.Player(1));
    }
    hooks.pfnServerDeactivate();
    EXPECT_EQ(CountPresentPlayers(), 1);
    EXPECT_GT(measuredFps, 0u);
    // The next map counts only the players put in the server again.
    hooks.pfnServerActivate(engine.edicts, 34, 32);
    EXPECT_EQ(CountPresentPlayers(), 0);
}


// Spike regulation switched on where the processor load cannot be read: said
// once a map in the log and shown in the status panel, instead of doing
// nothing without a word.
TEST(Faults, LoadMonitorThatCannotBeOpened) {
    TestEngine engine;
    engine.WriteFile("cstrike/addons/zeq_kestrin/logs/.keep", "");
    loadedByMetamod = true;
    RegisterMainVariables();
    RegisterOwnVariables();
    engine.SetVariable("zeq_kestrin_cpu", "1");
    platform::ResetCpuCountersForTests("zk_no_such_counters.dll");
    DLL_FUNCTIONS hooks{};
    InstallHooks(&hooks, kPluginHooks);
    hooks.pfnGameInit();
    const std::string notice = std::string("[ZEQ] WARNING: CPU regulation is off on this map: no processor load "
                                           "can be read from ") +
                               platform::CpuCounterSource() +
                               ". zeq_kestrin_cpu does nothing until the server is restarted with the source readable.";
    auto playMap = [&]() {
        hooks.pfnServerActivate(engine.edicts, 34, 32);
        for (int frame = 0; frame < 500; ++frame) {
            engine.globals.time = 1.0f + frame * 0.01f;
            hooks.pfnStartFrame();
        }
    };
    playMap();
    EXPECT_EQ(Count(engine.console, "Win Monitor problem (Create))"), 1u);
    EXPECT_EQ(Count(engine.console, notice), 1u) << engine.console;
    EXPECT_STREQ(GetStatusLine(kCpuSwitchStatusLine), "MDL: Disabled CPU: Unavailable");
    hooks.pfnServerDeactivate();
    playMap();
    EXPECT_EQ(Count(engine.console, notice), 2u);

    // Switched off: neither the notice nor the state.
    hooks.pfnServerDeactivate();
    engine.SetVariable("zeq_kestrin_cpu", "0");
    playMap();
    EXPECT_EQ(Count(engine.console, notice), 2u);
    EXPECT_STREQ(GetStatusLine(kCpuSwitchStatusLine), "MDL: Disabled CPU: Disabled");

    // A map start does not try the source again: only a restarted server,
    // with the load readable, reads the switch as set.
    hooks.pfnServerDeactivate();
    platform::ResetCpuCountersForTests(nullptr);
    engine.SetVariable("zeq_kestrin_cpu", "1");
    playMap();
    EXPECT_EQ(Count(engine.console, notice), 2u);
    EXPECT_STREQ(GetStatusLine(kCpuSwitchStatusLine), "MDL: Disabled CPU: Enabled");
    hooks.pfnServerDeactivate();
}

TEST(Faults, EngineThatLoadsNoFileMakesAWonServer) {
    TestEngine engine;
    g_engfuncs.pfnLoadFileForMe = NoFile;
    gameVersion = 1;
    DetectGameVersion();
    EXPECT_EQ(gameVersion, 3);
    EXPECT_NE(engine.console.find("Game Registered: CS 1.5 (WON)"), std::string::npos);
}

TEST(Faults, LogFileThatCannotBeOpenedDropsTheMessageQuietly) {
    TestEngine engine;
    // The log file's name is taken by a directory.
    engine.WriteFile("cstrike/addons/zeq_kestrin/logs/Kestrin.log/.keep", "");
    LogMessage(false, LOGLEVEL_LOG, LOGMODE_DEV, "registers");
    engine.SetVariable("zeq_kestrin_logs", "1");
    LogMessage(true, LOGLEVEL_ERROR, LOGMODE_NORMAL, "lost %s", "line");
    EXPECT_EQ(engine.console, "");
}

TEST(Faults, ConfigurationDirectoryThatIsAFile) {
    TestEngine engine;
    engine.WriteFile("cstrike/addons/zeq_kestrin/configs", "not a directory");
    engine.WriteFile("cstrike/addons/zeq_kestrin/logs/.keep", "");
    RegisterMainVariables();
    RegisterOwnVariables();
    ReadConfigFiles();
    EXPECT_TRUE(engine.serverCommands.empty());
    EXPECT_NE(engine.console.find("[ZEQ] ERROR: Configuration file not found."), std::string::npos);
}

// Operating-system services that fail under the plugin, made to fail at the
// platform backend's fault points: a disk that fills half-way through a
// write, a file that cannot be opened for writing, a directory that cannot be
// made, a system timer the system does not give.  (Processor counters that
// vanish are covered by the load monitor's tests, whose source file goes
// away.)  Each must leave the server running, say what went wrong where the
// server can still be told, and keep what was already written.
using platform::ArmFault;
using platform::FaultPoint;
using resources_test::kLogFile;
using resources_test::kModelDb;

namespace {

struct PlatformFaultsTest : resources_test::ResourcesTest {
    void TearDown() override {
        platform::DisarmFaults();
        ResourcesTest::TearDown();
    }
    bool Logged(const std::string &line) {
        for (const std::string &logged : LogLines())
            if (logged == line) return true;
        return false;
    }
    // A line that starts and ends so (a path with the system's separators
    // between).
    bool LoggedAround(const std::string &start, const std::string &end) {
        for (const std::string &logged : LogLines())
            if (logged.size() >= start.size() + end.size() && logged.compare(0, start.size(), start) == 0 &&
                logged.compare(logged.size() - end.size(), end.size(), end) == 0)
                return true;
        return false;
    }
};

}  // namespace

TEST_F(PlatformFaultsTest, LogKeepsEveryLineWrittenBeforeTheDiskFilledOrTheFileLocked) {
    LogMessage(false, LOGLEVEL_LOG, LOGMODE_NORMAL, "first line");
    LogMessage(false, LOGLEVEL_LOG, LOGMODE_NORMAL, "second line");

    // The disk fills in the middle of the third line, then has room again.
    ArmFault(FaultPoint::WriteStream, 0, 1);
    LogMessage(true, LOGLEVEL_WARNING, LOGMODE_NORMAL, "third line, cut by the full disk");
    LogMessage(false, LOGLEVEL_LOG, LOGMODE_NORMAL, "fourth line");
    const std::string text = engine.ReadTextFile(kLogFile);
    EXPECT_NE(text.find("[ZEQ] LOG: first line\n"), std::string::npos);
    EXPECT_NE(text.find("[ZEQ] LOG: second line\n"), std::string::npos);
    EXPECT_EQ(text.find("cut by the full disk"), std::string::npos);
    EXPECT_NE(text.find("[ZEQ] LOG: fourth line\n"), std::string::npos);
    // The echo reached the console before the file refused the line.
    EXPECT_NE(engine.console.find("third line, cut by the full disk"), std::string::npos);

    // A log file that cannot be opened for writing (read-only, locked): the
    // message is dropped everywhere, and the file stays as it was.
    engine.console.clear();
    ArmFault(FaultPoint::OpenForWriting, 0, -1);
    LogMessage(true, LOGLEVEL_ERROR, LOGMODE_NORMAL, "dropped");
    EXPECT_EQ(engine.ReadTextFile(kLogFile), text);
    EXPECT_EQ(engine.console, "");
}

TEST_F(PlatformFaultsTest, LogDirectoryThatCannotBeMadeDropsMessagesQuietly) {
    std::filesystem::remove_all("cstrike/addons/zeq_kestrin/logs");
    engine.console.clear();
    ArmFault(FaultPoint::MakeDirectory, 0, -1);
    LogMessage(true, LOGLEVEL_ERROR, LOGMODE_NORMAL, "nowhere to go");
    EXPECT_FALSE(engine.Exists("cstrike/addons/zeq_kestrin/logs"));
    EXPECT_EQ(engine.console, "");
}

TEST_F(PlatformFaultsTest, DatabaseCutByAFullDiskIsReportedLeftUnmarkedAndFoundDamagedNextMap) {
    WriteSized("cstrike/models/a.mdl", 10);
    WriteSized("cstrike/models/b.mdl", 20);
    WriteSized("cstrike/models/c.mdl", 30);
    engine.SetVariable("zeq_kestrin_proc_mdl", "1");
    engine.SetVariable("zeq_kestrin_proc_spr", "0");
    LogMessage(true, LOGLEVEL_LOG, LOGMODE_NORMAL, "log opened");

    // The first model line is written, the second is cut half-way.
    ArmFault(FaultPoint::WriteStream, 1, 1);
    EXPECT_FALSE(BuildDatabase());
    EXPECT_TRUE(LoggedAround("[ZEQ] ERROR: Could not write cstrike", "mdlbase.kts completely (disk full?)"))
        << engine.ReadTextFile(kLogFile);
    EXPECT_TRUE(engine.Exists(kModelDb));
    EXPECT_FALSE(platform::HasDatabaseMark(kModelDb.c_str()));
    EXPECT_FALSE(platform::IsReadOnlyFile(kModelDb.c_str()));

    // The next map's check finds the unmarked file and switches model
    // processing off instead of reading half a list.
    ClearLog();
    DatabaseStep();
    EXPECT_TRUE(Logged("[ZEQ] ERROR: Failed Loading Files")) << engine.ReadTextFile(kLogFile);
    ASSERT_FALSE(engine.serverCommands.empty());
    EXPECT_EQ(engine.serverCommands.back(), "zeq_kestrin_proc_mdl 0\n");
}

TEST_F(PlatformFaultsTest, ConfigurationFilesThatCannotBeOpenedAreReportedAndNothingRuns) {
    engine.WriteFile("cstrike/addons/zeq_kestrin/configs/kestrin.cfg", "sv_gravity 100\n");
    engine.WriteFile("cstrike/addons/zeq_kestrin/configs/kestrin.ini", "[FPS]\n");
    ArmFault(FaultPoint::OpenForReading, 0, -1);
    ReadConfigFiles();
    EXPECT_TRUE(engine.serverCommands.empty());
    EXPECT_TRUE(Logged("[ZEQ] ERROR: Configuration file not found.")) << engine.ReadTextFile(kLogFile);
}

TEST_F(PlatformFaultsTest, MapStartWithoutSystemTimersSaysWhatIsSkipped) {
    ArmFault(FaultPoint::StartTimer, 0, -1);
    const int before = platform::LiveSystemTimers();
    StartMapTimers();
    EXPECT_EQ(platform::LiveSystemTimers(), before);
    EXPECT_TRUE(Logged("[ZEQ] WARNING: Could not start a system timer: the resource database step is skipped on this "
                       "map."));
    EXPECT_TRUE(Logged("[ZEQ] WARNING: Could not start a system timer: the automatic configuration is skipped on "
                       "this map."));
    EXPECT_TRUE(Logged("[ZEQ] WARNING: Could not start a system timer: the kicker is not set up on this map."));

    // The kicker's re-send timer: the settings still go out once.
    engine.SetVariable("zeq_kestrin_hpk", "1");
    engine.serverCommands.clear();
    HpkSetup();
    EXPECT_EQ(HpkResendTimerId(), 0u);
    EXPECT_FALSE(engine.serverCommands.empty());
    EXPECT_TRUE(Logged("[ZEQ] WARNING: Could not start a system timer: the kicker settings are sent once only."));
}
