#include "control/spike_regulator.h"

#include <cfloat>
#include <cstdio>

#include "config/variables.h"
#include "control/cpu_monitor.h"
#include "engine/decimal_text.h"
#include "engine/engine_services.h"
#include "engine/plugin_state.h"
#include "log/log.h"
#include "platform/cpu_load.h"

uint32_t spikeCount = 0;
uint32_t quietCount = 0;

namespace {

constexpr uint32_t kQuietRun = 75;  // the 76th quiet sample in a row lowers the sleep
constexpr float kSleepCeiling = 10.0f;
constexpr float kSleepFloor = 3.0f;

LoadSampler s_sampler = nullptr;

// The schedule, in game time.  s_lastTime starts above any game time so that
// the first frame only schedules: the first step comes one period after it.
float s_nextRegulation = 0.0f;
float s_lastTime = FLT_MAX;
bool s_offReported = false;  // the regulation-off notice of this map

// Regulation is on but the monitor is closed: without this line
// zeq_kestrin_cpu 1 would do nothing without a word.
void ReportRegulationOff() {
    if (s_offReported || VariableFloat(g_pCpu) == 0.0f) return;
    s_offReported = true;
    LogMessage(true, LOGLEVEL_WARNING, LOGMODE_NORMAL,
               "CPU regulation is off on this map: no processor load can be read from %s. "
               "zeq_kestrin_cpu does nothing until the server is restarted with the source readable.",
               platform::CpuCounterSource());
}

bool TakeSample(Monitor *pMonitor) {
    return s_sampler != nullptr ? s_sampler(pMonitor) : SampleCpuLoad(pMonitor);
}

void SetSleepText(float value, char *text, std::size_t size) {
    FormatDecimal(text, size, static_cast<double>(value), 1);
    SetVariableText(g_pSleepsm, text);
}

}  // namespace

void RegulateCpu() {
    if (VariableFloat(g_pCpu) == 0.0f) return;
    if (!TakeSample(&g_cpuMonitor)) {
        LogMessage(true, LOGLEVEL_ERROR, LOGMODE_NORMAL, "Unable to query performance monitor.");
        IssueServerCommand("zeq_kestrin_cpu 0");
        LogMessage(true, LOGLEVEL_WARNING, LOGMODE_NORMAL, "Error founded. ZEQ Kestrin CPU Disabled.");
        return;
    }
    const uint32_t load = g_cpuMonitor.value;
    // Compared in double precision: exact for every 32-bit load and every
    // float threshold; a threshold that is no number makes the sample quiet.
    if (static_cast<double>(load) > static_cast<double>(VariableFloat(g_pCpuLevel))) {
        quietCount = 0;
        ++spikeCount;
        const float sleep = VariableFloat(g_pSleepsm);
        if (static_cast<double>(spikeCount) >= static_cast<double>(VariableFloat(g_pCpuMspike)) &&
            sleep < kSleepCeiling) {
            const float raised = sleep + VariableFloat(g_pCpuTimer);
            char text[64];
            SetSleepText(raised, text, sizeof(text));
            LogMessage(true, LOGLEVEL_WARNING, LOGMODE_NORMAL,
                       "Spike limit exceeded, cpu at %lu. increasing timer to %s. Returning...",
                       static_cast<unsigned long>(load), text);
            spikeCount = 0;
        }
        return;
    }
    // Quiet; spikeCount is kept, so spikes separated by quiet samples add up.
    if (++quietCount <= kQuietRun) return;
    quietCount = 0;
    if (g_pSleepsm != nullptr && g_pSleepsm->value > kSleepFloor) {
        g_pSleepsm->value -= 1.0f;
        char text[64];
        SetSleepText(g_pSleepsm->value, text, sizeof(text));
        LogMessage(true, LOGLEVEL_WARNING, LOGMODE_NORMAL,
                   "CPU usage has decreased, decreasing timer to %s. Returning...", text);
    }
}

// One step per second of game time.  The counts are measured in steps, so
// the period turns them into times: with the default of 3 a spike must last
// zeq_kestrin_cpu_mspike seconds before the minimum sleep is raised (short
// bursts such as a map's first frames are ignored), and 76 quiet samples
// make about 76 seconds of calm before it is lowered again; the governor
// picks a change up at its next 4-second check.  One second is also the
// shortest interval over which the processor-time counter gives a steady
// rate; the first step after a map start yields none (one collection only).
void RegulatorFrame() {
    if (gpGlobals == nullptr) return;
    const float now = gpGlobals->time;
    if (now < s_nextRegulation && now >= s_lastTime) return;
    // Game time restarts at each map: a time before the last one seen starts
    // a new schedule instead of waiting for the old map's time to come back.
    const bool restarted = now < s_lastTime;
    s_lastTime = now;
    s_nextRegulation = now + kRegulationPeriod;
    if (restarted) return;
    if (MonitorIsOpen(&g_cpuMonitor))
        RegulateCpu();
    else
        ReportRegulationOff();
}

void RegulatorMapStart() {
    spikeCount = 0;
    s_offReported = false;
}

void SetLoadSamplerForTests(LoadSampler sampler) { s_sampler = sampler; }

void ResetRegulatorForTests() {
    spikeCount = 0;
    quietCount = 0;
    s_nextRegulation = 0.0f;
    s_lastTime = FLT_MAX;
    s_offReported = false;
}
