// Faults from the host: handles the engine does not give, files and
// directories that cannot be made.  Each must leave the server running.
#include <gtest/gtest.h>

#include <string>

#include "config/presets.h"
#include "config/profile_file.h"
#include "config/variables.h"
#include "control/governor.h"
#include "engine/player_presence.h"
#include "engine/plugin_state.h"
#include "log/log.h"
#include "platform/cpu_load.h"
#include "plugin/dllapi.h"
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
                               platform::CpuCounterSource() + ". zeq_kestrin_cpu does nothing until it can.";
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

    // The load readable again at a map start: the switch reads as set.
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
