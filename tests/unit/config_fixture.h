// The configuration tests' fake engine: the main variables, a configuration
// directory, one log file, and the profile store and parser as at load.
#pragma once

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


namespace config_test {

using Commands = std::vector<std::string>;

inline const std::string kConfigDir = "cstrike/addons/zeq_kestrin/configs/";
inline const std::string kLogFile = "cstrike/addons/zeq_kestrin/logs/Kestrin.log";

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

}  // namespace config_test
