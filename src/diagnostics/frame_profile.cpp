#include "diagnostics/frame_profile.h"

#include <cstdio>
#include <cstring>

#include "config/diagnostic_variables.h"
#include "diagnostics/frame_stats.h"
#include "engine/decimal_text.h"
#include "engine/engine_services.h"
#include "engine/player_presence.h"
#include "engine/plugin_state.h"
#include "log/log.h"
#include "platform/platform.h"

const char *const kProfilePartNames[kProfileParts] = {
    "frame start", "entity thinking", "touching", "players", "player commands", "other game calls", "this plugin",
    "rest"};
const char *const kProfilePartKeys[kProfileParts] = {"frame_start", "think",  "touch", "players",
                                                     "commands",    "other",  "plugin", "rest"};
const char kProfileLaunchOption[] = "-zeq_kestrin_profile";

bool g_profileHooksInstalled = false;
bool g_profileMeasuring = false;
ProfileStack g_profileStack;

namespace {
// Microseconds: 1 us steps below 1 ms, 64 us steps below 65.5 ms, 4.1 ms
// steps below 1 s; longer counts as the maximum.
constexpr uint32_t kFineLimit = 1024;
constexpr uint32_t kMiddleStep = 64;
constexpr uint32_t kMiddleLimit = 65536;
constexpr uint32_t kCoarseStep = 4096;
constexpr uint32_t kDurationLimit = 1000000;
constexpr uint32_t kMiddleBuckets = (kMiddleLimit - kFineLimit) / kMiddleStep;
constexpr uint32_t kDurationBuckets = kFineLimit + kMiddleBuckets + (kDurationLimit - kMiddleLimit) / kCoarseStep + 1;

struct DurationHistogram {
    uint32_t buckets[kDurationBuckets];
    uint32_t count;
    uint32_t maxUs;
    uint64_t totalNs;
};

uint32_t BucketOf(uint32_t us) {
    if (us < kFineLimit) return us;
    if (us < kMiddleLimit) return kFineLimit + (us - kFineLimit) / kMiddleStep;
    if (us < kDurationLimit) return kFineLimit + kMiddleBuckets + (us - kMiddleLimit) / kCoarseStep;
    return kDurationBuckets - 1;
}

uint32_t LowerEdge(uint32_t bucket) {
    if (bucket < kFineLimit) return bucket;
    if (bucket < kFineLimit + kMiddleBuckets) return kFineLimit + (bucket - kFineLimit) * kMiddleStep;
    return kMiddleLimit + (bucket - kFineLimit - kMiddleBuckets) * kCoarseStep;
}

void Add(DurationHistogram &h, uint64_t ns) {
    const uint64_t us64 = ns / 1000u;
    const uint32_t us = us64 > 0xFFFFFFFFu ? 0xFFFFFFFFu : static_cast<uint32_t>(us64);
    ++h.buckets[BucketOf(us)];
    ++h.count;
    h.totalNs += ns;
    if (us > h.maxUs) h.maxUs = us;
}

// The last bucket, of the durations past the limit, reads as the maximum.
uint32_t Percentile(const DurationHistogram &h, double fraction) {
    if (h.count == 0) return 0;
    const uint32_t i = NearestRankBucket(h.buckets, kDurationBuckets - 1, h.count, fraction);
    if (i + 1 < kDurationBuckets) return LowerEdge(i) < h.maxUs ? LowerEdge(i) : h.maxUs;
    return h.maxUs;
}

// The slowest frame of the window, as the log line shows it.
struct SlowFrame {
    uint64_t intervalNs;
    bool measured;
    uint64_t partsNs[kProfileParts];
    int players;
    platform::LocalTime when;
};

DurationHistogram s_parts[kProfileParts];
uint32_t s_windowFrames = 0;
uint32_t s_slowFrames = 0;
SlowFrame s_worst{};
uint64_t s_slowNs = 0;
uint32_t s_slowMs = 0;
bool s_restartWarned = false;
ProfileWindow s_window{};
ProfileTotals s_totals{};

int PluginVariableInt(cvar_t *handle, int fallback) { return handle != nullptr ? VariableInt(handle) : fallback; }

void ReadVariables() {
    const int slowMs = PluginVariableInt(g_pSlowFrameMs, static_cast<int>(kDefaultSlowFrameMs));
    s_slowMs = slowMs > 0 ? static_cast<uint32_t>(slowMs) : 0u;
    s_slowNs = static_cast<uint64_t>(s_slowMs) * 1000000u;
    const bool wanted = PluginVariableInt(g_pProfile, 0) != 0;
    const bool measuring = wanted && g_profileHooksInstalled;
    if (measuring && !g_profileMeasuring) std::memset(&g_profileStack, 0, sizeof(g_profileStack));
    g_profileMeasuring = measuring;
    if (!wanted || g_profileHooksInstalled) {
        s_restartWarned = false;
        return;
    }
    if (s_restartWarned) return;
    s_restartWarned = true;
    LogMessage(true, LOGLEVEL_WARNING, LOGMODE_NORMAL,
               "zeq_kestrin_profile 1 takes effect only after a restart: start the server with the launch option %s "
               "so that the plugin times the game library's calls (slow frames are counted without it).",
               kProfileLaunchOption);
}

const char *CurrentMapName() {
    if (gpGlobals == nullptr || gpGlobals->pStringBase == nullptr) return "";
    return gpGlobals->pStringBase + gpGlobals->mapname;
}

struct Ms {
    char text[32];
    explicit Ms(uint64_t ns) { FormatDecimal(text, sizeof(text), static_cast<double>(ns) / 1e6, 1); }
};

void LogSlowFrame() {
    char breakdown[400] = "";
    std::size_t used = 0;
    if (s_worst.measured) {
        bool done[kProfileParts] = {};
        // The families from the largest down, those under 0.05 ms left out;
        // the rest of the frame last.
        for (uint32_t n = 0; n < kProfileFamilies; ++n) {
            uint32_t best = kProfileParts;
            for (uint32_t i = 0; i < kProfileFamilies; ++i)
                if (!done[i] && (best == kProfileParts || s_worst.partsNs[i] > s_worst.partsNs[best])) best = i;
            if (best == kProfileParts || s_worst.partsNs[best] < 50000u) break;
            done[best] = true;
            const int wrote = std::snprintf(breakdown + used, sizeof(breakdown) - used, "%s%s %s ms",
                                            used == 0 ? ": " : ", ", kProfilePartNames[best],
                                            Ms(s_worst.partsNs[best]).text);
            if (wrote > 0 && used + static_cast<std::size_t>(wrote) < sizeof(breakdown)) used += wrote;
        }
        std::snprintf(breakdown + used, sizeof(breakdown) - used, "%srest %s ms", used == 0 ? ": " : ", ",
                      Ms(s_worst.partsNs[kProfileFamilies]).text);
    } else {
        std::snprintf(breakdown, sizeof(breakdown), " (no breakdown: zeq_kestrin_profile is off)");
    }
    char more[64] = "";
    if (s_slowFrames > 1) std::snprintf(more, sizeof(more), " (and %u more in this window)", s_slowFrames - 1);
    const platform::LocalTime &t = s_worst.when;
    LogMessage(true, LOGLEVEL_WARNING, LOGMODE_NORMAL, "Slow frame %s ms on %s (%d %s) at %02d:%02d:%02d%s%s",
               Ms(s_worst.intervalNs).text, CurrentMapName(), s_worst.players,
               s_worst.players == 1 ? "player" : "players", t.hour, t.minute, t.second, breakdown,
               more);
}
}  // namespace

