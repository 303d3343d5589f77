// The frame-rate governor: counts frames and, every 4 seconds of game time,
// measures the frame rate, publishes it, steers sys_ticrate (fixed or
// automatic), hands over to the profile check, re-applies the timer period
// and rewrites the version variable.
#pragma once

#include <cstdint>

#include "diagnostics/rate_watch.h"
#include "engine/plugin_state.h"  // ticrateTarget

extern uint32_t frameCount;
extern uint32_t measuredFps;
extern float nextCheckTime;

// How a check made now would steer sys_ticrate (from zeq_kestrin_sysrate
// and zeq_kestrin_autofps).
RateSteering CurrentRateSteering();

// Per-frame hook work: between checks, two comparisons and an increment.
void GovernorFrame();

// Map start: frameCount = 0 / nextCheckTime = game time + 4.
void GovernorMapStart();
void ScheduleFirstCheck();

// The steps of one check.
void MeasureFps();
void PublishTicrate();
void AdjustTicrate();
void ApplyTimerPeriod();
void RefreshVersion();
// The step for a tick-rate gap (the step table).
int32_t TicrateStep(int32_t gap);
