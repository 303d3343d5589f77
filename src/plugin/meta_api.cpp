// The Metamod handshake: Meta_Init, Meta_Query, Meta_Attach, Meta_Detach.
#include <cstdio>
#include <cstring>

#include "commands/map_timers.h"
#include "config/variables.h"
#include "engine/engine_services.h"
#include "engine/plugin_state.h"
#include "plugin/entry_points.h"

namespace {

// Only the two entity-API getters are offered to Metamod: the plugin hooks no
// engine functions and no new-DLL functions under Metamod.
const META_FUNCTIONS kMetaFunctions = {
    nullptr,             // pfnGetEntityAPI
    nullptr,             // pfnGetEntityAPI_Post
    GetEntityAPI2,       // pfnGetEntityAPI2
    GetEntityAPI2_Post,  // pfnGetEntityAPI2_Post
    nullptr,             // pfnGetNewDLLFunctions
    nullptr,             // pfnGetNewDLLFunctions_Post
    nullptr,             // pfnGetEngineFunctions
    nullptr,             // pfnGetEngineFunctions_Post
};

char s_metamodIfvers[64];

void ReportConsoleAndError(const char *szText) {
    gpMetaUtilFuncs->pfnLogConsole(&Plugin_info, "%s", szText);
    gpMetaUtilFuncs->pfnLogError(&Plugin_info, "%s", szText);
}

}  // namespace

ZK_EXPORT ZK_HOST_CALLED void Meta_Init(void) { loadedByMetamod = true; }

ZK_EXPORT ZK_HOST_CALLED int Meta_Query(char *ifvers, plugin_info_t **pPlugInfo, mutil_funcs_t *pMetaUtilFuncs) {
    if (pPlugInfo != nullptr) *pPlugInfo = &Plugin_info;
    if (pMetaUtilFuncs == nullptr) return 0;
    gpMetaUtilFuncs = pMetaUtilFuncs;

    const char *metamodText = ifvers != nullptr ? ifvers : "";
    const bool equal = !IsEmptyText(ifvers) && std::strcmp(ifvers, Plugin_info.ifvers) == 0;
    if (!equal) {
        gpMetaUtilFuncs->pfnLogConsole(&Plugin_info, "%s: meta-interface version mismatch (metamod: %s, %s: %s)",
                                       Plugin_info.name, metamodText, Plugin_info.name, Plugin_info.ifvers);
        gpMetaUtilFuncs->pfnLogMessage(&Plugin_info, "%s: meta-interface version mismatch (metamod: %s, %s: %s)",
                                       Plugin_info.name, metamodText, Plugin_info.name, Plugin_info.ifvers);
        int metaMajor = 0, metaMinor = 0, ourMajor = 0, ourMinor = 0;
        std::sscanf(metamodText, "%d:%d", &metaMajor, &metaMinor);
        std::sscanf(Plugin_info.ifvers, "%d:%d", &ourMajor, &ourMinor);
        if (ourMajor > metaMajor || (ourMajor == metaMajor && ourMinor > metaMinor)) {
            ReportConsoleAndError("metamod version is too old for this plugin; update metamod");
            return 0;
        }
        if (ourMajor < metaMajor) {
            ReportConsoleAndError(
                "metamod version is incompatible with this plugin; please find a newer version of this plugin");
            return 0;
        }
        // Same major, our minor not greater: take Metamod's text.
        std::snprintf(s_metamodIfvers, sizeof(s_metamodIfvers), "%s", metamodText);
        Plugin_info.ifvers = s_metamodIfvers;
    }
    return 1;
}

ZK_EXPORT ZK_HOST_CALLED int Meta_Attach(PLUG_LOADTIME now, META_FUNCTIONS *pFunctionTable, meta_globals_t *pMGlobals,
                                         gamedll_funcs_t *pGamedllFuncs) {
    if (now > Plugin_info.loadable) {
        if (gpMetaUtilFuncs != nullptr) {
            gpMetaUtilFuncs->pfnLogConsole(&Plugin_info, "%s: plugin NOT attaching (can't load plugin right now)",
                                           Plugin_info.name);
            gpMetaUtilFuncs->pfnLogError(&Plugin_info, "%s: plugin NOT attaching (can't load plugin right now)",
                                         Plugin_info.name);
        }
        return 0;
    }
    if (pMGlobals == nullptr || pFunctionTable == nullptr) return 0;
    gpMetaGlobals = pMGlobals;
    std::memcpy(pFunctionTable, &kMetaFunctions, sizeof(META_FUNCTIONS));
    gpGamedllFuncs = pGamedllFuncs;

    TakeTimerPeriod();
    RegisterMainVariables();
    return 1;
}

ZK_EXPORT ZK_HOST_CALLED int Meta_Detach(PLUG_LOADTIME now, PL_UNLOAD_REASON reason) {
    if (now > Plugin_info.unloadable && reason != PNL_CMD_FORCED) {
        if (gpMetaUtilFuncs != nullptr) {
            gpMetaUtilFuncs->pfnLogConsole(&Plugin_info, "%s: plugin not detaching (can't unload plugin right now)",
                                           Plugin_info.name);
            gpMetaUtilFuncs->pfnLogError(&Plugin_info, "%s: plugin not detaching (can't unload plugin right now)",
                                         Plugin_info.name);
        }
        return 0;
    }
    // The library is unloaded next: no timer may outlive it.
    StopAllPluginTimers();
    GiveBackTimerPeriod();
    return 1;
}
