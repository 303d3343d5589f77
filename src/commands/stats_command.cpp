#include "commands/stats_command.h"

#include <cstdio>

#include "config/variables.h"
#include "control/cpu_monitor.h"
#include "control/governor.h"
#include "control/timer_throttling.h"
#include "diagnostics/frame_diagnostics.h"
#include "diagnostics/frame_profile.h"
#include "diagnostics/player_network.h"
#include "engine/decimal_text.h"
#include "engine/engine_services.h"
#include "engine/plugin_state.h"
#include "platform/platform.h"
#include "sdk/abi.h"

namespace {

// One row of the two-column table: label, last window, since map start.
void Row(const char *szLabel, uint32_t uWindow, uint32_t uMap) {
    ConsolePrint("  %-26s %12u %16u", szLabel, uWindow, uMap);
}

void RowFixed(const char *szLabel, double dWindow, double dMap) {
    ConsolePrint("  %-26s %12s %16s", szLabel, DecimalText(dWindow, 1).szText, DecimalText(dMap, 1).szText);
}

void PrintIntervals(const FrameDiagnostics &stats) {
    const IntervalSummary &w = stats.window;
    const IntervalSummary &m = stats.map;
    ConsolePrint("  %-26s %12s %16s", "", "last 4 s", "since map start");
    Row("frames", w.frames, m.frames);
    RowFixed("fps", w.fps, m.fps);
    Row("interval p50 (us)", w.p50Us, m.p50Us);
    Row("interval p90 (us)", w.p90Us, m.p90Us);
    Row("interval p99 (us)", w.p99Us, m.p99Us);
    Row("interval p99.9 (us)", w.p999Us, m.p999Us);
    Row("interval max (us)", w.maxUs, m.maxUs);
    Row("jitter p99-p50 (us)", w.p99Us - w.p50Us, m.p99Us - m.p50Us);
    if (w.haveCpu && m.haveCpu)
        RowFixed("process cpu (% of core)", w.cpuPercent, m.cpuPercent);
    else
        ConsolePrint("  %-26s %12s %16s", "process cpu (% of core)", "-", "-");
}

struct Number {
    char text[32];
    explicit Number(double value) { FormatDecimalShort(text, sizeof(text), value, 2); }
};

// How sys_ticrate is steered now: the next check does so.
void PrintSteering(const RateSteering &steering) {
    const Number target(steering.target);
    switch (steering.mode) {
        case RateMode::Off:
            ConsolePrint("  %-26s off: zeq_kestrin_autofps is 49 or less and zeq_kestrin_sysrate 49.99 or less, so "
                         "the plugin leaves sys_ticrate as it is set and does not watch the frame rate", "sys_ticrate steering");
            break;
        case RateMode::Automatic:
            ConsolePrint("  %-26s automatic, raised or lowered until the server makes %s frames a second "
                         "(zeq_kestrin_autofps)", "sys_ticrate steering", target.text);
            break;
        case RateMode::Fixed:
            ConsolePrint("  %-26s fixed at %s (zeq_kestrin_sysrate)", "sys_ticrate steering", target.text);
            break;
    }
}

void PrintRateWarnings(const RateWatch &rates) {
    if (rates.changes == 0 && rates.shortChecks == 0 && !rates.shortWarned) {
        ConsolePrint("  %-26s none", "rate warnings");
        return;
    }
    if (rates.changes > 0)
        ConsolePrint("  %-26s %u time(s), last from %s to %s", "sys_ticrate changed by others", rates.changes,
                     GeneralText(static_cast<double>(rates.changedFrom)).szText,
                     GeneralText(static_cast<double>(rates.changedTo)).szText);
    if (rates.shortChecks > 0 || rates.shortWarned) {
        const Number target(rates.shortTarget);
        const Number held(rates.shortHeld);
        ConsolePrint("  %-26s %u frames a second of the %s asked by %s, at sys_ticrate %s, %d check(s) in a row%s",
                     "rate not reached", rates.shortFps, target.text,
                     rates.shortMode == RateMode::Fixed ? "zeq_kestrin_sysrate" : "zeq_kestrin_autofps", held.text,
                     rates.shortChecks, rates.shortWarned ? " (warned)" : "");
    }
}

struct Ms {
    char text[32];
    explicit Ms(double us) { FormatDecimal(text, sizeof(text), us / 1000.0, 2); }
};

// Where the frame goes: each family's time a frame in the last window, the
// rest of the frame, and the slow frames.
void PrintWhereTheFrameGoes() {
    const ProfileWindow &w = LastProfileWindow();
    ConsolePrint("Where the frame goes (last 4 s, ms a frame):");
    if (w.frames > 0) {
        ConsolePrint("  %-26s %9s %9s %9s %9s", "", "mean", "p50", "p99", "max");
        for (uint32_t i = 0; i < kProfileParts; ++i) {
            const ProfilePartFigures &f = w.parts[i];
            ConsolePrint("  %-26s %9s %9s %9s %9s", kProfilePartNames[i], Ms(f.meanUs).text,
                         Ms(static_cast<double>(f.p50Us)).text, Ms(static_cast<double>(f.p99Us)).text,
                         Ms(static_cast<double>(f.maxUs)).text);
        }
    } else if (ProfileNeedsRestart()) {
        ConsolePrint("  not measured: zeq_kestrin_profile 1 needs the launch option %s (restart the server with it)",
                     kProfileLaunchOption);
    } else if (g_profileHooksInstalled && !g_profileMeasuring) {
        ConsolePrint("  not measured: zeq_kestrin_profile is 0");
    } else if (!g_profileHooksInstalled) {
        ConsolePrint("  not measured: start the server with %s and set zeq_kestrin_profile 1", kProfileLaunchOption);
    } else {
        ConsolePrint("  not measured yet: the next check shows the first window");
    }
    if (w.slowFrameMs > 0)
        ConsolePrint("  %-26s %u (longer than %u ms, zeq_kestrin_slowframe_ms)", "slow frames", w.slowFrames, w.slowFrameMs);
    else
        ConsolePrint("  %-26s not counted (zeq_kestrin_slowframe_ms is 0)", "slow frames");
}

void PrintPlayerNetwork() {
    const PlayerNetwork &n = LastPlayerNetwork();
    if (n.humans == 0) {
        ConsolePrint("  %-26s no human players", "players' ping and loss");
        return;
    }
    ConsolePrint("  %-26s p50 %d ms, p90 %d ms, max %d ms (%d human players)", "players' ping", n.pingP50, n.pingP90,
                 n.pingMax, n.humans);
    ConsolePrint("  %-26s p50 %d %%, p90 %d %%, max %d %%", "players' loss", n.lossP50, n.lossP90, n.lossMax);
}

void PrintTimer() {
    uint64_t ns = 0;
    char inForce[48] = "unknown";
    if (platform::TimerResolutionInForce(&ns)) {
        char number[32];  // at most 14 digits before the point
        FormatDecimal(number, sizeof(number), static_cast<double>(ns) / 1e6, 3);
        std::snprintf(inForce, sizeof(inForce), "%s ms", number);
    }
    ConsolePrint("  %-26s %s in force, %u ms asked", platform::kTimerResolutionName, inForce, TimerPeriod());
    const char *szThrottling = "";
    switch (TimerThrottlingOutcome()) {
        case platform::ThrottlingOptOut::Done: szThrottling = "opted out"; break;
        case platform::ThrottlingOptOut::FunctionMissing: szThrottling = "not available on this system"; break;
        case platform::ThrottlingOptOut::Refused: szThrottling = "opt-out refused"; break;
        case platform::ThrottlingOptOut::NotNeeded: break;
    }
    if (szThrottling[0] != '\0') ConsolePrint("  %-26s %s", "power throttling", szThrottling);
}

}  // namespace

