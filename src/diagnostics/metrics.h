// The metrics file: with zeq_kestrin_metrics 1, the server's figures in
// Prometheus' text exposition format, for the textfile collector of
// node_exporter or windows_exporter.  One file a server,
// zeq_kestrin_<port>.prom in zeq_kestrin_metrics_dir, rewritten whole at each
// map start and each governor check (never on the per-frame path): written
// to a temporary file of this process in the same directory, then renamed
// into place, so that a scrape never reads half a file.  A failed write is
// reported once per map and switches the metrics off.
#pragma once

#include <cstddef>
#include <cstdint>

#include "diagnostics/frame_stats.h"

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
    const char *game;
    const char *version;
    const char *platformName;
    bool metamod;
    const char *map;
    bool haveWindow;        // a check has closed a window on this map
    uint32_t fps;           // the zeq_fps value of the last check
    IntervalSummary window;
    ServerIntervalHistogram intervals;
    double ticrateAsked, ticrateHeld;
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

// The file's text; false (and nothing usable) when it does not fit.
bool FormatMetrics(const MetricsSnapshot &snapshot, char *szOut, std::size_t size, std::size_t *length);
// A label value as the format wants it: '\\', '"' and a line end escaped,
// a byte that is not part of valid UTF-8 written as '?'.  False when it does
// not fit (the text is then cut).
bool EscapeLabelValue(const char *szValue, char *szOut, std::size_t size);

// The server's port as the engine opened it: ip_hostport, then hostport,
// then port (the first that exists and is not 0); 27015 when none is set.
unsigned ServerPort();

// The file path and the directory it goes in; false when they do not fit.
bool MetricsPaths(unsigned port, char *szDirectory, std::size_t directorySize, char *szFile, std::size_t fileSize);

// Called by the governor: the map start (before its configuration runs)
// and each check, after the frame statistics have taken the window.
void MetricsMapStart();
void MetricsAfterCheck(const CheckFigures &figures);
// The frame statistics hand each closed window over.
void MetricsTakeWindow(const IntervalHistogram &window);
// Forgets everything (tests run several sessions in one process).
void ResetMetricsForTests();
