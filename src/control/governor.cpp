#include "control/governor.h"

#include <cstdio>

#include "config/profile_validation.h"
#include "config/variables.h"
#include "control/cpu_monitor.h"
#include "diagnostics/frame_diagnostics.h"
#include "diagnostics/metrics.h"
#include "engine/engine_services.h"
#include "engine/numeric.h"
#include "engine/plugin_state.h"
#include "platform/platform.h"

uint32_t frameCount = 0;
uint32_t measuredFps = 0;
float nextCheckTime = 0.0f;

namespace {
constexpr float kCheckInterval = 4.0f;
constexpr float kFixedRateThreshold = 49.99f;
constexpr int32_t kLargestStep = 75;
// The highest tick rate kept as the target: an automatic step from it still
// gives a 32-bit number.
constexpr int32_t kHighestTarget = INT32_MAX - kLargestStep;
// The automatic control's range: above the ceiling it starts again at the
// restart value.
constexpr int32_t kAutomaticCeiling = 1200;
constexpr int32_t kAutomaticRestart = 1000;
constexpr int32_t kAutomaticFloor = 100;

void SetNumber(cvar_t *handle, const char *format, long value) {
    char text[64];
    std::snprintf(text, sizeof(text), format, value);
    SetVariableText(handle, text);
}

void SetUnsigned(cvar_t *handle, unsigned long value) {
    char text[64];
    std::snprintf(text, sizeof(text), "%lu", value);
    SetVariableText(handle, text);
}

// The fixed tick rate zeq_kestrin_sysrate asks for, kept below the highest target.
int32_t FixedTicrate(float sysrate) {
    const int32_t fixed = TruncateToInt32(sysrate);
    return fixed < kHighestTarget ? fixed : kHighestTarget;
}

void RunCheck() {
    const RateSteering steering = CurrentRateSteering();
    FrameDiagnosticsBeforeCheck(steering);
    MeasureFps();
    PublishTicrate();
    if (steering.mode != RateMode::Fixed) {  // a sysrate that is no number is not fixed either
        AdjustTicrate();
        ApplyProfile(true);
    } else {
        ticrateTarget = FixedTicrate(VariableFloat(g_pSysrate));
        SetNumber(g_pSysTicrate, "%li", ticrateTarget);
        ApplyProfile(false);
    }
    ApplyTimerPeriod();
    RefreshVersion();
    nextCheckTime = gpGlobals->time + kCheckInterval;
    FrameDiagnosticsAfterCheck(measuredFps);
    CheckFigures figures{};
    figures.fps = measuredFps;
    figures.haveMachineLoad = VariableInt(g_pCpu) != 0 && MonitorIsOpen(&g_cpuMonitor);
    figures.machineLoad = static_cast<double>(g_cpuMonitor.value) / 100.0;
    MetricsAfterCheck(figures);
}
}  // namespace

RateSteering CurrentRateSteering() {
    RateSteering steering{RateMode::Off, 0.0f, 0.0f};
    const float sysrate = VariableFloat(g_pSysrate);
    if (sysrate > kFixedRateThreshold) {
        steering.mode = RateMode::Fixed;
        steering.target = static_cast<float>(FixedTicrate(sysrate));
        steering.fullFrom = steering.target;
        return steering;
    }
    const uint32_t target = TruncateToUint32Wrapped(VariableFloat(g_pAutoFps));
    if (target <= 49) return steering;
    steering.mode = RateMode::Automatic;
    steering.target = static_cast<float>(target);
    // Above the restart value the control swings between it and its ceiling.
    steering.fullFrom = static_cast<float>(target < kAutomaticRestart ? target : kAutomaticRestart);
    return steering;
}

void GovernorFrame() {
    SetMetaResult(MRES_IGNORED);
    if (gpGlobals == nullptr || gpGlobals->deathmatch == 0.0f) return;
    if (g_frameStatsOn) RecordFrameInterval();
    if (gpGlobals->time < nextCheckTime) {
        ++frameCount;
        return;
    }
    RunCheck();
}

void GovernorMapStart() {
    frameCount = 0;
    FrameDiagnosticsMapStart();
}

void ScheduleFirstCheck() {
    nextCheckTime = (gpGlobals != nullptr ? gpGlobals->time : 0.0f) + kCheckInterval;
}

void MeasureFps() {
    ++frameCount;
    measuredFps = frameCount >> 2;
    SetUnsigned(g_pZeqFps, measuredFps);
    frameCount = 0;
}

void PublishTicrate() { SetUnsigned(g_pZeqTicrate, static_cast<uint32_t>(ticrateTarget)); }

int32_t TicrateStep(int32_t gap) {
    if (gap > 100) return kLargestStep;
    if (gap > 50) return 38;
    if (gap > 20) return 15;
    if (gap > 10) return 8;
    if (gap > 5) return 3;
    if (gap > 0) return 1;
    return 0;
}

void AdjustTicrate() {
    const uint32_t target = TruncateToUint32Wrapped(VariableFloat(g_pAutoFps));
    if (target <= 49) return;
    const bool up = target >= measuredFps;
    // The difference as a signed 32-bit number, computed without overflow.
    const int32_t difference = static_cast<int32_t>(target - measuredFps);
    const int32_t gap = difference == INT32_MIN ? INT32_MAX : (difference < 0 ? -difference : difference);
    const int32_t step = TicrateStep(gap);
    ticrateTarget = up ? ticrateTarget + step : ticrateTarget - step;
    if (ticrateTarget > kAutomaticCeiling) ticrateTarget = kAutomaticRestart;
    if (ticrateTarget < kAutomaticFloor) ticrateTarget = kAutomaticFloor;
    SetNumber(g_pSysTicrate, "%li", ticrateTarget);
}

void ApplyTimerPeriod() {
    platform::EndTimerPeriod(TimerPeriod());
    platform::GetTimerCaps(&g_timerCaps);
    const uint32_t wanted = TruncateToUint32Wrapped(VariableFloat(g_pSleepsm));
    if (wanted >= g_timerCaps.wPeriodMin) TimerPeriod() = wanted <= 10 ? wanted : 10;
    platform::BeginTimerPeriod(TimerPeriod());
}

void RefreshVersion() { SetVariableText(g_pVersion, ZK_VERSION); }
