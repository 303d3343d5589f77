// Game library tables whose every slot logs its call: the game behind
// Metamod (metamod/metamod_sim.cpp) and the stub game library (stub_game.cpp).
// A Policy supplies how edicts are shown and where the log line goes:
//   static std::string edict(const edict_t *);
//   static void log(const std::string &line);   // "pfnSpawn(edict 0)"
#pragma once

#include <cstdio>
#include <cstring>
#include <string>
#include <type_traits>

#include "engine/slow_hook.h"
#include "sdk/abi_checks.h"

// Every slot of each table, in table order.
#define HOSTSIM_DLL_FUNCTIONS(X)                                                                            \
    X(pfnGameInit) X(pfnSpawn) X(pfnThink) X(pfnUse) X(pfnTouch) X(pfnBlocked) X(pfnKeyValue) X(pfnSave)    \
    X(pfnRestore) X(pfnSetAbsBox) X(pfnSaveWriteFields) X(pfnSaveReadFields) X(pfnSaveGlobalState)          \
    X(pfnRestoreGlobalState) X(pfnResetGlobalState) X(pfnClientConnect) X(pfnClientDisconnect)             \
    X(pfnClientKill) X(pfnClientPutInServer) X(pfnClientCommand) X(pfnClientUserInfoChanged)                \
    X(pfnServerActivate) X(pfnServerDeactivate) X(pfnPlayerPreThink) X(pfnPlayerPostThink)                 \
    X(pfnStartFrame) X(pfnParmsNewLevel) X(pfnParmsChangeLevel) X(pfnGetGameDescription)                   \
    X(pfnPlayerCustomization) X(pfnSpectatorConnect) X(pfnSpectatorDisconnect) X(pfnSpectatorThink)        \
    X(pfnSys_Error) X(pfnPM_Move) X(pfnPM_Init) X(pfnPM_FindTextureType) X(pfnSetupVisibility)             \
    X(pfnUpdateClientData) X(pfnAddToFullPack) X(pfnCreateBaseline) X(pfnRegisterEncoders)                 \
    X(pfnGetWeaponData) X(pfnCmdStart) X(pfnCmdEnd) X(pfnConnectionlessPacket) X(pfnGetHullBounds)         \
    X(pfnCreateInstancedBaselines) X(pfnInconsistentFile) X(pfnAllowLagCompensation)

#define HOSTSIM_NEW_DLL_FUNCTIONS(X) \
    X(pfnOnFreeEntPrivateData) X(pfnGameShutdown) X(pfnShouldCollide) X(pfnCvarValue) X(pfnCvarValue2)

