// Metamod around each game call: the plugin's pre hook, the game (unless
// superseded), the post hook, with the results Metamod keeps between them;
// the second plugin's slow hooks in their place; and the errors Metamod
// reports on the way.
#include <type_traits>

#include "engine/slow_hook.h"
#include "metamod/metamod_sim.h"

namespace hostsim {

bool MetamodSim::ParseSecondPlugin(const std::string &text, SecondPlugin *plugin) {
    SecondPlugin parsed;
    std::string rest = text;
    auto word = [&](const char *a, const char *b, bool *isB) {
        const std::string::size_type colon = rest.find(':');
        if (colon == std::string::npos) return false;
        const std::string first = rest.substr(0, colon);
        rest = rest.substr(colon + 1);
        if (first != a && first != b) return false;
        *isB = first == b;
        return true;
    };
    bool after = false;
    if (!word("before", "after", &after) || !word("pre", "post", &parsed.post)) return false;
    parsed.before = !after;
    if (!ParseSlowHook(rest, &parsed.hook)) return false;
    parsed.enabled = true;
    *plugin = parsed;
    return true;
}

// The second plugin's hook runs where its place in plugins.ini puts it; it
// ignores the call (MRES_IGNORED) after its work.
void MetamodSim::secondPluginHook(const char *name, bool post, bool before) {
    if (!second_.enabled || second_.post != post || second_.before != before) return;
    SlowDownIfChosen(second_.hook, name);
}

void MetamodSim::beforeHook(META_RES status) {
    metaGlobals_.mres = MRES_UNSET;
    metaGlobals_.prev_mres = MRES_UNSET;  // the only plugin is always the first
    metaGlobals_.status = status;
}

bool MetamodSim::afterHook(const char *name, bool post, META_RES *status) {
    META_RES result = metaGlobals_.mres;
    if (result == MRES_UNSET) {
        std::string hook = std::string(name) + (post ? "_Post" : "");
        reportError("mres:" + hook, "Plugin didn't set meta_result: " + hook);
    }
    if (result > *status) *status = result;
    return result == MRES_OVERRIDE || result == MRES_SUPERCEDE;
}

template <typename Table, typename R, typename... A>
R MetamodSim::callHooked(HookSet<Table> &set, R (*Table::*slot)(A...), const char *name,
                         typename NoDeduce<A>::type... args) {
    META_RES status = MRES_UNSET;
    metaGlobals_.orig_ret = nullptr;
    metaGlobals_.override_ret = nullptr;
    if constexpr (std::is_void<R>::value) {
        secondPluginHook(name, false, true);
        if (attached_ && set.pre && set.pre->*slot) {
            beforeHook(status);
            (set.pre->*slot)(args...);
            afterHook(name, false, &status);
        }
        secondPluginHook(name, false, false);
        if (status != MRES_SUPERCEDE && set.game->*slot) (set.game->*slot)(args...);
        secondPluginHook(name, true, true);
        if (attached_ && set.post && set.post->*slot) {
            beforeHook(status);
            (set.post->*slot)(args...);
            afterHook(name, true, &status);
        }
        secondPluginHook(name, true, false);
    } else {
        R gameResult = R(), pluginResult = R();
        bool overridden = false;
        secondPluginHook(name, false, true);
        if (attached_ && set.pre && set.pre->*slot) {
            beforeHook(status);
            R result = (set.pre->*slot)(args...);
            if (afterHook(name, false, &status)) {
                pluginResult = result;
                overridden = true;
            }
        }
        secondPluginHook(name, false, false);
        if (status != MRES_SUPERCEDE && set.game->*slot) gameResult = (set.game->*slot)(args...);
        metaGlobals_.orig_ret = &gameResult;
        metaGlobals_.override_ret = overridden ? &pluginResult : nullptr;
        secondPluginHook(name, true, true);
        if (attached_ && set.post && set.post->*slot) {
            beforeHook(status);
            R result = (set.post->*slot)(args...);
            if (afterHook(name, true, &status)) {
                pluginResult = result;
                overridden = true;
            }
        }
        secondPluginHook(name, true, false);
        metaGlobals_.orig_ret = nullptr;
        metaGlobals_.override_ret = nullptr;
        return overridden ? pluginResult : gameResult;
    }
}

void MetamodSim::gameInit() { callHooked(dll_, &DLL_FUNCTIONS::pfnGameInit, "pfnGameInit"); }

void MetamodSim::spawnEntity(edict_t *entity, const char *classname) {
    // The engine calls Metamod's export of the class, which goes straight to
    // the game's; plugins see only the Spawn that follows.
    recordGameCall(classname);
    int result = callHooked(dll_, &DLL_FUNCTIONS::pfnSpawn, "pfnSpawn", entity);
    if (result < 0) engine_.freeEntity(entity);
}

qboolean MetamodSim::clientConnect(edict_t *entity, const char *name, const char *address, char reject[128]) {
    return callHooked(dll_, &DLL_FUNCTIONS::pfnClientConnect, "pfnClientConnect", entity, name, address, reject);
}

void MetamodSim::clientPutInServer(edict_t *entity) {
    callHooked(dll_, &DLL_FUNCTIONS::pfnClientPutInServer, "pfnClientPutInServer", entity);
}

void MetamodSim::clientDisconnect(edict_t *entity) {
    callHooked(dll_, &DLL_FUNCTIONS::pfnClientDisconnect, "pfnClientDisconnect", entity);
}

void MetamodSim::serverActivate(edict_t *edicts, int edictCount, int maxClients) {
    callHooked(dll_, &DLL_FUNCTIONS::pfnServerActivate, "pfnServerActivate", edicts, edictCount, maxClients);
}

void MetamodSim::serverDeactivate() {
    callHooked(dll_, &DLL_FUNCTIONS::pfnServerDeactivate, "pfnServerDeactivate");
}

void MetamodSim::startFrame() { callHooked(dll_, &DLL_FUNCTIONS::pfnStartFrame, "pfnStartFrame"); }

void MetamodSim::playerPreThink(edict_t *entity) {
    callHooked(dll_, &DLL_FUNCTIONS::pfnPlayerPreThink, "pfnPlayerPreThink", entity);
}

void MetamodSim::playerPostThink(edict_t *entity) {
    callHooked(dll_, &DLL_FUNCTIONS::pfnPlayerPostThink, "pfnPlayerPostThink", entity);
}

void MetamodSim::think(edict_t *entity) { callHooked(dll_, &DLL_FUNCTIONS::pfnThink, "pfnThink", entity); }

void MetamodSim::gameShutdown() {
    callHooked(newDll_, &NEW_DLL_FUNCTIONS::pfnGameShutdown, "pfnGameShutdown");
}

void MetamodSim::recordGameCall(const std::string &line) {
    if (engine_.recording()) gameCalls_.push_back(line);
}

// Reported once per kind on the console, like Metamod's own errors; every
// occurrence counts.
void MetamodSim::reportError(const std::string &key, const std::string &message) {
    ++errors_;
    if (reported_.insert(key).second) engine_.printf("[META] ERROR: %s\n", message.c_str());
}

}  // namespace hostsim
