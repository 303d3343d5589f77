#include "control/cpu_monitor.h"

#include "log/log.h"
#include "platform/cpu_load.h"
#include "platform/platform.h"

Monitor g_cpuMonitor = {nullptr, nullptr, 0};

namespace {

// The first Windows Vista release: build 6000 in the high word, 6.0 in the low.
constexpr uint32_t kVistaVersionWord = 393216006u;

const Monitor *s_openMonitor = nullptr;

bool OpenQuery(Monitor *pMonitor) {
    const platform::CpuStatus status = platform::OpenCpuQuery(&pMonitor->query);
    if (status == platform::CpuStatus::Failed) pMonitor->query = nullptr;
    return status == platform::CpuStatus::Ok;
}

bool CloseQuery(Monitor *pMonitor) {
    if (pMonitor->query == nullptr) {
        ShowMessageOrLog("Close Error", "Debug", platform::MessageBoxIcon::None);
        return false;
    }
    const platform::CpuStatus status = platform::CloseCpuQuery(pMonitor->query);
    if (status == platform::CpuStatus::Failed) {
        pMonitor->query = nullptr;
        ShowMessageOrLog("Close Error2", "Debug", platform::MessageBoxIcon::None);
        return false;
    }
    // On success the handle stays as it is until the next OpenQuery.
    return status == platform::CpuStatus::Ok;
}

// True unless the collection faulted: no rate yet, a failed formatting or an
// invalid counter status leave the value unchanged and still succeed.
bool CollectSample(void *query, void *counter, uint32_t *value) {
    return platform::CollectCpuSample(query, counter, value) != platform::CpuStatus::Fault;
}

}  // namespace

bool BindPdh() { return platform::BindCpuCounters(); }

bool CreateMonitor(const char *szCounterPath, Monitor *pMonitor) {
    if (!BindPdh() || pMonitor == nullptr) return false;
    if (!OpenQuery(pMonitor)) return false;
    if (platform::AddCpuCounter(pMonitor->query, szCounterPath, &pMonitor->counter) != platform::CpuStatus::Ok)
        return false;
    s_openMonitor = pMonitor;
    return true;
}

bool DestroyMonitor(Monitor *pMonitor) {
    if (!BindPdh() || pMonitor == nullptr) return false;
    if (s_openMonitor == pMonitor) s_openMonitor = nullptr;
    const platform::CpuStatus removed = platform::RemoveCpuCounter(pMonitor->counter);
    if (removed == platform::CpuStatus::Fault) return false;
    bool result = removed == platform::CpuStatus::Ok;
    if (!CloseQuery(pMonitor)) result = false;
    return result;
}

bool SampleCpuLoad(Monitor *pMonitor) {
    if (!BindPdh() || pMonitor == nullptr) return false;
    if (!CollectSample(pMonitor->query, pMonitor->counter, &pMonitor->value)) {
        LogMessage(true, LOGLEVEL_ERROR, LOGMODE_NORMAL, "PDHUpdate get NULL value");
        return false;
    }
    return true;
}

bool SelectMonitorForOs(bool bVista) {
    if (!BindPdh()) return false;
    uint32_t version = 0;
    if (!platform::WindowsVersionWord(&version)) {
        // No Windows here: both variants read the same counters, so the
        // choice is noted and the answer is whether they can be read.
        LogMessage(true, LOGLEVEL_LOG, LOGMODE_NORMAL,
                   "Perfmon choice (%s) does not apply on this system, load read from %s",
                   bVista ? "Vista" : "XP", platform::CpuCounterSource());
        return true;
    }
    const int shown = static_cast<int>(version);
    if (bVista) {
        if (version < kVistaVersionWord) {
            LogMessage(true, LOGLEVEL_ERROR, LOGMODE_NORMAL, "Not Vista Perfmon detected %d", shown);
            return false;
        }
        LogMessage(true, LOGLEVEL_LOG, LOGMODE_NORMAL, "Vista Perfmon %d", shown);
        return true;
    }
    if (version >= kVistaVersionWord) {
        LogMessage(true, LOGLEVEL_ERROR, LOGMODE_NORMAL, "Vista Perfmon detected %d", shown);
        return false;
    }
    LogMessage(true, LOGLEVEL_LOG, LOGMODE_NORMAL, "Not Vista Perfmon %d", shown);
    return true;
}

bool MonitorIsOpen(const Monitor *pMonitor) { return pMonitor != nullptr && s_openMonitor == pMonitor; }
