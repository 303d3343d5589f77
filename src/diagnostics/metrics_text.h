// The metrics file's text: Prometheus' text exposition format, every series
// with the server's labels (port, address when it is bound to one, game).
#pragma once

#include <cinttypes>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstring>

#include "diagnostics/frame_stats.h"
#include "diagnostics/rate_watch.h"
#include "engine/decimal_text.h"

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

// The text of a metrics file in a fixed buffer; remembers when something did
// not fit.
class MetricsText {
public:
    // Appends after the `used` characters already in szOut.
    MetricsText(char *szOut, std::size_t size, std::size_t used = 0) : out_(szOut), size_(size), used_(used) {
        if (used_ < size_) out_[used_] = '\0';
    }
    void Add(const char *szText) {
        const std::size_t length = std::strlen(szText);
        if (!fits_ || used_ + length >= size_) {
            fits_ = false;
            return;
        }
        std::memcpy(out_ + used_, szText, length + 1);
        used_ += length;
    }
    void Real(double value) {
        char number[64];
        FormatDecimalShort(number, sizeof(number), value, 9);
        Add(number);
    }
    void Whole(uint64_t value) {
        char number[24];
        std::snprintf(number, sizeof(number), "%" PRIu64, value);
        Add(number);
    }
    bool fits() const { return fits_; }
    std::size_t used() const { return used_; }

private:
    char *out_;
    std::size_t size_;
    std::size_t used_;
    bool fits_ = true;
};

// Writes the families and samples of one file: every series carries the
// server's labels.
class MetricsWriter {
public:
    MetricsWriter(MetricsText &text, const char *szServerLabels) : text_(text), labels_(szServerLabels) {}
    void Family(const char *szName, const char *szType, const char *szHelp) {
        text_.Add("# HELP ");
        text_.Add(szName);
        text_.Add(" ");
        text_.Add(szHelp);
        text_.Add("\n# TYPE ");
        text_.Add(szName);
        text_.Add(" ");
        text_.Add(szType);
        text_.Add("\n");
    }
    // name{server labels[,extra]} and the space before the value.
    void Start(const char *szName, const char *szExtraLabels = nullptr) {
        text_.Add(szName);
        text_.Add("{");
        text_.Add(labels_);
        if (szExtraLabels != nullptr) {
            text_.Add(",");
            text_.Add(szExtraLabels);
        }
        text_.Add("} ");
    }
    void Real(const char *szName, double value, const char *szExtraLabels = nullptr) {
        Start(szName, szExtraLabels);
        text_.Real(value);
        text_.Add("\n");
    }
    void Whole(const char *szName, uint64_t value, const char *szExtraLabels = nullptr) {
        Start(szName, szExtraLabels);
        text_.Whole(value);
        text_.Add("\n");
    }
    void Gauge(const char *szName, const char *szHelp, double value) {
        Family(szName, "gauge", szHelp);
        Real(szName, value);
    }

private:
    MetricsText &text_;
    const char *labels_;
};
