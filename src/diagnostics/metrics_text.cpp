#include "diagnostics/metrics_text.h"

#include <cstdio>
#include <cstring>

// Suited to 100 to 1000+ frames a second: 1 ms is 1000 fps, 10 ms is 100 fps.
const uint32_t kMetricsBucketUs[kMetricsBuckets] = {250, 500, 1000, 1500, 2000, 3000, 5000, 10000, 20000, 50000, 100000};

namespace {
const char *const kBucketLabels[kMetricsBuckets] = {"0.00025", "0.0005", "0.001", "0.0015", "0.002", "0.003",
                                                    "0.005",   "0.01",   "0.02",  "0.05",   "0.1"};

// The buckets' index bounds in IntervalHistogram (exclusive): an interval in
// bucket i is shorter than the bound when i is below it.  Every bound falls on
// a bucket edge, so the counts are exact.
uint32_t BucketIndexLimit(uint32_t us) {
    return us <= kFineBucketLimitUs ? us : kFineBucketLimitUs + (us - kFineBucketLimitUs) / kCoarseBucketUs;
}

bool Escaped(const char *szName, const char *szValue, char *szOut, std::size_t size) {
    char value[256];
    if (!EscapeLabelValue(szValue, value, sizeof(value))) return false;
    const int length = std::snprintf(szOut, size, "%s=\"%s\"", szName, value);
    return length > 0 && static_cast<std::size_t>(length) < size;
}

// The length of the valid UTF-8 sequence that starts at p, 0 when none does
// (the ranges of Go's utf8 package, which Prometheus' parser uses).
std::size_t Utf8Length(const unsigned char *p) {
    unsigned char low = 0x80, high = 0xBF;  // the second byte's range
    std::size_t length = 0;
    if (*p >= 0xC2 && *p <= 0xDF) {
        length = 2;
    } else if (*p >= 0xE0 && *p <= 0xEF) {
        length = 3;
        if (*p == 0xE0) low = 0xA0;   // overlong below
        if (*p == 0xED) high = 0x9F;  // surrogates above
    } else if (*p >= 0xF0 && *p <= 0xF4) {
        length = 4;
        if (*p == 0xF0) low = 0x90;   // overlong below
        if (*p == 0xF4) high = 0x8F;  // above U+10FFFF
    } else {
        return 0;
    }
    if (p[1] < low || p[1] > high) return 0;
    for (std::size_t i = 2; i < length; ++i)
        if ((p[i] & 0xC0) != 0x80) return 0;
    return length;
}

const char *RateModeName(RateMode mode) {
    return mode == RateMode::Automatic ? "automatic" : mode == RateMode::Fixed ? "fixed" : "off";
}
}  // namespace

void AccumulateIntervals(ServerIntervalHistogram &server, const IntervalHistogram &window) {
    uint64_t below = 0;
    uint32_t index = 0;
    for (int bound = 0; bound < kMetricsBuckets; ++bound) {
        const uint32_t limit = BucketIndexLimit(kMetricsBucketUs[bound]);
        for (; index < limit; ++index) below += window.buckets[index];
        server.cumulative[bound] += below;
    }
    server.count += window.count;
    server.totalNs += window.totalNs;
}

bool EscapeLabelValue(const char *szValue, char *szOut, std::size_t size) {
    if (size == 0) return false;
    std::size_t used = 0;
    const unsigned char *p = reinterpret_cast<const unsigned char *>(szValue != nullptr ? szValue : "");
    while (*p != '\0') {
        char piece[5] = {};
        std::size_t pieceLength = 1;
        std::size_t consumed = 1;
        if (*p == '\\' || *p == '"') {
            piece[0] = '\\';
            piece[1] = static_cast<char>(*p);
            pieceLength = 2;
        } else if (*p == '\n') {
            std::memcpy(piece, "\\n", 2);
            pieceLength = 2;
        } else if (*p < 0x80) {
            piece[0] = static_cast<char>(*p);
        } else {
            // A valid UTF-8 sequence is kept whole; anything else becomes '?'.
            const std::size_t expected = Utf8Length(p);
            if (expected == 0) {
                piece[0] = '?';
            } else {
                std::memcpy(piece, p, expected);
                pieceLength = consumed = expected;
            }
        }
        if (used + pieceLength >= size) {
            szOut[used] = '\0';
            return false;
        }
        std::memcpy(szOut + used, piece, pieceLength);
        used += pieceLength;
        p += consumed;
    }
    szOut[used] = '\0';
    return true;
}

bool FormatServerLabels(const MetricsSnapshot &s, char *szOut, std::size_t size) {
    char address[160] = "";
    char game[160];
    if (s.address != nullptr && s.address[0] != '\0' && !Escaped(",address", s.address, address, sizeof(address)))
        return false;
    if (!Escaped("game", s.game, game, sizeof(game))) return false;
    const int labelsLength = std::snprintf(szOut, size, "port=\"%u\"%s,%s", s.port, address, game);
    return labelsLength > 0 && static_cast<std::size_t>(labelsLength) < size;
}

