#include "plugin/profile_hooks.h"

#include <cstddef>
#include <cstring>
#include <type_traits>

#include "diagnostics/frame_profile.h"
#include "engine/plugin_state.h"
#include "plugin/dllapi.h"
#include "plugin/standalone.h"
#include "sdk/abi_checks.h"

namespace {

template <typename F>
F SlotOf(const DLL_FUNCTIONS *table, std::size_t index) {
    F function;
    std::memcpy(&function, reinterpret_cast<const char *>(table) + index * sizeof(void *), sizeof(function));
    return function;
}

struct LeaveOnReturn {
    ProfileFamily family;
    ~LeaveOnReturn() { ProfileLeave(family); }
};

template <std::size_t N, ProfileFamily Family, typename F>
struct Timed;

template <std::size_t N, ProfileFamily Family, typename R, typename... A>
struct Timed<N, Family, R (*)(A...)> {
    typedef R (*Function)(A...);

    // Standalone: the game library's function, timed into its family.
    static R Game(A... args) {
        const Function game = SlotOf<Function>(GameDllFunctions(), N);
        if (game == nullptr) return R();
        ProfileEnter();
        LeaveOnReturn leave{Family};
        return game(args...);
    }

    // Standalone: the plugin's hook, its own work timed as the plugin's; the
    // game's call inside it goes through kTimedGameFunctions and is taken out.
    static R Plugin(A... args) {
        ProfileEnter();
        LeaveOnReturn leave{kFamilyPlugin};
        return SlotOf<Function>(&kPluginHooks, N)(args...);
    }

    // Metamod: the plugin's own pre hook (timed as its own work), then the
    // clock starts for what Metamod calls until this plugin's post hook.
    static R Pre(A... args) {
        const Function hook = SlotOf<Function>(&kPluginHooks, N);
        if constexpr (std::is_void<R>::value) {
            if (hook != nullptr) {
                ProfileEnter();
                LeaveOnReturn leave{kFamilyPlugin};
                hook(args...);
            } else {
                SetMetaResult(MRES_IGNORED);
            }
            ProfileEnter();
        } else {
            R result = R();
            if (hook != nullptr) {
                ProfileEnter();
                LeaveOnReturn leave{kFamilyPlugin};
                result = hook(args...);
            } else {
                SetMetaResult(MRES_IGNORED);
            }
            ProfileEnter();
            return result;
        }
    }

    static R Post(A... args) {
        ProfileLeave(Family);
        const Function hook = SlotOf<Function>(&kPluginPostHooks, N);
        if (hook != nullptr) return hook(args...);
        SetMetaResult(MRES_IGNORED);
        return R();
    }
};

// One line a slot, in table order (checked below): its family, or NONE for
// AddToFullPack, which the engine calls for every entity and every player in
// each frame: timing it would cost more than it shows, so its time stays in
// the rest of the frame.
#define ZK_PROFILED_SLOTS(X, NONE)                                                                              \
    X(pfnGameInit, kFamilyOther) X(pfnSpawn, kFamilyOther) X(pfnThink, kFamilyThink) X(pfnUse, kFamilyOther)   \
    X(pfnTouch, kFamilyTouch) X(pfnBlocked, kFamilyTouch) X(pfnKeyValue, kFamilyOther)                          \
    X(pfnSave, kFamilyOther) X(pfnRestore, kFamilyOther) X(pfnSetAbsBox, kFamilyOther)                          \
    X(pfnSaveWriteFields, kFamilyOther) X(pfnSaveReadFields, kFamilyOther)                                      \
    X(pfnSaveGlobalState, kFamilyOther) X(pfnRestoreGlobalState, kFamilyOther)                                  \
    X(pfnResetGlobalState, kFamilyOther) X(pfnClientConnect, kFamilyCommands)                                   \
    X(pfnClientDisconnect, kFamilyCommands) X(pfnClientKill, kFamilyOther)                                      \
    X(pfnClientPutInServer, kFamilyCommands) X(pfnClientCommand, kFamilyCommands)                               \
    X(pfnClientUserInfoChanged, kFamilyCommands) X(pfnServerActivate, kFamilyOther)                             \
    X(pfnServerDeactivate, kFamilyOther) X(pfnPlayerPreThink, kFamilyPlayers)                                   \
    X(pfnPlayerPostThink, kFamilyPlayers) X(pfnStartFrame, kFamilyFrameStart)                                   \
    X(pfnParmsNewLevel, kFamilyOther) X(pfnParmsChangeLevel, kFamilyOther)                                      \
    X(pfnGetGameDescription, kFamilyOther) X(pfnPlayerCustomization, kFamilyOther)                              \
    X(pfnSpectatorConnect, kFamilyOther) X(pfnSpectatorDisconnect, kFamilyOther)                                \
    X(pfnSpectatorThink, kFamilyOther) X(pfnSys_Error, kFamilyOther) X(pfnPM_Move, kFamilyOther)                \
    X(pfnPM_Init, kFamilyOther) X(pfnPM_FindTextureType, kFamilyOther) X(pfnSetupVisibility, kFamilyOther)      \
    X(pfnUpdateClientData, kFamilyOther) NONE(pfnAddToFullPack) X(pfnCreateBaseline, kFamilyOther)              \
    X(pfnRegisterEncoders, kFamilyOther) X(pfnGetWeaponData, kFamilyOther) X(pfnCmdStart, kFamilyOther)         \
    X(pfnCmdEnd, kFamilyOther) X(pfnConnectionlessPacket, kFamilyOther) X(pfnGetHullBounds, kFamilyOther)       \
    X(pfnCreateInstancedBaselines, kFamilyOther) X(pfnInconsistentFile, kFamilyOther)                           \
    X(pfnAllowLagCompensation, kFamilyOther)

constexpr std::size_t kSlotBase = __COUNTER__ + 1;
std::size_t SlotListedOutOfOrder() { return 0; }  // not constexpr: a misplaced slot does not compile
constexpr std::size_t InOrder(std::size_t counted, std::size_t index) {
    return counted % kDllFunctionsSlots == index ? index : SlotListedOutOfOrder();
}

#define ZK_INDEX(name) InOrder(__COUNTER__ - kSlotBase, ZK_FUNC_INDEX(DLL_FUNCTIONS, name))
#define ZK_TIMED(name, family, how) &Timed<ZK_INDEX(name), family, decltype(DLL_FUNCTIONS::name)>::how,
#define ZK_NOT_TIMED(name) (static_cast<void>(ZK_INDEX(name)), nullptr),

#define ZK_GAME(name, family) ZK_TIMED(name, family, Game)
#define ZK_PRE(name, family) ZK_TIMED(name, family, Pre)
#define ZK_POST(name, family) ZK_TIMED(name, family, Post)

}  // namespace

