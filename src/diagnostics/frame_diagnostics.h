// What the governor's frame path and checks gather beyond the frame count:
// the frame-interval statistics of the current 4-second window and of the
// map, the process's processor use, the rate warnings and the live trace.
#pragma once

#include <cstdint>

#include "diagnostics/frame_stats.h"
#include "diagnostics/rate_watch.h"

struct FrameDiagnostics {
    bool haveWindow;          // a check has closed a window on this map
    IntervalSummary window;   // the last closed window
    IntervalSummary map;      // every window of the map so far
    float ticrateHeld;        // sys_ticrate while the last window ran
    float ticrateAsked;       // sys_ticrate as the last check left it
    RateSteering steering;    // how the last check steered sys_ticrate
    RateWatch rates;
};

// Per frame: one clock read and one histogram increment.  The statistics
// can be switched off (benchmarks compare the frame hook with and without).
void RecordFrameInterval();
extern bool g_frameStatsOn;

void FrameDiagnosticsMapStart();
// Around the governor's check, which steers sys_ticrate as `steering` says.
void FrameDiagnosticsBeforeCheck(const RateSteering &steering);
void FrameDiagnosticsAfterCheck(uint32_t measuredFps);

const FrameDiagnostics &CurrentFrameDiagnostics();
// Forgets everything (tests run several sessions in one process).
void ResetFrameDiagnosticsForTests();