bool FormatMetrics(const MetricsSnapshot &s, char *szOut, std::size_t size, std::size_t *length) {
    char labels[kServerLabelsSize];
    if (!FormatServerLabels(s, labels, sizeof(labels))) return false;

    MetricsText text(szOut, size);
    MetricsWriter w(text, labels);
    char extra[320];
    char value[280];

    w.Family("zeq_kestrin_build_info", "gauge", "The plugin's version, platform and loading mode.");
    if (!Escaped("version", s.version, value, sizeof(value))) return false;
    std::snprintf(extra, sizeof(extra), "%s,platform=\"%s\",mode=\"%s\"", value, s.platformName,
                  s.metamod ? "metamod" : "standalone");
    w.Real("zeq_kestrin_build_info", 1, extra);

    w.Family("zeq_kestrin_map_info", "gauge", "The map running.");
    if (!Escaped("map", s.map, extra, sizeof(extra))) return false;
    w.Real("zeq_kestrin_map_info", 1, extra);

    if (s.haveWindow) {
        w.Gauge("zeq_kestrin_frames_per_second", "Frames a second over the last check window (zeq_fps).", s.fps);
        w.Family("zeq_kestrin_window_frame_interval_seconds", "gauge",
                 "Frame interval percentiles and maximum of the last check window.");
        w.Real("zeq_kestrin_window_frame_interval_seconds", s.window.p50Us / 1e6, "stat=\"p50\"");
        w.Real("zeq_kestrin_window_frame_interval_seconds", s.window.p99Us / 1e6, "stat=\"p99\"");
        w.Real("zeq_kestrin_window_frame_interval_seconds", s.window.p999Us / 1e6, "stat=\"p99.9\"");
        w.Real("zeq_kestrin_window_frame_interval_seconds", s.window.maxUs / 1e6, "stat=\"max\"");
    }

    w.Family("zeq_kestrin_frame_interval_seconds", "histogram",
             "Time between two server frames, every check window since the server started.");
    for (int i = 0; i < kMetricsBuckets; ++i) {
        std::snprintf(extra, sizeof(extra), "le=\"%s\"", kBucketLabels[i]);
        w.Whole("zeq_kestrin_frame_interval_seconds_bucket", s.intervals.cumulative[i], extra);
    }
    w.Whole("zeq_kestrin_frame_interval_seconds_bucket", s.intervals.count, "le=\"+Inf\"");
    w.Real("zeq_kestrin_frame_interval_seconds_sum", static_cast<double>(s.intervals.totalNs) / 1e9);
    w.Whole("zeq_kestrin_frame_interval_seconds_count", s.intervals.count);

    w.Family("zeq_kestrin_rate_target", "gauge",
             "The frames a second the operator asked for: zeq_kestrin_autofps (mode automatic), "
             "zeq_kestrin_sysrate (fixed), 0 when the plugin leaves sys_ticrate alone (off).");
    std::snprintf(extra, sizeof(extra), "mode=\"%s\"", RateModeName(s.rateMode));
    w.Real("zeq_kestrin_rate_target", s.rateMode == RateMode::Off ? 0.0 : s.rateTarget, extra);
    w.Gauge("zeq_kestrin_sys_ticrate_asked", "sys_ticrate as the plugin's last check left it.", s.ticrateAsked);
    w.Gauge("zeq_kestrin_sys_ticrate_held", "sys_ticrate as the engine held it while the last window ran.",
            s.ticrateHeld);
    if (s.haveTimerResolution) {
        w.Family("zeq_kestrin_timer_resolution_seconds", "gauge",
                 "The timer resolution in force: the timer period (Windows) or the timer slack (Linux).");
        std::snprintf(extra, sizeof(extra), "kind=\"%s\"", s.timerResolutionKind);
        w.Real("zeq_kestrin_timer_resolution_seconds", s.timerResolutionSeconds, extra);
    }
    if (s.haveCpu) {
        w.Family("zeq_kestrin_process_cpu_seconds_total", "counter", "Processor time the server process has used.");
        w.Real("zeq_kestrin_process_cpu_seconds_total", s.cpuSeconds);
    }
    if (s.figures.haveMachineLoad)
        w.Gauge("zeq_kestrin_machine_cpu_load_ratio", "The machine's processor load as the load monitor sampled it.",
                s.figures.machineLoad);

    w.Family("zeq_kestrin_rate_warnings_total", "counter", "Rate warnings since the server started, by kind.");
    w.Whole("zeq_kestrin_rate_warnings_total", s.ticrateChanges, "kind=\"sys_ticrate_changed\"");
    w.Whole("zeq_kestrin_rate_warnings_total", s.rateShortfalls, "kind=\"rate_not_reached\"");

    w.Gauge("zeq_kestrin_players", "Players connected.", s.players);
    w.Gauge("zeq_kestrin_max_players", "The player limit.", s.maxPlayers);
    w.Gauge("zeq_kestrin_map_start_time_seconds", "When the map started, in Unix seconds.",
            static_cast<double>(s.mapStartTime));
    w.Gauge("zeq_kestrin_last_check_time_seconds",
            "When this file was written (the last governor check, or the map start), in Unix seconds.",
            static_cast<double>(s.checkTime));
    if (!text.fits()) return false;
    *length = text.used();
    return true;
}