namespace hostsim {

template <typename Table>
struct GameTableInfo;

#define HOSTSIM_SLOT_NAME(name) #name,
#define HOSTSIM_DLL_INDEX(name) ZK_FUNC_INDEX(DLL_FUNCTIONS, name),
#define HOSTSIM_NEW_DLL_INDEX(name) ZK_FUNC_INDEX(NEW_DLL_FUNCTIONS, name),

template <>
struct GameTableInfo<DLL_FUNCTIONS> {
    static constexpr const char *kNames[] = {HOSTSIM_DLL_FUNCTIONS(HOSTSIM_SLOT_NAME)};
    static constexpr std::size_t kIndices[] = {HOSTSIM_DLL_FUNCTIONS(HOSTSIM_DLL_INDEX)};
};

template <>
struct GameTableInfo<NEW_DLL_FUNCTIONS> {
    static constexpr const char *kNames[] = {HOSTSIM_NEW_DLL_FUNCTIONS(HOSTSIM_SLOT_NAME)};
    static constexpr std::size_t kIndices[] = {HOSTSIM_NEW_DLL_FUNCTIONS(HOSTSIM_NEW_DLL_INDEX)};
};

#undef HOSTSIM_SLOT_NAME
#undef HOSTSIM_DLL_INDEX
#undef HOSTSIM_NEW_DLL_INDEX

// The game's own slow hook (each library that holds a game table has one).
inline SlowHook &GameSlowHook() {
    static SlowHook hook;
    return hook;
}

template <typename Table>
constexpr bool SlotListInOrder() {
    constexpr std::size_t count = sizeof(GameTableInfo<Table>::kIndices) / sizeof(std::size_t);
    if (count * sizeof(void *) != sizeof(Table)) return false;
    for (std::size_t i = 0; i < count; ++i)
        if (GameTableInfo<Table>::kIndices[i] != i) return false;
    return true;
}
static_assert(SlotListInOrder<DLL_FUNCTIONS>(), "HOSTSIM_DLL_FUNCTIONS lists every slot in order");
static_assert(SlotListInOrder<NEW_DLL_FUNCTIONS>(), "HOSTSIM_NEW_DLL_FUNCTIONS lists every slot in order");

// One argument of a game call as text.
template <typename Policy>
struct GameArgText {
    static std::string of(int value) { return std::to_string(value); }
    static std::string of(unsigned value) { return std::to_string(value); }
    static std::string of(float value) {
        char text[32];
        std::snprintf(text, sizeof text, "%g", static_cast<double>(value));
        return text;
    }
    static std::string of(const char *text) { return text ? "\"" + std::string(text) + "\"" : "null"; }
    static std::string of(char *text) { return of(static_cast<const char *>(text)); }
    static std::string of(const edict_t *entity) { return Policy::edict(entity); }
    static std::string of(edict_t *entity) { return Policy::edict(entity); }
    template <typename T>
    static std::string of(T *pointer) {
        return pointer ? "ptr" : "null";
    }
};

// What a game returns: 1 from ClientConnect (accept), a description from
// GetGameDescription, and zero everywhere else (Spawn keeps the entity).
template <typename Table, std::size_t N, typename R>
R GameReturn() {
    if constexpr (std::is_void<R>::value) {
        return;
    } else if constexpr (std::is_same<Table, DLL_FUNCTIONS>::value &&
                         N == ZK_FUNC_INDEX(DLL_FUNCTIONS, pfnClientConnect)) {
        return 1;
    } else if constexpr (std::is_same<Table, DLL_FUNCTIONS>::value &&
                         N == ZK_FUNC_INDEX(DLL_FUNCTIONS, pfnGetGameDescription)) {
        return "Counter-Strike";
    } else {
        return R();
    }
}

template <typename Policy, typename Table, std::size_t N, typename F>
struct GameSlot;

template <typename Policy, typename Table, std::size_t N, typename R, typename... A>
struct GameSlot<Policy, Table, N, R (*)(A...)> {
    static R call(A... args) {
        const std::string parts[] = {std::string(), GameArgText<Policy>::of(args)...};
        std::string line = GameTableInfo<Table>::kNames[N];
        line += '(';
        for (std::size_t i = 1; i < sizeof parts / sizeof parts[0]; ++i) {
            if (i > 1) line += ", ";
            // ServerActivate receives the whole edict array.
            bool edictArray = std::is_same<Table, DLL_FUNCTIONS>::value && i == 1 &&
                              N == ZK_FUNC_INDEX(DLL_FUNCTIONS, pfnServerActivate);
            line += edictArray ? std::string("edicts") : parts[i];
        }
        line += ')';
        if (std::is_same<Table, DLL_FUNCTIONS>::value) SlowDownIfChosen(GameSlowHook(), GameTableInfo<Table>::kNames[N]);
        Policy::log(line);
        return GameReturn<Table, N, R>();
    }
};

#define HOSTSIM_DLL_SLOT(name) \
    &GameSlot<Policy, DLL_FUNCTIONS, ZK_FUNC_INDEX(DLL_FUNCTIONS, name), decltype(DLL_FUNCTIONS::name)>::call,
#define HOSTSIM_NEW_DLL_SLOT(name)                                                 \
    &GameSlot<Policy, NEW_DLL_FUNCTIONS, ZK_FUNC_INDEX(NEW_DLL_FUNCTIONS, name),   \
              decltype(NEW_DLL_FUNCTIONS::name)>::call,

template <typename Policy>
DLL_FUNCTIONS MakeGameTable() {
    DLL_FUNCTIONS table = {HOSTSIM_DLL_FUNCTIONS(HOSTSIM_DLL_SLOT)};
    return table;
}

template <typename Policy>
NEW_DLL_FUNCTIONS MakeNewGameTable() {
    NEW_DLL_FUNCTIONS table = {HOSTSIM_NEW_DLL_FUNCTIONS(HOSTSIM_NEW_DLL_SLOT)};
    return table;
}

#undef HOSTSIM_DLL_SLOT
#undef HOSTSIM_NEW_DLL_SLOT

}  // namespace hostsim