const DLL_FUNCTIONS kTimedGameFunctions = {ZK_PROFILED_SLOTS(ZK_GAME, ZK_NOT_TIMED)};
const DLL_FUNCTIONS kProfiledPreHooks = {ZK_PROFILED_SLOTS(ZK_PRE, ZK_NOT_TIMED)};
const DLL_FUNCTIONS kProfiledPostHooks = {ZK_PROFILED_SLOTS(ZK_POST, ZK_NOT_TIMED)};
static_assert(__COUNTER__ - kSlotBase == 3 * kDllFunctionsSlots, "every slot listed, in table order");

namespace {
// The plugin's hook where it has one, else the game's function, each timed.
DLL_FUNCTIONS MakeStandaloneTable() {
    DLL_FUNCTIONS table = kTimedGameFunctions;
    void *slots[kDllFunctionsSlots];
    void *hooks[kDllFunctionsSlots];
    std::memcpy(slots, &table, sizeof(slots));
    std::memcpy(hooks, &kPluginHooks, sizeof(hooks));
#define ZK_PLUGIN_SLOT(name, family)                                                                            \
    if (hooks[ZK_FUNC_INDEX(DLL_FUNCTIONS, name)] != nullptr) {                                                 \
        auto plugin = &Timed<ZK_FUNC_INDEX(DLL_FUNCTIONS, name), family, decltype(DLL_FUNCTIONS::name)>::Plugin; \
        std::memcpy(&slots[ZK_FUNC_INDEX(DLL_FUNCTIONS, name)], &plugin, sizeof(void *));                        \
    }
#define ZK_SKIP(name)
    ZK_PROFILED_SLOTS(ZK_PLUGIN_SLOT, ZK_SKIP)
#undef ZK_PLUGIN_SLOT
#undef ZK_SKIP
    std::memcpy(&table, slots, sizeof(slots));
    return table;
}
const DLL_FUNCTIONS s_standalone = MakeStandaloneTable();
}  // namespace

void InstallProfiledStandalone(DLL_FUNCTIONS *table) {
    SetTimedPassThrough(&kTimedGameFunctions);
    void *slots[kDllFunctionsSlots];
    void *hooks[kDllFunctionsSlots];
    void *timed[kDllFunctionsSlots];
    std::memcpy(slots, table, sizeof(slots));
    std::memcpy(hooks, &kPluginHooks, sizeof(hooks));
    std::memcpy(timed, &s_standalone, sizeof(timed));
    // A slot the game leaves empty stays empty (the engine checks), unless
    // the plugin hooks it.
    for (std::size_t i = 0; i < kDllFunctionsSlots; ++i)
        if (timed[i] != nullptr && (slots[i] != nullptr || hooks[i] != nullptr)) slots[i] = timed[i];
    std::memcpy(table, slots, sizeof(slots));
}
