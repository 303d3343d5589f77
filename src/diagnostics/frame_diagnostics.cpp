#include "diagnostics/frame_diagnostics.h"

#include <cstring>

#include "config/variables.h"
#include "diagnostics/frame_profile.h"
#include "diagnostics/frame_trace.h"
#include "diagnostics/metrics.h"
#include "diagnostics/player_network.h"
#include "engine/engine_services.h"
#include "engine/plugin_state.h"
#include "platform/platform.h"

bool g_frameStatsOn = true;

namespace {
IntervalHistogram s_window;  // the running window
IntervalHistogram s_map;     // the closed windows of the map
uint64_t s_lastFrameNs = 0;  // 0: no frame yet on this map

// Processor time and clock at the map start and at the last check.
struct CpuMark {
    bool valid;
    uint64_t cpuNs;
    uint64_t wallNs;
};
CpuMark s_mapStartCpu{};
CpuMark s_lastCheckCpu{};

FrameDiagnostics s_state{};

CpuMark ReadCpuMark() {
    CpuMark mark{};
    mark.valid = platform::ProcessCpuNanoseconds(&mark.cpuNs);
    mark.wallNs = platform::MonotonicNanoseconds();
    return mark;
}

void CpuShare(const CpuMark &from, const CpuMark &to, IntervalSummary *summary) {
    summary->haveCpu = from.valid && to.valid && to.wallNs > from.wallNs && to.cpuNs >= from.cpuNs;
    summary->cpuPercent = summary->haveCpu ? static_cast<double>(to.cpuNs - from.cpuNs) * 100.0 /
                                                 static_cast<double>(to.wallNs - from.wallNs)
                                           : 0.0;
}
}  // namespace

void RecordFrameInterval() {
    const uint64_t now = platform::MonotonicNanoseconds();
    if (s_lastFrameNs != 0 && now > s_lastFrameNs) {
        AddInterval(s_window, now - s_lastFrameNs);
        ProfileFrameEnd(now - s_lastFrameNs);
    }
    s_lastFrameNs = now;
}

void FrameDiagnosticsMapStart() {
    ClearHistogram(s_window);
    ClearHistogram(s_map);
    s_lastFrameNs = 0;
    s_mapStartCpu = ReadCpuMark();
    s_lastCheckCpu = s_mapStartCpu;
    s_state.haveWindow = false;
    std::memset(&s_state.window, 0, sizeof(s_state.window));
    std::memset(&s_state.map, 0, sizeof(s_state.map));
    RateWatchMapStart(s_state.rates);
    TraceMapStart();
    MetricsMapStart(s_state);
    ProfileMapStart();
}

void FrameDiagnosticsBeforeCheck(const RateSteering &steering) {
    s_state.steering = steering;
    s_state.ticrateHeld = VariableFloat(g_pSysTicrate);
    RateWatchBeforeCheck(s_state.rates, steering, s_state.ticrateHeld);

    const CpuMark now = ReadCpuMark();
    SummarizeHistogram(s_window, &s_state.window);
    CpuShare(s_lastCheckCpu, now, &s_state.window);
    MergeHistogram(s_map, s_window);
    MetricsTakeWindow(s_window);
    SummarizeHistogram(s_map, &s_state.map);
    CpuShare(s_mapStartCpu, now, &s_state.map);
    ClearHistogram(s_window);
    ProfileCloseWindow();
    ReadPlayerNetwork();
    s_lastCheckCpu = now;
    s_state.haveWindow = true;
}

void FrameDiagnosticsAfterCheck(uint32_t measuredFps) {
    s_state.ticrateAsked = VariableFloat(g_pSysTicrate);
    RateWatchAfterCheck(s_state.rates, s_state.steering, s_state.ticrateHeld, measuredFps, s_state.ticrateAsked);

    TraceRow row{};
    row.now = platform::CurrentLocalTime();
    row.gameTime = gpGlobals != nullptr ? gpGlobals->time : 0.0f;
    row.window = s_state.window;
    row.ticrateAsked = s_state.ticrateAsked;
    row.ticrateHeld = s_state.ticrateHeld;
    row.sleepsm = VariableFloat(g_pSleepsm);
    row.profile = LastProfileWindow();
    WriteTraceRow(row);
    MetricsTakeDiagnostics(s_state);
}

const FrameDiagnostics &CurrentFrameDiagnostics() { return s_state; }

void ResetFrameDiagnosticsForTests() {
    ClearHistogram(s_window);
    ClearHistogram(s_map);
    s_lastFrameNs = 0;
    s_state = FrameDiagnostics{};
    g_frameStatsOn = true;
    TraceMapStart();
    ResetMetricsForTests();
    ResetProfileForTests();
}
