#include "config/diagnostic_variables.h"

#include "engine/plugin_state.h"

cvar_t *g_pTrace = nullptr;

namespace {
// The engine keeps a pointer to the record (standalone), so it is static.
cvar_t s_trace = {"zeq_kestrin_trace", "0", FCVAR_EXTDLL, 0.0f, nullptr};
}  // namespace

void RegisterDiagnosticVariables() {
    if (g_engfuncs.pfnCVarRegister != nullptr) g_engfuncs.pfnCVarRegister(&s_trace);
    g_pTrace = g_engfuncs.pfnCVarGetPointer != nullptr ? g_engfuncs.pfnCVarGetPointer(s_trace.name) : nullptr;
}
