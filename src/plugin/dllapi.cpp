#include "plugin/dllapi.h"

#include <cstring>

#include "commands/console_commands.h"
#include "commands/join_messages.h"
#include "commands/map_timers.h"
#include "commands/stats_command.h"
#include "config/diagnostic_variables.h"
#include "config/presets.h"
#include "config/profile_file.h"
#include "config/variables.h"
#include "control/cpu_monitor.h"
#include "control/governor.h"
#include "control/spike_regulator.h"
#include "diagnostics/player_network.h"
#include "engine/engine_services.h"
#include "engine/player_presence.h"
#include "engine/plugin_state.h"
#include "log/log.h"
#include "platform/platform.h"
#include "plugin/standalone.h"

namespace {

const DLL_FUNCTIONS *Game() { return PassThroughTable(); }

// ------------------------------------------------------------------ hooks

ZK_HOST_CALLED void GameInit_Hook() {
    RegisterServerCommand("zeq_kestrin", InfoCommand);
    RegisterServerCommand("zeq_kestrin_about", InfoCommand);
    RegisterServerCommand("zeq_kestrin_help", InfoCommand);
    RegisterServerCommand("zeq_kestrin_show", InfoCommand);
    RegisterServerCommand("zeq_kestrin_strengthening", StrengtheningCommand);
    RegisterServerCommand("zeq_kestrin_premonitor_win", PremonitorCommand);
    RegisterServerCommand("zeq_kestrin_bots_support", BotsSupportCommand);
    RegisterOwnVariables();
    RegisterServerCommand("zeq_kestrin_stats", StatsCommand);
    RegisterDiagnosticVariables();
    if (!loadedByMetamod) RegisterServerCommand("meta", StandaloneMetaNotice);

    SetMetaResult(MRES_IGNORED);
    if (const DLL_FUNCTIONS *game = Game()) {
        if (game->pfnGameInit != nullptr) game->pfnGameInit();
        DetectGameVersion();
    }
}

ZK_HOST_CALLED int Spawn_Hook(edict_t *pEntity) {
    SetMetaResult(MRES_IGNORED);
    if (const DLL_FUNCTIONS *game = Game()) return game->pfnSpawn != nullptr ? game->pfnSpawn(pEntity) : 0;
    return 0;
}

ZK_HOST_CALLED qboolean ClientConnect_Hook(edict_t *pEntity, const char *pszName, const char *pszAddress,
                                            char szRejectReason[128]) {
    if (pszAddress != nullptr && std::strcmp(pszAddress, "loopback") == 0) g_pListenServerHost = pEntity;
    SetMetaResult(SendJoinMessages(pEntity) ? MRES_HANDLED : MRES_IGNORED);
    if (const DLL_FUNCTIONS *game = Game())
        return game->pfnClientConnect != nullptr ? game->pfnClientConnect(pEntity, pszName, pszAddress, szRejectReason)
                                                 : 1;
    return 1;
}

ZK_HOST_CALLED void ClientDisconnect_Hook(edict_t *pEntity) {
    SetPresence(pEntity, 0);
    NotePlayerEdict(pEntity, false);
    SetMetaResult(MRES_IGNORED);
    if (const DLL_FUNCTIONS *game = Game())
        if (game->pfnClientDisconnect != nullptr) game->pfnClientDisconnect(pEntity);
}

ZK_HOST_CALLED void ClientPutInServer_Hook(edict_t *pEntity) {
    SetPresence(pEntity, 1);
    NotePlayerEdict(pEntity, true);
    SetMetaResult(MRES_IGNORED);
    if (const DLL_FUNCTIONS *game = Game())
        if (game->pfnClientPutInServer != nullptr) game->pfnClientPutInServer(pEntity);
}

ZK_HOST_CALLED void ClientCommand_Hook(edict_t *pEntity) {
    SetMetaResult(MRES_IGNORED);
    if (const DLL_FUNCTIONS *game = Game())
        if (game->pfnClientCommand != nullptr) game->pfnClientCommand(pEntity);
}

ZK_HOST_CALLED void ClientUserInfoChanged_Hook(edict_t *pEntity, char *infobuffer) {
    SetMetaResult(MRES_IGNORED);
    if (const DLL_FUNCTIONS *game = Game())
        if (game->pfnClientUserInfoChanged != nullptr) game->pfnClientUserInfoChanged(pEntity, infobuffer);
}

ZK_HOST_CALLED void ServerActivate_Hook(edict_t *pEdictList, int edictCount, int clientMax) {
    GovernorMapStart();
    SetVariableText(g_pZeqFps, "1.0");
    SetVariableText(g_pZeqTicrate, "1.0");
    ReadConfigFiles();
    StartMapTimers();
    ScheduleFirstCheck();
    cpuLoadReadable = CreateMonitor("\\Processor(_Total)\\% Processor Time", &g_cpuMonitor);
    if (!cpuLoadReadable) LogMessage(true, LOGLEVEL_WARNING, LOGMODE_NORMAL, "Win Monitor problem (Create))");
    RegulatorMapStart();
    ClearPresence();
    ClearPlayerEdicts();
    SetMetaResult(MRES_IGNORED);
    if (const DLL_FUNCTIONS *game = Game())
        if (game->pfnServerActivate != nullptr) game->pfnServerActivate(pEdictList, edictCount, clientMax);
}

ZK_HOST_CALLED void ServerDeactivate_Hook() {
    if (!DestroyMonitor(&g_cpuMonitor))
        LogMessage(true, LOGLEVEL_WARNING, LOGMODE_NORMAL, "Win Monitor problem (Close)");
    SetMetaResult(MRES_IGNORED);
    if (const DLL_FUNCTIONS *game = Game())
        if (game->pfnServerDeactivate != nullptr) game->pfnServerDeactivate();
}

ZK_HOST_CALLED void PlayerPreThink_Hook(edict_t *pEntity) {
    SetPresence(pEntity, 1);
    SetMetaResult(MRES_IGNORED);
    if (const DLL_FUNCTIONS *game = Game())
        if (game->pfnPlayerPreThink != nullptr) game->pfnPlayerPreThink(pEntity);
}

ZK_HOST_CALLED void StartFrame_Hook() {
    GovernorFrame();
    RegulatorFrame();
    platform::AdvanceSystemTimers(gpGlobals != nullptr ? gpGlobals->time : 0.0f);
    if (const DLL_FUNCTIONS *game = Game())
        if (game->pfnStartFrame != nullptr) game->pfnStartFrame();
}

// ------------------------------------------------------------------ post hooks (Metamod only)

ZK_HOST_CALLED void GameInit_Post() {
    DetectGameVersion();
    SetMetaResult(MRES_IGNORED);
}

ZK_HOST_CALLED int Spawn_Post(edict_t *pEntity) {
    if (pEntity != nullptr && pEntity->v.rendermode == kRenderTransTexture) pEntity->v.flags &= ~FL_WORLDBRUSH;
    SetMetaResult(MRES_IGNORED);
    return 0;
}

ZK_HOST_CALLED void ServerActivate_Post(edict_t *, int, int) { SetMetaResult(MRES_IGNORED); }

}  // namespace

