#include "diagnostics/metrics.h"

#include <cinttypes>
#include <cstdio>
#include <cstring>

#include "config/diagnostic_variables.h"
#include "config/variables.h"
#include "diagnostics/frame_diagnostics.h"
#include "diagnostics/profile_metrics.h"
#include "engine/decimal_text.h"
#include "engine/engine_services.h"
#include "engine/known_mods.h"
#include "engine/plugin_state.h"
#include "engine/player_presence.h"
#include "log/log.h"
#include "platform/file_system.h"
#include "platform/platform.h"

// Suited to 100 to 1000+ frames a second: 1 ms is 1000 fps, 10 ms is 100 fps.
const uint32_t kMetricsBucketUs[kMetricsBuckets] = {250, 500, 1000, 1500, 2000, 3000, 5000, 10000, 20000, 50000, 100000};

namespace {
const char *const kBucketLabels[kMetricsBuckets] = {"0.00025", "0.0005", "0.001", "0.0015", "0.002", "0.003",
                                                    "0.005",   "0.01",   "0.02",  "0.05",   "0.1"};
constexpr unsigned kDefaultPort = 27015;
constexpr std::size_t kPathSize = 512;
constexpr std::size_t kTextSize = 16384;
constexpr int kRenameAttempts = 3;

ServerIntervalHistogram s_intervals{};
int64_t s_mapStartTime = 0;
uint64_t s_rateShortfalls = 0;  // shortfall warnings since the server started
bool s_shortfallSeen = false;   // this map's shortfall warning is counted
bool s_failureReported = false;
char s_text[kTextSize];

// The buckets' index bounds in IntervalHistogram (exclusive): an interval in
// bucket i is shorter than the bound when i is below it.  Every bound falls on
// a bucket edge, so the counts are exact.
uint32_t BucketIndexLimit(uint32_t us) {
    return us <= kFineBucketLimitUs ? us : kFineBucketLimitUs + (us - kFineBucketLimitUs) / kCoarseBucketUs;
}

// Appends to a fixed buffer; remembers when something did not fit.
class Text {
public:
    Text(char *szOut, std::size_t size) : out_(szOut), size_(size) {
        if (size_ > 0) out_[0] = '\0';
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
    std::size_t used_ = 0;
    bool fits_ = true;
};

// Writes the samples of one file: every series carries the server's labels.
class Writer {
public:
    Writer(Text &text, const char *szServerLabels) : text_(text), labels_(szServerLabels) {}
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
    Text &text_;
    const char *labels_;
};

bool Escaped(const char *szName, const char *szValue, char *szOut, std::size_t size) {
    char value[256];
    if (!EscapeLabelValue(szValue, value, sizeof(value))) return false;
    const int length = std::snprintf(szOut, size, "%s=\"%s\"", szName, value);
    return length > 0 && static_cast<std::size_t>(length) < size;
}

// A number from 0 to 65535 that the variable holds, or 0.
unsigned PortVariable(const char *szName) {
    if (g_engfuncs.pfnCVarGetPointer == nullptr) return 0;
    const int value = VariableInt(g_engfuncs.pfnCVarGetPointer(szName));
    return value > 0 && value <= 65535 ? static_cast<unsigned>(value) : 0;
}

bool IsAbsolute(const char *szPath) {
    if (szPath[0] == '/' || szPath[0] == '\\') return true;
    const char first = szPath[0];
    const bool letter = (first >= 'a' && first <= 'z') || (first >= 'A' && first <= 'Z');
    return letter && szPath[1] == ':';
}

bool IsSeparator(char c) { return c == '/' || (platform::kPathSeparator == '\\' && c == '\\'); }

// Creates each missing directory along the path.
bool MakeDirectories(const char *szDirectory) {
    if (platform::DirectoryExists(szDirectory)) return true;
    char partial[kPathSize];
    const std::size_t length = std::strlen(szDirectory);
    if (length >= sizeof(partial)) return false;
    std::memcpy(partial, szDirectory, length + 1);
    for (std::size_t i = 1; i <= length; ++i) {
        if (i < length && !IsSeparator(partial[i])) continue;
        if (IsSeparator(partial[i - 1])) continue;  // a root or a doubled separator
        const char kept = partial[i];
        partial[i] = '\0';
        const bool drive = i == 2 && partial[1] == ':';
        if (!drive && !platform::DirectoryExists(partial) && !platform::CreateOneDirectory(partial)) return false;
        partial[i] = kept;
    }
    return platform::DirectoryExists(szDirectory);
}

// The whole text into the temporary file, then put in the file's place.  No
// flush to the disk: the file is rewritten every few seconds, a reader only
// needs it whole, and a disk flush on the server's thread costs milliseconds.
bool WriteWhole(const char *szDirectory, const char *szFile, unsigned port, const char *szText, std::size_t length) {
    char temporary[kPathSize];
    const int written = std::snprintf(temporary, sizeof(temporary), "%s%czeq_kestrin_%u.%u.tmp", szDirectory,
                                      platform::kPathSeparator, port, platform::ProcessId());
    if (written <= 0 || static_cast<std::size_t>(written) >= sizeof(temporary)) return false;
    std::FILE *stream = platform::OpenStream(temporary, "wb");
    if (stream == nullptr) return false;
    bool complete = platform::WriteStream(stream, szText, length);
    complete = platform::CloseStream(stream) && complete;
    // Windows refuses to replace a file another process holds open without
    // sharing its deletion, as an exporter may for the moment of a scrape:
    // a refused rename is tried again twice, a millisecond apart.
    bool moved = false;
    for (int attempt = 0; complete && !moved && attempt < kRenameAttempts; ++attempt) {
        if (attempt > 0) platform::SleepMilliseconds(1);
        moved = platform::SwapIntoPlace(temporary, szFile);
    }
    complete = complete && moved;
    if (!complete) std::remove(temporary);
    return complete;
}

const char *PlatformName() {
#if defined(_WIN32) && defined(_WIN64)
    return "windows-amd64";
#elif defined(_WIN32)
    return "windows-x86";
#elif defined(__aarch64__)
    return "linux-arm64";
#elif defined(__x86_64__)
    return "linux-amd64";
#else
    return "linux-i386";
#endif
}

const char *MapName() {
    if (gpGlobals == nullptr || gpGlobals->pStringBase == nullptr) return "";
    return gpGlobals->pStringBase + gpGlobals->mapname;
}

void Write(const CheckFigures &figures) {
    if (VariableInt(g_pMetrics) == 0) return;
    const FrameDiagnostics &diagnostics = CurrentFrameDiagnostics();
    MetricsSnapshot snapshot{};
    snapshot.port = ServerPort();
    snapshot.game = GameDirName();
    snapshot.version = ZK_VERSION;
    snapshot.platformName = PlatformName();
    snapshot.metamod = loadedByMetamod;
    snapshot.map = MapName();
    snapshot.haveWindow = diagnostics.haveWindow;
    snapshot.fps = figures.fps;
    snapshot.window = diagnostics.window;
    snapshot.intervals = s_intervals;
    snapshot.ticrateAsked = diagnostics.haveWindow ? diagnostics.ticrateAsked : VariableFloat(g_pSysTicrate);
    snapshot.ticrateHeld = diagnostics.haveWindow ? diagnostics.ticrateHeld : VariableFloat(g_pSysTicrate);
    uint64_t resolutionNs = 0;
    snapshot.haveTimerResolution = platform::TimerResolutionInForce(&resolutionNs);
    snapshot.timerResolutionKind = std::strstr(platform::kTimerResolutionName, "slack") != nullptr ? "slack" : "period";
    snapshot.timerResolutionSeconds = static_cast<double>(resolutionNs) / 1e9;
    uint64_t cpuNs = 0;
    snapshot.haveCpu = platform::ProcessCpuNanoseconds(&cpuNs);
    snapshot.cpuSeconds = static_cast<double>(cpuNs) / 1e9;
    snapshot.figures = figures;
    snapshot.ticrateChanges = diagnostics.rates.changes;
    snapshot.rateShortfalls = s_rateShortfalls;
    snapshot.players = CountPresentPlayers();
    snapshot.maxPlayers = gpGlobals != nullptr ? gpGlobals->maxClients : 0;
    snapshot.mapStartTime = s_mapStartTime;
    snapshot.checkTime = platform::CalendarSeconds();

    char directory[kPathSize];
    char file[kPathSize];
    std::size_t length = 0;
    bool written = MetricsPaths(snapshot.port, directory, sizeof(directory), file, sizeof(file)) &&
                   FormatMetrics(snapshot, s_text, sizeof(s_text), &length) && MakeDirectories(directory) &&
                   AppendServerProfileMetrics(snapshot.port, snapshot.game, s_text, sizeof(s_text), &length) &&
                   WriteWhole(directory, file, snapshot.port, s_text, length);
    if (written) return;
    SetVariableText(g_pMetrics, "0");
    if (s_failureReported) return;
    s_failureReported = true;
    LogMessage(true, LOGLEVEL_WARNING, LOGMODE_NORMAL,
               "Could not write the metrics file %s; zeq_kestrin_metrics is switched off. Make room on the disk or "
               "let the server write to that directory (zeq_kestrin_metrics_dir), then set zeq_kestrin_metrics 1 "
               "again.",
               file[0] != '\0' ? file : VariableText(g_pMetricsDir));
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
            // A UTF-8 sequence is kept whole; anything else becomes '?'.
            std::size_t expected = *p >= 0xC2 && *p <= 0xDF ? 2 : *p >= 0xE0 && *p <= 0xEF ? 3
                                                                   : *p >= 0xF0 && *p <= 0xF4 ? 4
                                                                                              : 0;
            for (std::size_t i = 1; i < expected; ++i)
                if ((p[i] & 0xC0) != 0x80) expected = 0;
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

bool FormatMetrics(const MetricsSnapshot &s, char *szOut, std::size_t size, std::size_t *length) {
    char port[16];
    char game[160];
    char labels[200];
    std::snprintf(port, sizeof(port), "%u", s.port);
    if (!Escaped("game", s.game, game, sizeof(game))) return false;
    const int labelsLength = std::snprintf(labels, sizeof(labels), "port=\"%s\",%s", port, game);
    if (labelsLength <= 0 || static_cast<std::size_t>(labelsLength) >= sizeof(labels)) return false;

    Text text(szOut, size);
    Writer w(text, labels);
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

unsigned ServerPort() {
    for (const char *name : {"ip_hostport", "hostport", "port"})
        if (const unsigned port = PortVariable(name)) return port;
    return kDefaultPort;
}

bool MetricsPaths(unsigned port, char *szDirectory, std::size_t directorySize, char *szFile, std::size_t fileSize) {
    szFile[0] = '\0';
    const char *setting = VariableText(g_pMetricsDir);
    if (IsEmptyText(setting)) setting = kDefaultMetricsDir;
    const int length = IsAbsolute(setting)
                           ? std::snprintf(szDirectory, directorySize, "%s", setting)
                           : std::snprintf(szDirectory, directorySize, "%s%c%s", GameDirName(),
                                           platform::kPathSeparator, setting);
    if (length <= 0 || static_cast<std::size_t>(length) >= directorySize) return false;
    // A trailing separator is dropped (but not a root's).
    std::size_t end = static_cast<std::size_t>(length);
    while (end > 1 && IsSeparator(szDirectory[end - 1]) && szDirectory[end - 2] != ':') szDirectory[--end] = '\0';
    const int fileLength =
        std::snprintf(szFile, fileSize, "%s%czeq_kestrin_%u.prom", szDirectory, platform::kPathSeparator, port);
    if (fileLength <= 0 || static_cast<std::size_t>(fileLength) >= fileSize) {
        szFile[0] = '\0';
        return false;
    }
    return true;
}

void MetricsMapStart() {
    s_mapStartTime = platform::CalendarSeconds();
    s_shortfallSeen = false;
    s_failureReported = false;
    Write(CheckFigures{});
}

void MetricsAfterCheck(const CheckFigures &figures) {
    const RateWatch &rates = CurrentFrameDiagnostics().rates;
    if (rates.shortWarned && !s_shortfallSeen) ++s_rateShortfalls;
    s_shortfallSeen = rates.shortWarned;
    Write(figures);
}

void MetricsTakeWindow(const IntervalHistogram &window) { AccumulateIntervals(s_intervals, window); }

void ResetMetricsForTests() {
    s_intervals = ServerIntervalHistogram{};
    s_mapStartTime = 0;
    s_rateShortfalls = 0;
    s_shortfallSeen = false;
    s_failureReported = false;
}
