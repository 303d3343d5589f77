// The live trace: with zeq_kestrin_trace 1, one CSV row per governor check in
// addons/zeq_kestrin/logs/trace_<date>.csv (a header line starts a new file).
// Written at the check, never on the per-frame path.  A failed write is
// reported once per map and switches the trace off.
#pragma once

#include <cstddef>

#include "diagnostics/frame_profile.h"
#include "diagnostics/frame_stats.h"
#include "platform/platform.h"

struct TraceRow {
    platform::LocalTime now;
    float gameTime;
    IntervalSummary window;
    float ticrateAsked;    // what sys_ticrate holds after this check
    float ticrateHeld;     // what it held while the window ran
    float sleepsm;
    ProfileWindow profile;  // each family's p99, when the profile measured the window
};

extern const char kTraceHeader[];

// The row as one CSV line with its line end; false when it does not fit.
bool FormatTraceRow(const TraceRow &row, char *szOut, std::size_t size);
// Appends the row when the trace is on.
void WriteTraceRow(const TraceRow &row);
void TraceMapStart();
