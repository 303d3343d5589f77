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
// monitor is open.
void RegulatorFrame();

// Tests: replaces the load source (null restores SampleCpuLoad) and forgets
// the counts and the schedule.
typedef bool (*LoadSampler)(Monitor *pMonitor);
void SetLoadSamplerForTests(LoadSampler sampler);
void ResetRegulatorForTests();
