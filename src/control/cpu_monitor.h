// The processor-load monitor: one query on the machine's total processor
// time, opened at each map start and closed at each map end, sampled by the
// spike regulator.  The counters come from platform/cpu_load.h (Windows: the
// Performance Data Helper; Linux: /proc/stat).
#pragma once

#include <cstdint>

struct Monitor {
    void *query;      // open query, or null when none is open
    void *counter;    // the counter added to the query
    uint32_t value;   // last load sample in percent; 0 until the first good one
};

extern Monitor g_cpuMonitor;

// True when the counters are available (decided once per process).
bool BindPdh();
// Opens the monitor's query and adds the counter at szCounterPath.
bool CreateMonitor(const char *szCounterPath, Monitor *pMonitor);
// Removes the counter and closes the query.
bool DestroyMonitor(Monitor *pMonitor);
// Takes one sample into pMonitor->value.  A collection without a rate (the
// first one after CreateMonitor) succeeds and leaves the value as it was.
bool SampleCpuLoad(Monitor *pMonitor);
// Checks the operator's Vista/XP monitor choice against the running system.
bool SelectMonitorForOs(bool bVista);

// True between a successful CreateMonitor and the next DestroyMonitor of the
// same monitor.
bool MonitorIsOpen(const Monitor *pMonitor);
