// Shared set-up of the resource database tests: a fake engine with every
// variable registered, the plugin directory, a single log file, and a fixed
// clock for the random generators.
#pragma once

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "config/variables.h"
#include "platform/file_system.h"
#include "resources/random_draws.h"
#include "support/test_engine.h"

namespace resources_test {

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
    // Wine reports every regular file with the archive flag whatever was set,
    // so the exact read-only-plus-system mark can never be seen there; real
    // Windows and the POSIX mark keep it.  Tests that need an intact mark
    // skip where the file system cannot keep one.
    bool MarkKept() {
        engine.WriteFile("cstrike/probe.kts", "");
        const bool kept = platform::SetDatabaseMark("cstrike/probe.kts") && platform::HasDatabaseMark("cstrike/probe.kts");
        return kept;
    }
    void TearDown() override { SetRandomClockForTests(nullptr); }

    // The log's lines without their "[hh:mm:ss] " stamps (and without CR).
    std::vector<std::string> LogLines() {
        std::vector<std::string> lines;
        if (!engine.Exists(kLogFile)) return lines;
        const std::string text = engine.ReadTextFile(kLogFile);
        std::string line;
        for (char c : text) {
            if (c == '\r') continue;
            if (c != '\n') {
                line += c;
                continue;
            }
            lines.push_back(line.size() > 11 ? line.substr(11) : line);
            line.clear();
        }
        return lines;
    }
    // Forgets what was logged so far.
    void ClearLog() {
        if (engine.Exists(kLogFile)) engine.WriteFile(kLogFile, "");
    }
    void WriteSized(const std::string &path, std::size_t size) { engine.WriteFile(path, std::string(size, 'x')); }
};

}  // namespace resources_test
