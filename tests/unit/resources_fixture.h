// Shared set-up of the resource database tests: a fake engine with every
// variable registered, the plugin directory, a single log file, and a fixed
// clock for the random generators.
#pragma once

#include <gtest/gtest.h>

#include <sstream>
#include <string>
#include <vector>

#include "config/variables.h"
#include "platform/file_system.h"
#include "resources/random_draws.h"
#include "support/test_engine.h"

// Wine reports every regular file with the archive flag whatever was set, so
// the exact read-only-plus-system mark can never be seen there; real Windows
// and the POSIX mark keep it.  Tests that need an intact mark skip there.
#define SKIP_UNLESS_MARKS_KEPT() \
    if (!MarkKept()) GTEST_SKIP() << "this file system cannot keep the exact read-only-plus-system mark (Wine)"

namespace resources_test {

using Lines = std::vector<std::string>;
const std::string kDbDir = "cstrike/addons/zeq_kestrin/db/";
const std::string kModelDb = kDbDir + "mdlbase.kts";
const std::string kSpriteDb = kDbDir + "sprbase.kts";
const std::string kLogFile = "cstrike/addons/zeq_kestrin/logs/Kestrin.log";

inline int64_t FixedClock() { return 1000; }

struct ResourcesTest : ::testing::Test {
    TestEngine engine;

    void SetUp() override {
        engine.WriteFile("cstrike/addons/zeq_kestrin/.keep", "");
        RegisterMainVariables();
        RegisterOwnVariables();
        engine.SetVariable("zeq_kestrin_logs", "1");
        engine.SetVariable("zeq_kestrin_loglevel", "1");
        SetRandomClockForTests(FixedClock);
    }
    void TearDown() override { SetRandomClockForTests(nullptr); }
    bool MarkKept() {
        engine.WriteFile("cstrike/probe.kts", "");
        return platform::SetDatabaseMark("cstrike/probe.kts") && platform::HasDatabaseMark("cstrike/probe.kts");
    }
    // The log's lines without their "[hh:mm:ss] " stamps; each is also shown
    // on the console.
    Lines LogLines() {
        Lines lines;
        std::istringstream in(engine.Exists(kLogFile) ? engine.ReadTextFile(kLogFile) : "");
        for (std::string line; std::getline(in, line);) lines.push_back(line.size() > 11 ? line.substr(11) : line);
        for (const std::string &line : lines) EXPECT_NE(engine.console.find(line), std::string::npos) << line;
        return lines;
    }
    // Forgets what was logged so far.
    void ClearLog() {
        if (engine.Exists(kLogFile)) engine.WriteFile(kLogFile, "");
    }
    void WriteSized(const std::string &path, std::size_t size) { engine.WriteFile(path, std::string(size, 'x')); }
};

}  // namespace resources_test