// Every slot of the game library's table, in order; the plugin hooks eleven.
const DLL_FUNCTIONS kPluginHooks = {
    GameInit_Hook,               // pfnGameInit
    Spawn_Hook,                  // pfnSpawn
    nullptr,                     // pfnThink
    nullptr,                     // pfnUse
    nullptr,                     // pfnTouch
    nullptr,                     // pfnBlocked
    nullptr,                     // pfnKeyValue
    nullptr,                     // pfnSave
    nullptr,                     // pfnRestore
    nullptr,                     // pfnSetAbsBox
    nullptr,                     // pfnSaveWriteFields
    nullptr,                     // pfnSaveReadFields
    nullptr,                     // pfnSaveGlobalState
    nullptr,                     // pfnRestoreGlobalState
    nullptr,                     // pfnResetGlobalState
    ClientConnect_Hook,          // pfnClientConnect
    ClientDisconnect_Hook,       // pfnClientDisconnect
    nullptr,                     // pfnClientKill
    ClientPutInServer_Hook,      // pfnClientPutInServer
    ClientCommand_Hook,          // pfnClientCommand
    ClientUserInfoChanged_Hook,  // pfnClientUserInfoChanged
    ServerActivate_Hook,         // pfnServerActivate
    ServerDeactivate_Hook,       // pfnServerDeactivate
    PlayerPreThink_Hook,         // pfnPlayerPreThink
    nullptr,                     // pfnPlayerPostThink
    StartFrame_Hook,             // pfnStartFrame
    nullptr,                     // pfnParmsNewLevel
    nullptr,                     // pfnParmsChangeLevel
    nullptr,                     // pfnGetGameDescription
    nullptr,                     // pfnPlayerCustomization
    nullptr,                     // pfnSpectatorConnect
    nullptr,                     // pfnSpectatorDisconnect
    nullptr,                     // pfnSpectatorThink
    nullptr,                     // pfnSys_Error
    nullptr,                     // pfnPM_Move
    nullptr,                     // pfnPM_Init
    nullptr,                     // pfnPM_FindTextureType
    nullptr,                     // pfnSetupVisibility
    nullptr,                     // pfnUpdateClientData
    nullptr,                     // pfnAddToFullPack
    nullptr,                     // pfnCreateBaseline
    nullptr,                     // pfnRegisterEncoders
    nullptr,                     // pfnGetWeaponData
    nullptr,                     // pfnCmdStart
    nullptr,                     // pfnCmdEnd
    nullptr,                     // pfnConnectionlessPacket
    nullptr,                     // pfnGetHullBounds
    nullptr,                     // pfnCreateInstancedBaselines
    nullptr,                     // pfnInconsistentFile
    nullptr,                     // pfnAllowLagCompensation
};