void ProfileFrameEnd(uint64_t intervalNs) {
    uint64_t partsNs[kProfileParts];
    const bool measured = g_profileMeasuring;
    if (measured) {
        ProfileStack &s = g_profileStack;
        const double nsPerTick = platform::ProfileTickNanoseconds();
        uint64_t sum = 0;
        for (uint32_t i = 0; i < kProfileFamilies; ++i) {
            partsNs[i] = static_cast<uint64_t>(static_cast<double>(s.frameTicks[i]) * nsPerTick);
            s.frameTicks[i] = 0;
            sum += partsNs[i];
        }
        partsNs[kProfileFamilies] = intervalNs > sum ? intervalNs - sum : 0;
        for (uint32_t i = 0; i < kProfileParts; ++i) Add(s_parts[i], partsNs[i]);
        ++s_windowFrames;
    }
    if (s_slowNs == 0 || intervalNs < s_slowNs) return;
    ++s_slowFrames;
    ++s_totals.slowFrames;
    if (intervalNs <= s_worst.intervalNs) return;
    s_worst.intervalNs = intervalNs;
    s_worst.measured = measured;
    if (measured) std::memcpy(s_worst.partsNs, partsNs, sizeof(partsNs));
    s_worst.players = CountPresentPlayers();
    s_worst.when = platform::CurrentLocalTime();
}

void ProfileMapStart() {
    std::memset(s_parts, 0, sizeof(s_parts));
    s_windowFrames = 0;
    s_slowFrames = 0;
    s_worst = SlowFrame{};
    s_window = ProfileWindow{};
    std::memset(g_profileStack.frameTicks, 0, sizeof(g_profileStack.frameTicks));
    g_profileStack.depth = 0;
    ReadVariables();
}

void ProfileCloseWindow() {
    s_window = ProfileWindow{};
    s_window.frames = s_windowFrames;
    for (uint32_t i = 0; i < kProfileParts && s_windowFrames > 0; ++i) {
        const DurationHistogram &h = s_parts[i];
        s_window.parts[i].p50Us = Percentile(h, 0.50);
        s_window.parts[i].p99Us = Percentile(h, 0.99);
        s_window.parts[i].maxUs = h.maxUs;
        s_window.parts[i].meanUs = static_cast<double>(h.totalNs) / 1000.0 / static_cast<double>(h.count);
        s_totals.seconds[i] += static_cast<double>(h.totalNs) / 1e9;
    }
    s_totals.frames += s_windowFrames;
    s_window.slowFrames = s_slowFrames;
    s_window.slowFrameMs = s_slowMs;
    if (s_slowFrames > 0) LogSlowFrame();
    std::memset(s_parts, 0, sizeof(s_parts));
    s_windowFrames = 0;
    s_slowFrames = 0;
    s_worst = SlowFrame{};
    ReadVariables();
}

const ProfileWindow &LastProfileWindow() { return s_window; }
const ProfileTotals &ProfileSinceStart() { return s_totals; }
bool ProfileNeedsRestart() { return !g_profileHooksInstalled && PluginVariableInt(g_pProfile, 0) != 0; }

void ResetProfileForTests() {
    ProfileMapStart();
    s_totals = ProfileTotals{};
    s_restartWarned = false;
    g_profileMeasuring = false;
    g_profileHooksInstalled = false;
}
