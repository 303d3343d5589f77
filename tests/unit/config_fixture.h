// The configuration tests' fake engine: the main variables, a configuration
// directory, one log file, and the profile store and parser as at load.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "config/auto_config.h"
#include "config/profile_file.h"
#include "config/variables.h"
#include "engine/plugin_state.h"
#include "platform/fault_points.h"
#include "support/test_engine.h"

namespace config_test {

using ::Count;  // support/test_engine.h
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

}  // namespace config_test
