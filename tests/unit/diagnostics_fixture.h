// A server after attach and a map start, with checks driven frame by frame
// through the governor.
#pragma once

#include <gtest/gtest.h>

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "commands_fixture.h"
#include "config/variables.h"
#include "control/governor.h"
#include "control/timer_throttling.h"
#include "diagnostics/frame_diagnostics.h"
#include "diagnostics/frame_stats.h"
#include "diagnostics/frame_trace.h"
#include "diagnostics/metrics.h"
#include "engine/plugin_state.h"
#include "platform/fault_points.h"
#include "platform/platform.h"
#include "plugin/entry_points.h"

namespace diagnostics_test {

struct DiagnosticsTest : commands_test::CommandsTest {
    void SetUp() override {
        CommandsTest::SetUp();
        // The frames here come as fast as the test runs them, or as slowly
        // as a loaded machine lets it: no slow-frame warning may come in
        // between (it would write the log where a test arms a write fault).
        engine.SetVariable("zeq_kestrin_slowframe_ms", "0");
        NewMap();
    }
    void TearDown() override {
        platform::DisarmFaults();
        CommandsTest::TearDown();
    }
    void NewMap() {
        GovernorMapStart();
        ScheduleFirstCheck();
    }
    // One 4-second window that measures exactly `fps`, closed by its check.
    void Measure(uint32_t fps) {
        const uint32_t frames = fps == 0 ? 0 : fps * 4 - 1;
        for (uint32_t i = 0; i < frames; ++i) {
            engine.globals.time = nextCheckTime - 4.0f + 4.0f * static_cast<float>(i) / static_cast<float>(frames);
            GovernorFrame();
        }
        engine.globals.time = nextCheckTime;
        GovernorFrame();
    }
    std::size_t Count(const std::string &text) const { return ::Count(engine.console, text); }
};

}  // namespace diagnostics_test