ZK_HOST_CALLED void StatsCommand() {
    const FrameDiagnostics &stats = CurrentFrameDiagnostics();
    ConsolePrint("Frame statistics:");
    // The governor runs only in a deathmatch game (it checks every frame).
    const bool deathmatch = gpGlobals != nullptr && gpGlobals->deathmatch != 0.0f;
    if (!deathmatch)
        ConsolePrint("  no governor checks: this game is not deathmatch (the deathmatch variable is 0), and the "
                     "plugin measures frames and steers sys_ticrate only in deathmatch games");
    else if (stats.haveWindow)
        PrintIntervals(stats);
    else
        ConsolePrint("  no governor check yet on this map (the first comes 4 s after the map start)");
    // The load is sampled only while spike regulation runs.
    if (MonitorIsOpen(&g_cpuMonitor) && VariableInt(g_pCpu) != 0) ConsolePrint("  %-26s %u %%", "machine load", g_cpuMonitor.value);
    if (deathmatch && stats.haveWindow) {
        ConsolePrint("  %-26s asked %s, held %s during the window, %s now", "sys_ticrate",
                     GeneralText(static_cast<double>(stats.ticrateAsked)).szText,
                     GeneralText(static_cast<double>(stats.ticrateHeld)).szText,
                     GeneralText(static_cast<double>(VariableFloat(g_pSysTicrate))).szText);
    } else {
        const Number now(VariableFloat(g_pSysTicrate));
        ConsolePrint("  %-26s %s now", "sys_ticrate", now.text);
    }
    if (deathmatch) PrintSteering(CurrentRateSteering());
    PrintTimer();
    if (deathmatch) PrintRateWarnings(stats.rates);
    if (deathmatch && stats.haveWindow) {
        PrintPlayerNetwork();
        PrintWhereTheFrameGoes();
    }
}
