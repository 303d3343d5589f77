// The 24 status lines of the information window.
#include <cstdarg>
#include <cstdio>

#include "config/profile_file.h"
#include "config/variables.h"
#include "engine/decimal_text.h"
#include "engine/engine_services.h"
#include "engine/plugin_state.h"

namespace {
char s_statusLine[kStatusLineSize];

// Formats into the shared line, cut to its size.
void FormatLine(const char *szFormat, ...) ZK_PRINTF(1, 2);
void FormatLine(const char *szFormat, ...) {
    va_list args;
    va_start(args, szFormat);
    std::vsnprintf(s_statusLine, sizeof(s_statusLine), szFormat, args);
    va_end(args);
}

const char *Switch(const cvar_t *handle) { return VariableInt(handle) >= 1 ? "Enabled" : "Disabled"; }
}  // namespace

bool CpuRegulationUnavailable() { return !cpuLoadReadable && VariableInt(g_pCpu) >= 1; }

const char *GetStatusLine(int n) {
    if (n >= 0 && n <= 3) {
        const FpsLevel &r = g_fpsLevels[n];
        FormatLine("FPS %d: %d %s %s", n + 1, r.iNumber, DecimalText(r.dNumber, 1).szText, r.szText);
    } else if (n >= 4 && n <= 7) {
        const CpuLevel &r = g_cpuLevels[n - 4];
        FormatLine("CPU %d: %d %s %s", n - 3, r.iNumber, DecimalText(r.dNumber, 1).szText, r.szText);
    } else if (n >= 8 && n <= 11) {
        const SysLevel &r = g_sysLevels[n - 8];
        FormatLine("SYS %d: %s %s %s %s %s", n - 7, r.szText1, r.szText2, r.szText3, r.szText4,
                   r.szText5);
    } else if (n >= 12 && n <= 15) {
        const ServerLevel &r = g_serverLevels[n - 12];
        FormatLine("SERV %d: %s %s %d %s", n - 11, DecimalText(r.dFpsMode, 1).szText, DecimalText(r.dCpuMode, 1).szText,
                   r.iSysNumber, r.szText);
    } else if (n >= 16 && n <= 19) {
        const BotsLevel &r = g_botsLevels[n - 16];
        FormatLine("BOTS %d: %d %d %s", n - 15, r.iMaxLevel, r.iMinLevel, r.szText);
    } else if (n == 20) {
        FormatLine("FPS: %d. Rate: %d.", VariableInt(g_pZeqFps), VariableInt(g_pZeqTicrate));
    } else if (n == kCpuSwitchStatusLine) {
        FormatLine("MDL: %s CPU: %s", Switch(RegistryHandle(REG_PROC_MDL)),
                   CpuRegulationUnavailable() ? "Unavailable" : Switch(g_pCpu));
    } else if (n == 22) {
        FormatLine("Sleeps Min: %d. Level: %d.", VariableInt(g_pSleepsm), VariableInt(g_pCpuLevel));
    } else if (n == 23) {
        FormatLine("Spike: %d. Timer: %d.", VariableInt(g_pCpuMspike), VariableInt(g_pCpuTimer));
    }
    return s_statusLine;
}
