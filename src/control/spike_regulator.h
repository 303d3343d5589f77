// The processor spike regulator: raises zeq_kestrin_sleepsm after a run of
// load spikes and lowers it again after a long quiet run.
#pragma once

#include <cstdint>

struct Monitor;

extern uint32_t spikeCount;
extern uint32_t quietCount;

// Seconds of game time between two regulation steps.
constexpr float kRegulationPeriod = 1.0f;

// One regulation step: one load sample from g_cpuMonitor.
void RegulateCpu();
// Per-frame: runs one regulation step when its period has passed, while the
// monitor is open.  While it is closed and regulation is on, says once a map
// that regulation is off for want of a load figure.
void RegulatorFrame();
// Map start: the spike count and that notice start again.
void RegulatorMapStart();

// Tests: replaces the load source (null restores SampleCpuLoad) and forgets
// the counts and the schedule.
typedef bool (*LoadSampler)(Monitor *pMonitor);
void SetLoadSamplerForTests(LoadSampler sampler);
void ResetRegulatorForTests();
