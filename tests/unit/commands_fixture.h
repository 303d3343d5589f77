// The command tests' fake engine after game initialisation; switches,
// presence table and system timers as at load.
#pragma once

#include <gtest/gtest.h>

#include <sstream>
#include <string>
#include <vector>

#include "commands/console_commands.h"
#include "commands/hpk_bridge.h"
#include "config/variables.h"
#include "control/governor.h"
#include "engine/engine_services.h"
#include "engine/player_presence.h"
#include "engine/plugin_state.h"
#include "plugin/dllapi.h"
#include "support/test_engine.h"
#if !defined(_WIN32)
#include "platform/system_timers_gametime.h"
#endif

namespace commands_test {

using Lines = std::vector<std::string>;

struct CommandsTest : ::testing::Test {
    TestEngine engine;

    void SetUp() override {
        TearDown();
        loadedByMetamod = false;
        engine.WriteFile("cstrike/addons/zeq_kestrin/logs/.keep", "");
        RegisterMainVariables();
        kPluginHooks.pfnGameInit();
        engine.console.clear();
        engine.calls.clear();
    }

    void TearDown() override {
        ResetSwitchesForTests();
        ResetHpkBridgeForTests();
#if !defined(_WIN32)
        platform::gametime_timers::Reset();
#endif
        ClearPresence();
        measuredFps = 0;
        g_pListenServerHost = nullptr;
    }

    // The console as lines, without the "[hh:mm:ss] " stamps of log lines.
    Lines ConsoleLines() const {
        Lines lines;
        std::istringstream console(engine.console);
        for (std::string line; std::getline(console, line); lines.push_back(line))
            if (line.size() >= 11 && line[0] == '[' && line[3] == ':' && line[9] == ']') line.erase(0, 11);
        return lines;
    }

    // Runs a command and returns what it printed.  The engine finds a command
    // in any case; the dispatcher sees the name as typed.
    Lines Run(const Lines &words) {
        engine.console.clear();
        engine.argv = words;
        const auto found = engine.commands.find(words[0]);
        (found != engine.commands.end() ? found->second : InfoCommand)();
        return ConsoleLines();
    }
};

}  // namespace commands_test
