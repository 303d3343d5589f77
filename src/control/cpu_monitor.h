// The processor-load monitor.
#pragma once

#include <cstdint>

struct Monitor {
    void *query;
    void *counter;
    uint32_t value;
};

extern Monitor g_cpuMonitor;

bool CreateMonitor(const char *szCounterPath, Monitor *pMonitor);
bool DestroyMonitor(Monitor *pMonitor);
bool SampleCpuLoad(Monitor *pMonitor);
bool SelectMonitorForOs(bool bVista);
