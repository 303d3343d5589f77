#include "control/cpu_monitor.h"

Monitor g_cpuMonitor = {nullptr, nullptr, 0};

bool CreateMonitor(const char *szCounterPath, Monitor *pMonitor) {
    (void)szCounterPath;
    (void)pMonitor;
    return true;
}

bool DestroyMonitor(Monitor *pMonitor) {
    (void)pMonitor;
    return true;
}

bool SampleCpuLoad(Monitor *pMonitor) {
    (void)pMonitor;
    return false;
}

bool SelectMonitorForOs(bool bVista) {
    (void)bVista;
    return false;
}
