#include "config/diagnostic_variables.h"

#include "engine/plugin_state.h"

cvar_t *g_pTrace = nullptr;
cvar_t *g_pMetrics = nullptr;
cvar_t *g_pMetricsDir = nullptr;
cvar_t *g_pProfile = nullptr;
cvar_t *g_pSlowFrameMs = nullptr;

const char kDefaultMetricsDir[] = "addons/zeq_kestrin/metrics";

namespace {
// The engine keeps a pointer to each record (standalone), so they are static.
cvar_t s_trace = {"zeq_kestrin_trace", "0", FCVAR_EXTDLL, 0.0f, nullptr};
cvar_t s_metrics = {"zeq_kestrin_metrics", "0", FCVAR_EXTDLL, 0.0f, nullptr};
cvar_t s_metricsDir = {"zeq_kestrin_metrics_dir", kDefaultMetricsDir, FCVAR_EXTDLL, 0.0f,
                       nullptr};
cvar_t s_profile = {"zeq_kestrin_profile", "0", FCVAR_EXTDLL, 0.0f, nullptr};
cvar_t s_slowFrameMs = {"zeq_kestrin_slowframe_ms", "20", FCVAR_EXTDLL, 0.0f, nullptr};

cvar_t *Register(cvar_t *record) {
    if (g_engfuncs.pfnCVarRegister != nullptr) g_engfuncs.pfnCVarRegister(record);
    return g_engfuncs.pfnCVarGetPointer != nullptr ? g_engfuncs.pfnCVarGetPointer(record->name) : nullptr;
}
}  // namespace

void RegisterDiagnosticVariables() {
    g_pTrace = Register(&s_trace);
    g_pMetrics = Register(&s_metrics);
    g_pMetricsDir = Register(&s_metricsDir);
    g_pProfile = Register(&s_profile);
    g_pSlowFrameMs = Register(&s_slowFrameMs);
}
