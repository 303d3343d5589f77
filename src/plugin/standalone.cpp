#include "plugin/standalone.h"

#include <cstdio>

#include "engine/plugin_state.h"
#include "log/log.h"
#include "diagnostics/frame_profile.h"
#include "platform/platform.h"

namespace {
platform::LibraryHandle gameLibrary = nullptr;
GIVEFNPTRSTODLL_FN s_gameGiveFnptrsToDll = nullptr;
GETENTITYAPI_FN s_gameGetEntityAPI = nullptr;
GETNEWDLLFUNCTIONS_FN s_gameGetNewDLLFunctions = nullptr;
SERVER_GETBLENDINGINTERFACE_FN s_gameGetBlendingInterface = nullptr;

DLL_FUNCTIONS s_gameDllFunctions;
gamedll_funcs_t s_gameDllPair = {nullptr, nullptr};
const DLL_FUNCTIONS *s_timedGameFunctions = nullptr;

template <typename T>
T Symbol(const char *name) {
    return reinterpret_cast<T>(platform::LibrarySymbol(gameLibrary, name));
}

// Asks the engine to load the file: its file system extracts a file from the
// Steam cache when it loads it.  The contents are not used.
void ExtractFromSteamCache(const char *szPath) {
    if (g_engfuncs.pfnLoadFileForMe == nullptr) return;
    int length = 0;
    byte *contents = g_engfuncs.pfnLoadFileForMe(const_cast<char *>(szPath), &length);
    if (contents != nullptr && g_engfuncs.pfnFreeFile != nullptr) g_engfuncs.pfnFreeFile(contents);
}

void GameLibraryPath(char *szPath, std::size_t size, const KnownMod &mod, const char *szName) {
    std::snprintf(szPath, size, "%s%cdlls%c%s", mod.gameDir, platform::kPathSeparator, platform::kPathSeparator, szName);
}
}  // namespace

void LoadGameLibrary(const KnownMod &mod, enginefuncs_t *pengfuncs, globalvars_t *pGlobals) {
    char path[256];
    GameLibraryPath(path, sizeof(path), mod, GameLibraryName(mod));
    gameLibrary = platform::OpenLibrary(path);
    if (gameLibrary == nullptr) {
        LogMessage(true, LOGLEVEL_LOG, LOGMODE_NORMAL, "Trying to extract dll '%s' out of the steam cache", path);
        ExtractFromSteamCache(path);
        gameLibrary = platform::OpenLibrary(path);
    }
    // Newer Steam servers name the Linux library cs.so.
    if (gameLibrary == nullptr && GameLibraryOtherName() != nullptr) {
        GameLibraryPath(path, sizeof(path), mod, GameLibraryOtherName());
        LogMessage(true, LOGLEVEL_LOG, LOGMODE_NORMAL, "Trying the game library '%s'", path);
        gameLibrary = platform::OpenLibrary(path);
    }
    s_gameGiveFnptrsToDll = Symbol<GIVEFNPTRSTODLL_FN>("GiveFnptrsToDll");
    s_gameGetEntityAPI = Symbol<GETENTITYAPI_FN>("GetEntityAPI");
    s_gameGetNewDLLFunctions = Symbol<GETNEWDLLFUNCTIONS_FN>("GetNewDLLFunctions");
    s_gameGetBlendingInterface = Symbol<SERVER_GETBLENDINGINTERFACE_FN>("Server_GetBlendingInterface");
    if (s_gameGiveFnptrsToDll != nullptr) s_gameGiveFnptrsToDll(pengfuncs, pGlobals);
}

void FreeGameLibrary() {
    if (gameLibrary == nullptr) return;
    platform::CloseLibrary(gameLibrary);
    gameLibrary = nullptr;
    s_gameGiveFnptrsToDll = nullptr;
    s_gameGetEntityAPI = nullptr;
    s_gameGetNewDLLFunctions = nullptr;
    s_gameGetBlendingInterface = nullptr;
}

GETENTITYAPI_FN GameGetEntityAPI() { return s_gameGetEntityAPI; }
GETNEWDLLFUNCTIONS_FN GameGetNewDLLFunctions() { return s_gameGetNewDLLFunctions; }
SERVER_GETBLENDINGINTERFACE_FN GameGetBlendingInterface() { return s_gameGetBlendingInterface; }
void *GameEntityExport(const char *szName) { return platform::LibrarySymbol(gameLibrary, szName); }

DLL_FUNCTIONS *GameDllFunctions() { return &s_gameDllFunctions; }
gamedll_funcs_t *GameDllPair() { return &s_gameDllPair; }

const DLL_FUNCTIONS *PassThroughTable() {
    if (loadedByMetamod) return nullptr;
    if (g_profileHooksInstalled && s_gameDllPair.dllapi_table != nullptr && s_timedGameFunctions != nullptr)
        return s_timedGameFunctions;
    return s_gameDllPair.dllapi_table;
}

void SetTimedPassThrough(const DLL_FUNCTIONS *table) { s_timedGameFunctions = table; }
