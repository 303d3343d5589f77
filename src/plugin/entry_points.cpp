// GiveFnptrsToDll and the table getters, shared by both modes.
#include "plugin/entry_points.h"

#include <cstring>

#include "commands/map_timers.h"
#include "config/variables.h"
#include "control/timer_throttling.h"
#include "diagnostics/frame_profile.h"
#include "engine/message_table.h"
#include "log/log.h"
#include "platform/profile_clock.h"
#include "platform/window.h"
#include "plugin/dllapi.h"
#include "plugin/profile_hooks.h"
#include "plugin/standalone.h"

namespace {
bool s_timerPeriodHeld = false;
}

void TakeTimerPeriod() {
    platform::GetTimerCaps(&g_timerCaps);
    if (TimerPeriod() <= 3) TimerPeriod() = 3;
    platform::BeginTimerPeriod(TimerPeriod());
    KeepTimerResolutionWhenHidden();
    s_timerPeriodHeld = true;
}

void GiveBackTimerPeriod() {
    if (!s_timerPeriodHeld) return;
    platform::EndTimerPeriod(TimerPeriod());
    s_timerPeriodHeld = false;
}

void OnLibraryUnload() {
    // System timers and an open information window would point into the
    // unloaded code.  The host unloads the library on its main thread, the
    // one that started them (on Windows this runs at DLL_PROCESS_DETACH).
    StopAllPluginTimers();
    platform::CloseLayoutWindow();
    platform::ReleaseWindowFonts();
    DestroyMessageTable();
    FreeGameLibrary();
    // Standalone mode has no detach: the period taken at load is given back here.
    if (!loadedByMetamod) GiveBackTimerPeriod();
}

ZK_EXPORT ZK_HOST_CALLED void ZK_STDCALL GiveFnptrsToDll(enginefuncs_t *pengfuncsFromEngine, globalvars_t *pGlobals) {
    // Only the classic 157 entries are copied: an old engine's table may end
    // there.  Entries beyond it stay null and are never called.
    std::memset(&g_engfuncs, 0, sizeof(g_engfuncs));
    if (pengfuncsFromEngine != nullptr) std::memcpy(&g_engfuncs, pengfuncsFromEngine, kEngineFuncsClassicBytes);
    gpGlobals = pGlobals;
    // The engine and Metamod take the hook tables once, at load: the calls
    // are timed only when the server was started asking for it.
    g_profileHooksInstalled = platform::LaunchOptionGiven(kProfileLaunchOption);
    if (g_profileHooksInstalled) platform::ProfileTickNanoseconds();  // measures the clock now, not in a frame
    // The information window's fonts live as long as the library.
    platform::CreateWindowFonts();

    LogMessage(true, LOGLEVEL_LOG, LOGMODE_NORMAL, "Plugin loaded successfully.");
    CreateMessageTable();

    const KnownMod *mod = FindKnownMod(GameDirName());
    if (mod == nullptr) {
        LogMessage(true, LOGLEVEL_FATAL, LOGMODE_NORMAL,
                   "Mod that you has started, not supported by this ZEQ kestrin (gamedir: %s)", GameDirName());
        // Only reached while logging is switched off: carry on without a game
        // record (and, standalone, without a game library).
        return;
    }
    gameVersion = mod->gameVersion;
    if (loadedByMetamod) return;

    LoadGameLibrary(*mod, pengfuncsFromEngine, pGlobals);
    // Standalone mode never sees Meta_Attach: do its work here, before the
    // first map starts.
    TakeTimerPeriod();
    RegisterMainVariables();
}

ZK_EXPORT ZK_HOST_CALLED int GetEntityAPI2(DLL_FUNCTIONS *pFunctionTable, int *interfaceVersion) {
    if (pFunctionTable == nullptr) return 0;
    if (interfaceVersion == nullptr) return 0;
    if (*interfaceVersion != INTERFACE_VERSION) {
        *interfaceVersion = INTERFACE_VERSION;
        return 0;
    }
    std::memset(pFunctionTable, 0, sizeof(DLL_FUNCTIONS));

    if (!loadedByMetamod) {
        GETENTITYAPI_FN getEntityAPI = GameGetEntityAPI();
        if (getEntityAPI == nullptr || getEntityAPI(GameDllFunctions(), INTERFACE_VERSION) == 0) {
            LogMessage(true, LOGLEVEL_FATAL, LOGMODE_NORMAL, "GetEntityAPI2: ERROR - Not Initialized.");
            return 0;
        }
        GameDllPair()->dllapi_table = GameDllFunctions();
        gpGamedllFuncs = GameDllPair();
        std::memcpy(pFunctionTable, GameDllFunctions(), sizeof(DLL_FUNCTIONS));
        if (g_profileHooksInstalled) {
            InstallProfiledStandalone(pFunctionTable);
            return 1;
        }
    }
    InstallHooks(pFunctionTable, g_profileHooksInstalled ? kProfiledPreHooks : kPluginHooks);
    return 1;
}

ZK_EXPORT ZK_HOST_CALLED int GetEntityAPI2_Post(DLL_FUNCTIONS *pFunctionTable, int *interfaceVersion) {
    (void)interfaceVersion;
    if (pFunctionTable == nullptr) return 1;
    std::memset(pFunctionTable, 0, sizeof(DLL_FUNCTIONS));
    InstallHooks(pFunctionTable, g_profileHooksInstalled ? kProfiledPostHooks : kPluginPostHooks);
    return 1;
}

ZK_EXPORT ZK_HOST_CALLED int GetNewDLLFunctions(NEW_DLL_FUNCTIONS *pFunctionTable, int *interfaceVersion) {
    GETNEWDLLFUNCTIONS_FN getNewDLLFunctions = GameGetNewDLLFunctions();
    if (getNewDLLFunctions == nullptr) return 0;
    if (getNewDLLFunctions(pFunctionTable, interfaceVersion) == 0) {
        LogMessage(true, LOGLEVEL_FATAL, LOGMODE_NORMAL, "GetNewDLLFunctions: ERROR - Not Initialized.");
        return 0;
    }
    GameDllPair()->newapi_table = pFunctionTable;
    return 1;
}

ZK_EXPORT ZK_HOST_CALLED int Server_GetBlendingInterface(int version, struct sv_blending_interface_s **ppinterface,
                                                         struct server_studio_api_s *pstudio,
                                                         float (*rotationmatrix)[3][4],
                                                         float (*bonetransform)[128][3][4]) {
    SERVER_GETBLENDINGINTERFACE_FN getBlending = GameGetBlendingInterface();
    if (getBlending == nullptr) return 0;
    return getBlending(version, ppinterface, pstudio, rotationmatrix, bonetransform);
}

namespace {
// Runs when the library is unloaded (or the process ends).
struct LibraryUnloadGuard {
    ~LibraryUnloadGuard() { OnLibraryUnload(); }
} s_libraryUnloadGuard;
}  // namespace
