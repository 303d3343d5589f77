// The plugin's diagnostic variables, outside the bounded registry of its own
// settings: zeq_kestrin_trace (0 off, 1 one CSV row per governor check),
// zeq_kestrin_metrics (0 off, 1 the metrics file rewritten at each map start
// and check) and zeq_kestrin_metrics_dir (where that file goes).
#pragma once

#include "sdk/engine.h"

extern cvar_t *g_pTrace;
extern cvar_t *g_pMetrics;
extern cvar_t *g_pMetricsDir;
// zeq_kestrin_profile (0 off, 1 the frame's time by family, where the launch
// option installed the timing) and zeq_kestrin_slowframe_ms (a frame longer
// than this is slow; 0 counts none).
extern cvar_t *g_pProfile;
extern cvar_t *g_pSlowFrameMs;
constexpr unsigned kDefaultSlowFrameMs = 20;

// The metrics directory's default, relative to the game directory.
extern const char kDefaultMetricsDir[];

// Registers them (game initialisation) and looks their handles up.
void RegisterDiagnosticVariables();