// The post hooks Metamod calls after the game library's own function.
const DLL_FUNCTIONS kPluginPostHooks = {
    GameInit_Post,        // pfnGameInit
    Spawn_Post,           // pfnSpawn
    nullptr,              // pfnThink
    nullptr,              // pfnUse
    nullptr,              // pfnTouch
    nullptr,              // pfnBlocked
    nullptr,              // pfnKeyValue
    nullptr,              // pfnSave
    nullptr,              // pfnRestore
    nullptr,              // pfnSetAbsBox
    nullptr,              // pfnSaveWriteFields
    nullptr,              // pfnSaveReadFields
    nullptr,              // pfnSaveGlobalState
    nullptr,              // pfnRestoreGlobalState
    nullptr,              // pfnResetGlobalState
    nullptr,              // pfnClientConnect
    nullptr,              // pfnClientDisconnect
    nullptr,              // pfnClientKill
    nullptr,              // pfnClientPutInServer
    nullptr,              // pfnClientCommand
    nullptr,              // pfnClientUserInfoChanged
    ServerActivate_Post,  // pfnServerActivate
    nullptr,              // pfnServerDeactivate
    nullptr,              // pfnPlayerPreThink
    nullptr,              // pfnPlayerPostThink
    nullptr,              // pfnStartFrame
    nullptr,              // pfnParmsNewLevel
    nullptr,              // pfnParmsChangeLevel
    nullptr,              // pfnGetGameDescription
    nullptr,              // pfnPlayerCustomization
    nullptr,              // pfnSpectatorConnect
    nullptr,              // pfnSpectatorDisconnect
    nullptr,              // pfnSpectatorThink
    nullptr,              // pfnSys_Error
    nullptr,              // pfnPM_Move
    nullptr,              // pfnPM_Init
    nullptr,              // pfnPM_FindTextureType
    nullptr,              // pfnSetupVisibility
    nullptr,              // pfnUpdateClientData
    nullptr,              // pfnAddToFullPack
    nullptr,              // pfnCreateBaseline
    nullptr,              // pfnRegisterEncoders
    nullptr,              // pfnGetWeaponData
    nullptr,              // pfnCmdStart
    nullptr,              // pfnCmdEnd
    nullptr,              // pfnConnectionlessPacket
    nullptr,              // pfnGetHullBounds
    nullptr,              // pfnCreateInstancedBaselines
    nullptr,              // pfnInconsistentFile
    nullptr,              // pfnAllowLagCompensation
};

void InstallHooks(DLL_FUNCTIONS *table, const DLL_FUNCTIONS &hooks) {
    void *slots[kDllFunctionsSlots];
    void *hookSlots[kDllFunctionsSlots];
    static_assert(sizeof(slots) == sizeof(DLL_FUNCTIONS), "slot view of DLL_FUNCTIONS");
    std::memcpy(slots, table, sizeof(slots));
    std::memcpy(hookSlots, &hooks, sizeof(hookSlots));
    for (std::size_t i = 0; i < kDllFunctionsSlots; ++i)
        if (hookSlots[i] != nullptr) slots[i] = hookSlots[i];
    std::memcpy(table, slots, sizeof(slots));
}
