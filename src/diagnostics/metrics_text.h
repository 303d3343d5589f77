// The metrics file's text: Prometheus' text exposition format, every series
// with the server's labels (port, address when it is bound to one, game).
#pragma once

#include <cstddef>
#include <cstdint>

#include "diagnostics/frame_stats.h"
#include "diagnostics/rate_watch.h"

// The frame-interval histogram's upper bounds (microseconds), before +Inf.
constexpr int kMetricsBuckets = 11;
extern const uint32_t kMetricsBucketUs[kMetricsBuckets];

// Every frame interval of the checks' windows since the server started,
// counted at the frame statistics' resolution (1 us below 20 ms, 1 ms above):
// an interval of exactly a bound counts above it.
struct ServerIntervalHistogram {
    uint64_t cumulative[kMetricsBuckets];  // intervals at or below each bound
    uint64_t count;                        // every interval (the +Inf bucket)
    uint64_t totalNs;
};

// Adds a closed window's intervals (one pass over its buckets).
void AccumulateIntervals(ServerIntervalHistogram &server, const IntervalHistogram &window);

// What the governor hands over at a check, beyond the frame statistics.
struct CheckFigures {
    uint32_t fps;          // the zeq_fps value the check measured
    bool haveMachineLoad;  // the load monitor is sampling
    double machineLoad;    // its last sample, 0 to 1
};

// Everything one file shows.
struct MetricsSnapshot {
    unsigned port;
    const char *address;    // the address the server is bound to; "" when it takes every one
    const char *game;
    const char *version;
    const char *platformName;
    bool metamod;
    const char *map;
    bool haveWindow;        // a check has closed a window (on this map or, until its
                            // first check, on the one before)
    uint32_t fps;           // the zeq_fps value of the last check
    IntervalSummary window;
    ServerIntervalHistogram intervals;
    double ticrateAsked, ticrateHeld;
    RateMode rateMode;      // how the plugin steers sys_ticrate,
    double rateTarget;      // toward the frames a second the operator asked for
    bool haveTimerResolution;
    const char *timerResolutionKind;  // "period" or "slack"
    double timerResolutionSeconds;
    bool haveCpu;
    double cpuSeconds;
    CheckFigures figures;
    uint64_t ticrateChanges, rateShortfalls;
    int players, maxPlayers;
    int64_t mapStartTime, checkTime;  // Unix seconds
};

// The labels every series of the server carries: port="…"[,address="…"],game="…";
// false when they do not fit in size bytes (kServerLabelsSize always does).
constexpr std::size_t kServerLabelsSize = 360;
bool FormatServerLabels(const MetricsSnapshot &snapshot, char *szOut, std::size_t size);
// The file's text; false (and nothing usable) when it does not fit.
bool FormatMetrics(const MetricsSnapshot &snapshot, char *szOut, std::size_t size, std::size_t *length);
// A label value as the format wants it: '\\', '"' and a line end escaped,
// a byte that is not part of valid UTF-8 written as '?'.  Valid as
// Prometheus' parser takes it (Go's utf8.ValidString): no overlong form, no
// surrogate, nothing above U+10FFFF.  False when it does
// not fit (the text is then cut).
bool EscapeLabelValue(const char *szValue, char *szOut, std::size_t size);
