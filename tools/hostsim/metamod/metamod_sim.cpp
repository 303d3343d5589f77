// Metamod attaching the plugin: its copy of the engine table, the built-in
// game, Meta_Query and Meta_Attach with the interface version check, the
// plugin's hook tables, and Meta_Detach.
#include "metamod/metamod_sim.h"

#include <cstdlib>
#include <cstring>

#include "engine/engine_calls.h"
#include "games/game_tables.h"

namespace hostsim {

namespace {

// The built-in game: its calls are kept by the Metamod of the moment.
struct BuiltInGamePolicy {
    static std::string edict(const edict_t *entity) { return EdictArg(entity); }
    static void log(const std::string &line) {
        if (MetamodSim *metamod = MetamodSim::current()) metamod->recordGameCall(line);
    }
};

// Parses "MAJOR:MINOR"; false when the text is not of that form.
bool ParseVersion(const char *text, int *major, int *minor) {
    if (!text) return false;
    char *end = nullptr;
    long a = std::strtol(text, &end, 10);
    if (end == text || *end != ':') return false;
    const char *rest = end + 1;
    long b = std::strtol(rest, &end, 10);
    if (end == rest) return false;
    *major = static_cast<int>(a);
    *minor = static_cast<int>(b);
    return true;
}

template <typename T>
T *ZeroedTable() {
    return static_cast<T *>(std::calloc(1, sizeof(T)));
}

}  // namespace

// ------------------------------------------------------------ construction

MetamodSim::MetamodSim(EngineSim &engine) : engine_(engine) {
    if (current_) EngineError("only one Metamod at a time");
    current_ = this;

    std::memset(&pluginEngine_, 0, sizeof pluginEngine_);
    pluginEngine_.funcs = *engine_.engineFuncs();
    pluginEngine_.funcs.pfnCVarRegister = &MetamodSim::CVarRegisterWrapper;
    pluginEngine_.funcs.pfnAddServerCommand = &MetamodSim::AddServerCommandWrapper;

    mutil_ = UtilityTable();

    std::memset(&metaFunctions_, 0, sizeof metaFunctions_);
    std::memset(&metaGlobals_, 0, sizeof metaGlobals_);
    game_ = MakeGameTable<BuiltInGamePolicy>();
    gameNew_ = MakeNewGameTable<BuiltInGamePolicy>();
    gameForPlugin_ = game_;
    gameNewForPlugin_ = gameNew_;
    gamedllFuncs_.dllapi_table = &gameForPlugin_;
    gamedllFuncs_.newapi_table = &gameNewForPlugin_;
    dll_.game = &game_;
    newDll_.game = &gameNew_;
}

MetamodSim::~MetamodSim() {
    freeTables();
    for (RegisteredCvar &cvar : cvars_) {
        engine_.unregisterCvar(cvar.copy);
        std::free(cvar.name);
        std::free(cvar.string);
        delete cvar.copy;
    }
    if (current_ == this) current_ = nullptr;
}

// ------------------------------------------------------------ attaching

bool MetamodSim::attach(const PluginExports &exports, std::string *error) {
    std::string ignored;
    std::string &reason = error ? *error : ignored;
    exports_ = exports;
    if (!exports_.metaQuery) {
        reason = "Couldn't find Meta_Query(); not a Metamod plugin";
        return false;
    }
    if (exports_.metaInit) exports_.metaInit();
    if (!exports_.giveFnptrsToDll) {
        reason = "Couldn't find GiveFnptrsToDll()";
        return false;
    }
    exports_.giveFnptrsToDll(&pluginEngine_.funcs, engine_.globals());

    char interfaceVersion[] = META_INTERFACE_VERSION;
    plugin_info_t *info = nullptr;
    if (!exports_.metaQuery(interfaceVersion, &info, &mutil_)) {
        reason = "Meta_Query returned false";
        return false;
    }
    if (!info) {
        reason = "Meta_Query gave no plugin info";
        return false;
    }
    info_ = info;

    int ourMajor = 0, ourMinor = 0, major = 0, minor = 0;
    ParseVersion(META_INTERFACE_VERSION, &ourMajor, &ourMinor);
    if (!ParseVersion(info->ifvers, &major, &minor)) {
        reason = std::string("unreadable interface version \"") + (info->ifvers ? info->ifvers : "(null)") + "\"";
        return false;
    }
    if (major > ourMajor || (major == ourMajor && minor > ourMinor)) {
        reason = std::string("plugin requires a newer version of Metamod (plugin needs ") + info->ifvers +
                 ", Metamod has " META_INTERFACE_VERSION ")";
        return false;
    }
    if (major < ourMajor) {
        reason = std::string("plugin is for an older interface (") + info->ifvers + "); it must be updated";
        return false;
    }
    if (minor < ourMinor)
        engine_.printf("[META] note: plugin interface %s is older than Metamod's %s\n", info->ifvers,
                       META_INTERFACE_VERSION);
    if (info->loadable < PT_STARTUP) {
        reason = "plugin cannot be loaded (loadable is PT_NEVER)";
        return false;
    }

    if (!exports_.metaAttach) {
        reason = "Couldn't find Meta_Attach()";
        return false;
    }
    std::memset(&metaFunctions_, 0, sizeof metaFunctions_);
    if (!exports_.metaAttach(PT_STARTUP, &metaFunctions_, &metaGlobals_, &gamedllFuncs_)) {
        reason = "Meta_Attach returned false";
        return false;
    }
    attached_ = true;
    getTables();
    return true;
}

void MetamodSim::getTables() {
    const char *plugin = info_ && info_->name ? info_->name : "plugin";
    auto failed = [&](const char *getter, int version) {
        reportError(getter, std::string("Failure calling ") + getter + " in plugin '" + plugin + "' (version " +
                                std::to_string(version) + ")");
    };

    if (metaFunctions_.pfnGetNewDLLFunctions) {
        newDll_.pre = ZeroedTable<NEW_DLL_FUNCTIONS>();
        int version = NEW_DLL_FUNCTIONS_VERSION;
        if (!metaFunctions_.pfnGetNewDLLFunctions(newDll_.pre, &version)) failed("GetNewDLLFunctions", version);
    }
    if (metaFunctions_.pfnGetNewDLLFunctions_Post) {
        newDll_.post = ZeroedTable<NEW_DLL_FUNCTIONS>();
        int version = NEW_DLL_FUNCTIONS_VERSION;
        if (!metaFunctions_.pfnGetNewDLLFunctions_Post(newDll_.post, &version))
            failed("GetNewDLLFunctions_Post", version);
    }
    if (metaFunctions_.pfnGetEntityAPI2) {
        dll_.pre = ZeroedTable<DLL_FUNCTIONS>();
        int version = INTERFACE_VERSION;
        if (!metaFunctions_.pfnGetEntityAPI2(dll_.pre, &version)) failed("GetEntityAPI2", version);
    }
    if (metaFunctions_.pfnGetEntityAPI2_Post) {
        dll_.post = ZeroedTable<DLL_FUNCTIONS>();
        int version = INTERFACE_VERSION;
        if (!metaFunctions_.pfnGetEntityAPI2_Post(dll_.post, &version)) failed("GetEntityAPI2_Post", version);
    }
    if (!dll_.pre && !dll_.post) {
        if (metaFunctions_.pfnGetEntityAPI) {
            dll_.pre = ZeroedTable<DLL_FUNCTIONS>();
            if (!metaFunctions_.pfnGetEntityAPI(dll_.pre, INTERFACE_VERSION))
                failed("GetEntityAPI", INTERFACE_VERSION);
        }
        if (metaFunctions_.pfnGetEntityAPI_Post) {
            dll_.post = ZeroedTable<DLL_FUNCTIONS>();
            if (!metaFunctions_.pfnGetEntityAPI_Post(dll_.post, INTERFACE_VERSION))
                failed("GetEntityAPI_Post", INTERFACE_VERSION);
        }
    }
    // Engine hooks would only see the game's engine calls, and the built-in
    // game makes none; the tables are taken as Metamod takes them.
    if (metaFunctions_.pfnGetEngineFunctions) {
        engineHooks_ = ZeroedTable<enginefuncs_t>();
        int version = 138;
        if (!metaFunctions_.pfnGetEngineFunctions(engineHooks_, &version)) failed("GetEngineFunctions", version);
    }
    if (metaFunctions_.pfnGetEngineFunctions_Post) {
        engineHooksPost_ = ZeroedTable<enginefuncs_t>();
        int version = 138;
        if (!metaFunctions_.pfnGetEngineFunctions_Post(engineHooksPost_, &version))
            failed("GetEngineFunctions_Post", version);
    }
}

void MetamodSim::freeTables() {
    std::free(dll_.pre);
    std::free(dll_.post);
    std::free(newDll_.pre);
    std::free(newDll_.post);
    std::free(engineHooks_);
    std::free(engineHooksPost_);
    dll_.pre = dll_.post = nullptr;
    newDll_.pre = newDll_.post = nullptr;
    engineHooks_ = engineHooksPost_ = nullptr;
}

void MetamodSim::detach() {
    if (!attached_) return;
    attached_ = false;
    freeTables();
    for (RegisteredCommand &command : commands_) command.enabled = false;
    if (!exports_.metaDetach) {
        engine_.print("[META] plugin has no Meta_Detach(); unloading anyway (forced)\n");
        return;
    }
    if (!exports_.metaDetach(PT_ANYTIME, PNL_CMD_FORCED))
        engine_.print("[META] plugin refused to detach; unloading anyway (forced)\n");
}

}  // namespace hostsim
