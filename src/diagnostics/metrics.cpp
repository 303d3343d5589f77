#include "diagnostics/metrics.h"

#include <cstdio>
#include <cstring>

#include "config/diagnostic_variables.h"
#include "config/variables.h"
#include "diagnostics/profile_metrics.h"
#include "engine/engine_services.h"
#include "engine/known_mods.h"
#include "engine/plugin_state.h"
#include "engine/player_presence.h"
#include "log/log.h"
#include "platform/file_system.h"
#include "platform/platform.h"

namespace {
constexpr unsigned kDefaultPort = 27015;
constexpr std::size_t kPathSize = 512;
constexpr std::size_t kTextSize = 16384;
constexpr std::size_t kAddressSize = 64;
constexpr std::size_t kSettingSize = 256;

// What the last check measured, shown from the next map start until that
// map's first check, so that no series drops out at a map change.
struct LastWindow {
    bool have;
    uint32_t fps;
    IntervalSummary window;
    double ticrateHeld;
    RateSteering steering;
};

ServerIntervalHistogram s_intervals{};
FrameDiagnostics s_diagnostics{};  // the frame statistics' figures last handed over
LastWindow s_last{};
int64_t s_mapStartTime = 0;
uint64_t s_rateShortfalls = 0;  // shortfall warnings since the server started
bool s_shortfallSeen = false;   // this map's shortfall warning is counted
bool s_failureReported = false;
char s_directory[kSettingSize] = "";  // the directory setting in force ("" the default)
char s_text[kTextSize];

// A number from 0 to 65535 that the variable holds, or 0.
unsigned PortVariable(const char *szName) {
    if (g_engfuncs.pfnCVarGetPointer == nullptr) return 0;
    const int value = VariableInt(g_engfuncs.pfnCVarGetPointer(szName));
    return value > 0 && value <= 65535 ? static_cast<unsigned>(value) : 0;
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
        // Another server sharing the directory may make it at the same moment.
        if (!drive && !platform::DirectoryExists(partial) && !platform::CreateOneDirectory(partial) &&
            !platform::DirectoryExists(partial))
            return false;
        partial[i] = kept;
    }
    return platform::DirectoryExists(szDirectory);
}

// The directory setting in force: a new value of zeq_kestrin_metrics_dir is
// taken when it lies inside the game directory, otherwise refused once with
// a warning and the variable set back.
const char *DirectorySetting() {
    const char *setting = VariableText(g_pMetricsDir);
    if (std::strcmp(setting, s_directory) == 0) return s_directory;
    if (MetricsDirectoryAllowed(setting) && std::strlen(setting) < sizeof(s_directory)) {
        std::snprintf(s_directory, sizeof(s_directory), "%s", setting);
        return s_directory;
    }
    LogMessage(true, LOGLEVEL_WARNING, LOGMODE_NORMAL,
               "zeq_kestrin_metrics_dir refused: \"%.200s\" is not a directory inside the game directory (no "
               "absolute path, drive letter or \"..\"); the metrics stay in \"%s\". To feed an exporter's "
               "directory elsewhere, make %s a link to it (see the operator's guide, Metrics and monitoring).",
               setting, IsEmptyText(s_directory) ? kDefaultMetricsDir : s_directory, kDefaultMetricsDir);
    SetVariableText(g_pMetricsDir, IsEmptyText(s_directory) ? kDefaultMetricsDir : s_directory);
    // The engine may keep the text as it was given: remember what it holds.
    std::snprintf(s_directory, sizeof(s_directory), "%s", VariableText(g_pMetricsDir));
    return s_directory;
}

// The directory (inside the game directory) and the file of this server.
bool MetricsPaths(unsigned port, const char *szAddress, char *szDirectory, std::size_t directorySize, char *szFile,
                  std::size_t fileSize) {
    szFile[0] = '\0';
    const char *setting = DirectorySetting();
    if (IsEmptyText(setting)) setting = kDefaultMetricsDir;
    const int length =
        std::snprintf(szDirectory, directorySize, "%s%c%s", GameDirName(), platform::kPathSeparator, setting);
    if (length <= 0 || static_cast<std::size_t>(length) >= directorySize) return false;
    std::size_t end = static_cast<std::size_t>(length);  // a trailing separator is dropped
    while (end > 1 && IsSeparator(szDirectory[end - 1])) szDirectory[--end] = '\0';
    const int fileLength =
        szAddress[0] != '\0'
            ? std::snprintf(szFile, fileSize, "%s%czeq_kestrin_%s_%u.prom", szDirectory, platform::kPathSeparator,
                            szAddress, port)
            : std::snprintf(szFile, fileSize, "%s%czeq_kestrin_%u.prom", szDirectory, platform::kPathSeparator, port);
    if (fileLength <= 0 || static_cast<std::size_t>(fileLength) >= fileSize) {
        szFile[0] = '\0';
        return false;
    }
    return true;
}

