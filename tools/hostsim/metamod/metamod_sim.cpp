#include "metamod/metamod_sim.h"

#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <type_traits>

#include "engine/engine_calls.h"
#include "engine/engine_text.h"
#include "games/game_tables.h"

namespace hostsim {

namespace {

MetamodSim *g_metamod = nullptr;

MetamodSim &Mm() {
    if (!g_metamod) EngineError("Metamod call without Metamod");
    return *g_metamod;
}

// ------------------------------------------------------------ the built-in game

struct BuiltInGamePolicy {
    static std::string edict(const edict_t *entity) { return EdictArg(entity); }
    static void log(const std::string &line) {
        if (g_metamod) g_metamod->recordGameCall(line);
    }
};

// ------------------------------------------------------------ Metamod utilities

#define HOSTSIM_MUTIL_SLOTS(X)                                                                                \
    X(pfnLogConsole) X(pfnLogMessage) X(pfnLogError) X(pfnLogDeveloper) X(pfnCenterSay) X(pfnCenterSayParms) \
    X(pfnCenterSayVarargs) X(pfnCallGameEntity) X(pfnGetUserMsgID) X(pfnGetUserMsgName) X(pfnGetPluginPath) \
    X(pfnGetGameInfo) X(pfnLoadPlugin) X(pfnUnloadPlugin) X(pfnUnloadPluginByHandle)                        \
    X(pfnIsQueryingClientCvar) X(pfnMakeRequestID) X(pfnGetHookTables)

#define HOSTSIM_NAME(name) #name,
#define HOSTSIM_INDEX(name) ZK_FUNC_INDEX(mutil_funcs_t, name),
constexpr const char *kUtilNames[] = {HOSTSIM_MUTIL_SLOTS(HOSTSIM_NAME)};
constexpr std::size_t kUtilIndices[] = {HOSTSIM_MUTIL_SLOTS(HOSTSIM_INDEX)};
#undef HOSTSIM_NAME
#undef HOSTSIM_INDEX

constexpr bool UtilListInOrder() {
    if (sizeof kUtilIndices / sizeof kUtilIndices[0] != sizeof(mutil_funcs_t) / sizeof(void *)) return false;
    for (std::size_t i = 0; i < sizeof kUtilIndices / sizeof kUtilIndices[0]; ++i)
        if (kUtilIndices[i] != i) return false;
    return true;
}
static_assert(UtilListInOrder(), "HOSTSIM_MUTIL_SLOTS lists every slot in order");

[[noreturn]] void UnexpectedUtilCall(std::size_t index) {
    std::fflush(stdout);
    std::fprintf(stderr, "hostsim: unexpected Metamod call %s\n", kUtilNames[index]);
    std::fflush(stderr);
    std::abort();
}

template <std::size_t N, typename F>
struct UnexpectedUtil;

template <std::size_t N, typename R, typename... A>
struct UnexpectedUtil<N, R (*)(A...)> {
    static R call(A...) { UnexpectedUtilCall(N); }
};

template <std::size_t N, typename R, typename... A>
struct UnexpectedUtil<N, R (*)(A..., ...)> {
    static R call(A..., ...) { UnexpectedUtilCall(N); }
};

// va_list carries attributes that a template argument would drop.
[[noreturn]] void UnexpectedCenterSayVarargs(plid_t, hudtextparms_t, const char *, va_list) {
    UnexpectedUtilCall(ZK_FUNC_INDEX(mutil_funcs_t, pfnCenterSayVarargs));
}

#define UTIL_UNEXPECTED(name) \
    &UnexpectedUtil<ZK_FUNC_INDEX(mutil_funcs_t, name), decltype(mutil_funcs_t::name)>::call

std::string FormatLogText(const char *format, va_list args) {
    char text[1024];  // Metamod's own limit for a log message
    std::vsnprintf(text, sizeof text, format ? format : "", args);
    return text;
}

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

char *CopyString(const char *text) {
    std::size_t length = std::strlen(text) + 1;
    char *copy = static_cast<char *>(std::malloc(length));
    if (!copy) EngineError("out of memory");
    std::memcpy(copy, text, length);
    return copy;
}

template <typename T>
T *ZeroedTable() {
    return static_cast<T *>(std::calloc(1, sizeof(T)));
}

}  // namespace

// ------------------------------------------------------------ construction

MetamodSim::MetamodSim(EngineSim &engine) : engine_(engine) {
    if (g_metamod) EngineError("only one Metamod at a time");
    g_metamod = this;

    std::memset(&pluginEngine_, 0, sizeof pluginEngine_);
    pluginEngine_.funcs = *engine_.engineFuncs();
    pluginEngine_.funcs.pfnCVarRegister = &MetamodSim::CVarRegisterWrapper;
    pluginEngine_.funcs.pfnAddServerCommand = &MetamodSim::AddServerCommandWrapper;

    mutil_ = mutil_funcs_t{
        &MetamodSim::LogConsole,
        &MetamodSim::LogMessage,
        &MetamodSim::LogError,
        UTIL_UNEXPECTED(pfnLogDeveloper),
        UTIL_UNEXPECTED(pfnCenterSay),
        UTIL_UNEXPECTED(pfnCenterSayParms),
        &UnexpectedCenterSayVarargs,
        UTIL_UNEXPECTED(pfnCallGameEntity),
        UTIL_UNEXPECTED(pfnGetUserMsgID),
        UTIL_UNEXPECTED(pfnGetUserMsgName),
        UTIL_UNEXPECTED(pfnGetPluginPath),
        UTIL_UNEXPECTED(pfnGetGameInfo),
        UTIL_UNEXPECTED(pfnLoadPlugin),
        UTIL_UNEXPECTED(pfnUnloadPlugin),
        UTIL_UNEXPECTED(pfnUnloadPluginByHandle),
        UTIL_UNEXPECTED(pfnIsQueryingClientCvar),
        UTIL_UNEXPECTED(pfnMakeRequestID),
        UTIL_UNEXPECTED(pfnGetHookTables),
    };

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

#undef UTIL_UNEXPECTED

MetamodSim::~MetamodSim() {
    freeTables();
    for (RegisteredCvar &cvar : cvars_) {
        engine_.unregisterCvar(cvar.copy);
        std::free(cvar.name);
        std::free(cvar.string);
        delete cvar.copy;
    }
    if (g_metamod == this) g_metamod = nullptr;
}

MetamodSim *MetamodSim::current() { return g_metamod; }

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

// ------------------------------------------------------------ hook calls

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

// ------------------------------------------------------------ engine wrappers

void MetamodSim::CVarRegisterWrapper(cvar_t *variable) {
    MetamodSim &mm = Mm();
    if (!variable || !variable->name || !variable->string) EngineError("pfnCVarRegister with an incomplete variable");
    for (RegisteredCvar &cvar : mm.cvars_)
        if (std::strcmp(cvar.name, variable->name) == 0) return;  // kept from an earlier load
    RegisteredCvar cvar;
    cvar.copy = new cvar_t();
    cvar.name = CopyString(variable->name);
    cvar.string = CopyString(variable->string);
    cvar.copy->name = cvar.name;
    cvar.copy->string = cvar.string;
    cvar.copy->flags = variable->flags;
    cvar.copy->value = variable->value;
    mm.cvars_.push_back(cvar);
    mm.engine_.engineFuncs()->pfnCVarRegister(cvar.copy);
}

void MetamodSim::AddServerCommandWrapper(char *name, void (*callback)(void)) {
    MetamodSim &mm = Mm();
    if (!name) EngineError("pfnAddServerCommand with a null name");
    for (RegisteredCommand &command : mm.commands_) {
        if (!EqualNoCase(command.name.c_str(), name)) continue;
        command.callback = callback;
        command.enabled = true;
        return;
    }
    mm.commands_.push_back({name, callback, true});
    char *engineName = const_cast<char *>(mm.commands_.back().name.c_str());
    mm.engine_.engineFuncs()->pfnAddServerCommand(engineName, &MetamodSim::CommandDispatcher);
}

void MetamodSim::CommandDispatcher(void) {
    EngineSim *engine = EngineSim::current();
    if (!engine || engine->argv().empty()) return;
    const std::string &name = engine->argv()[0];
    if (g_metamod) {
        // Found regardless of case, as the engine found the dispatcher.
        for (RegisteredCommand &command : g_metamod->commands_) {
            if (!EqualNoCase(command.name.c_str(), name.c_str())) continue;
            if (command.enabled && command.callback) {
                command.callback();
                return;
            }
            break;
        }
    }
    engine->printf("[metamod: command '%s' unavailable; plugin unloaded]\n", name.c_str());
}

// ------------------------------------------------------------ utilities

namespace {
void CheckPlid(MetamodSim &mm, plid_t plid, const char *slot) {
    if (plid != mm.pluginInfo())
        EngineError("%s called with a plid that is not the plugin_info_t from Meta_Query", slot);
}

const char *LogTag(plid_t plid) { return plid->logtag ? plid->logtag : "(null)"; }
}  // namespace

void MetamodSim::LogConsole(plid_t plid, const char *format, ...) {
    MetamodSim &mm = Mm();
    CheckPlid(mm, plid, "pfnLogConsole");
    va_list args;
    va_start(args, format);
    std::string text = FormatLogText(format, args);
    va_end(args);
    mm.engine_.record("mutil.pfnLogConsole", QuoteArg(text.c_str()));
    mm.engine_.print((text + "\n").c_str());
}

void MetamodSim::LogMessage(plid_t plid, const char *format, ...) {
    MetamodSim &mm = Mm();
    CheckPlid(mm, plid, "pfnLogMessage");
    va_list args;
    va_start(args, format);
    std::string text = FormatLogText(format, args);
    va_end(args);
    mm.engine_.record("mutil.pfnLogMessage", QuoteArg(text.c_str()));
    mm.engine_.printf("[%s] %s\n", LogTag(plid), text.c_str());
}

void MetamodSim::LogError(plid_t plid, const char *format, ...) {
    MetamodSim &mm = Mm();
    CheckPlid(mm, plid, "pfnLogError");
    va_list args;
    va_start(args, format);
    std::string text = FormatLogText(format, args);
    va_end(args);
    mm.engine_.record("mutil.pfnLogError", QuoteArg(text.c_str()));
    mm.engine_.printf("[%s] ERROR: %s\n", LogTag(plid), text.c_str());
}

}  // namespace hostsim