// The whole text into a new temporary file, then put in the file's place.
// No flush to the disk: the file is rewritten every few seconds, a reader
// only needs it whole, and a disk flush on the server's thread costs
// milliseconds.
bool WriteWhole(const char *szFile, const char *szText, std::size_t length, bool mapStart) {
    platform::AtomicFile file;
    return file.Begin(szFile, false, mapStart) && file.Write(szText, length) &&
           file.Commit(platform::AtomicFile::Landing::Swapped);
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

void Write(const CheckFigures &figures, bool mapStart) {
    if (VariableInt(g_pMetrics) == 0) {
        DirectorySetting();  // a refused value is said at once
        return;
    }
    const FrameDiagnostics &diagnostics = s_diagnostics;
    char address[kAddressSize];
    ServerAddress(address, sizeof(address));
    MetricsSnapshot snapshot{};
    snapshot.port = ServerPort();
    snapshot.address = address;
    snapshot.game = GameDirName();
    snapshot.version = ZK_VERSION;
    snapshot.platformName = PlatformName();
    snapshot.metamod = loadedByMetamod;
    snapshot.map = MapName();
    snapshot.haveWindow = s_last.have;
    snapshot.fps = s_last.fps;
    snapshot.window = s_last.window;
    snapshot.intervals = s_intervals;
    snapshot.ticrateAsked = diagnostics.haveWindow ? diagnostics.ticrateAsked : VariableFloat(g_pSysTicrate);
    snapshot.ticrateHeld = s_last.have ? s_last.ticrateHeld : VariableFloat(g_pSysTicrate);
    snapshot.rateMode = s_last.steering.mode;
    snapshot.rateTarget = s_last.steering.target;
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
    bool written = MetricsPaths(snapshot.port, address, directory, sizeof(directory), file, sizeof(file)) &&
                   FormatMetrics(snapshot, s_text, sizeof(s_text), &length) && MakeDirectories(directory) &&
                   AppendServerProfileMetrics(snapshot, s_text, sizeof(s_text), &length) &&
                   WriteWhole(file, s_text, length, mapStart);
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

unsigned ServerPort() {
    for (const char *name : {"ip_hostport", "hostport", "port"})
        if (const unsigned port = PortVariable(name)) return port;
    return kDefaultPort;
}

void ServerAddress(char *szOut, std::size_t size) {
    szOut[0] = '\0';
    const cvar_t *ip = g_engfuncs.pfnCVarGetPointer != nullptr ? g_engfuncs.pfnCVarGetPointer("ip") : nullptr;
    const char *text = ip != nullptr && ip->string != nullptr ? ip->string : "";
    if (*text == '\0' || std::strcmp(text, "localhost") == 0 || std::strcmp(text, "0.0.0.0") == 0) return;
    std::size_t used = 0;
    for (; text[used] != '\0' && used + 1 < size && used < kAddressSize - 1; ++used) {
        const char c = text[used];
        const bool kept = (c >= '0' && c <= '9') || (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || c == '.' ||
                          c == '-';
        szOut[used] = kept ? c : '_';
    }
    szOut[used] = '\0';
}

bool MetricsDirectoryAllowed(const char *szSetting) {
    if (szSetting == nullptr) return false;
    // Both systems' separators, whichever runs: a value means the same
    // place on each, and a backslash is never a way out.
    if (szSetting[0] == '/' || szSetting[0] == '\\' || std::strchr(szSetting, ':') != nullptr) return false;
    for (const char *part = szSetting; *part != '\0';) {
        const std::size_t length = std::strcspn(part, "/\\");
        if (length == 2 && part[0] == '.' && part[1] == '.') return false;
        part += length;
        if (*part != '\0') ++part;
    }
    return true;
}

void MetricsMapStart(const FrameDiagnostics &diagnostics) {
    s_diagnostics = diagnostics;
    s_mapStartTime = platform::CalendarSeconds();
    s_shortfallSeen = false;
    s_failureReported = false;
    Write(CheckFigures{}, true);
}

void MetricsAfterCheck(const CheckFigures &figures) {
    const FrameDiagnostics &diagnostics = s_diagnostics;
    const RateWatch &rates = diagnostics.rates;
    if (rates.shortWarned && !s_shortfallSeen) ++s_rateShortfalls;
    s_shortfallSeen = rates.shortWarned;
    if (diagnostics.haveWindow)
        s_last = LastWindow{true, figures.fps, diagnostics.window, diagnostics.ticrateHeld, diagnostics.steering};
    Write(figures, false);
}

void MetricsTakeWindow(const IntervalHistogram &window) { AccumulateIntervals(s_intervals, window); }

void MetricsTakeDiagnostics(const FrameDiagnostics &diagnostics) { s_diagnostics = diagnostics; }

void ResetMetricsForTests() {
    s_intervals = ServerIntervalHistogram{};
    s_diagnostics = FrameDiagnostics{};
    s_last = LastWindow{};
    s_mapStartTime = 0;
    s_rateShortfalls = 0;
    s_shortfallSeen = false;
    s_failureReported = false;
    s_directory[0] = '\0';
}
