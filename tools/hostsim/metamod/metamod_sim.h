// Metamod in front of a tiny built-in game, with the plugin attached the way
// Metamod attaches one at server start.
//
// Load order: Meta_Query must exist; Meta_Init (if exported);
// GiveFnptrsToDll with Metamod's per-plugin copy of the engine table;
// Meta_Query("5:13") and the interface version check; Meta_Attach(PT_STARTUP)
// with a zeroed META_FUNCTIONS; then the plugin's table getters, each with a
// zeroed table: GetNewDLLFunctions(_Post), GetEntityAPI2(_Post), GetEntityAPI
// (_Post) only if neither API2 getter gave a table, GetEngineFunctions(_Post).
//
// In the plugin's copy of the engine table, pfnCVarRegister registers a copy
// of the variable (the plugin's struct is never touched again) and
// pfnAddServerCommand registers the name with the engine pointing at
// Metamod's dispatcher.  Every other slot is the engine's own.
//
// Only one MetamodSim exists at a time; destroy it before its EngineSim.
#pragma once

#include <cstdarg>
#include <set>
#include <string>
#include <vector>

#include "engine/engine_sim.h"
#include "games/game_dll.h"
#include "games/game_tables.h"

namespace hostsim {

class MetamodSim : public GameDll {
public:
    explicit MetamodSim(EngineSim &engine);
    ~MetamodSim() override;
    MetamodSim(const MetamodSim &) = delete;
    MetamodSim &operator=(const MetamodSim &) = delete;

    static MetamodSim *current();

    // A second plugin, listed before or after the plugin in plugins.ini,
    // whose pre or post hook of one function is slow on purpose.
    struct SecondPlugin {
        bool enabled = false;
        bool before = false;  // listed before the plugin
        bool post = false;    // its post hook is the slow one
        SlowHook hook;
    };
    // "before|after:pre|post:HOOK:MS[:EVERY]"
    static bool ParseSecondPlugin(const std::string &text, SecondPlugin *plugin);
    void setSecondPlugin(const SecondPlugin &plugin) { second_ = plugin; }

    // Attaches the plugin.  On refusal returns false with Metamod's reason.
    bool attach(const PluginExports &exports, std::string *error);
    bool attached() const { return attached_; }

    enginefuncs_t *pluginEngineFuncs() { return &pluginEngine_.funcs; }
    mutil_funcs_t *mutil() { return &mutil_; }
    meta_globals_t *metaGlobals() { return &metaGlobals_; }
    const plugin_info_t *pluginInfo() const { return info_; }
    const DLL_FUNCTIONS *hooks() const { return dll_.pre; }
    const DLL_FUNCTIONS *postHooks() const { return dll_.post; }
    const NEW_DLL_FUNCTIONS *newHooks() const { return newDll_.pre; }
    const NEW_DLL_FUNCTIONS *newPostHooks() const { return newDll_.post; }

    // Calls the built-in game received, e.g. "pfnClientConnect(edict 1,
    // "alice", "127.0.0.1:27005", ptr)" (kept while the engine records).
    const std::vector<std::string> &gameCalls() const { return gameCalls_; }
    void clearGameCalls() { gameCalls_.clear(); }

    // GameDll
    void gameInit() override;
    void spawnEntity(edict_t *entity, const char *classname) override;
    qboolean clientConnect(edict_t *entity, const char *name, const char *address, char reject[128]) override;
    void clientPutInServer(edict_t *entity) override;
    void clientDisconnect(edict_t *entity) override;
    void serverActivate(edict_t *edicts, int edictCount, int maxClients) override;
    void serverDeactivate() override;
    void startFrame() override;
    void playerPreThink(edict_t *entity) override;
    void playerPostThink(edict_t *entity) override;
    void think(edict_t *entity) override;
    void gameShutdown() override;
    void detach() override;  // Meta_Detach(PT_ANYTIME, PNL_CMD_FORCED)
    int errorCount() const override { return errors_; }

    // Used by the built-in game and the Metamod wrappers.
    void recordGameCall(const std::string &line);
    void reportError(const std::string &key, const std::string &message);

private:
    template <typename Table>
    struct HookSet {
        Table *pre = nullptr;
        Table *post = nullptr;
        Table *game = nullptr;
    };
    template <typename T>
    struct NoDeduce {
        typedef T type;
    };
    struct RegisteredCvar {
        cvar_t *copy;
        char *name;
        char *string;
    };
    struct RegisteredCommand {
        std::string name;
        void (*callback)(void);
        bool enabled;
    };

    template <typename Table, typename R, typename... A>
    R callHooked(HookSet<Table> &set, R (*Table::*slot)(A...), const char *name,
                 typename NoDeduce<A>::type... args);
    void secondPluginHook(const char *name, bool post, bool before);
    void beforeHook(META_RES status);
    bool afterHook(const char *name, bool post, META_RES *status);
    void getTables();
    void freeTables();

    static MetamodSim *current_;
    static MetamodSim &Mm();  // the current one; an error when there is none
    static mutil_funcs_t UtilityTable();
    static void CVarRegisterWrapper(cvar_t *variable);
    static void AddServerCommandWrapper(char *name, void (*callback)(void));
    static void CommandDispatcher(void);
    static void LogConsole(plid_t plid, const char *format, ...);
    static void LogMessage(plid_t plid, const char *format, ...);
    static void LogError(plid_t plid, const char *format, ...);
    // One log call: the plid checked, the text recorded under the slot's
    // name and printed, after the plugin's tag and `prefix` (none when null).
    static void Log(plid_t plid, const char *slot, const char *prefix, const char *format, va_list args);

    EngineSim &engine_;
    PluginExports exports_;
    EngineTable pluginEngine_;
    mutil_funcs_t mutil_;
    plugin_info_t *info_ = nullptr;
    META_FUNCTIONS metaFunctions_;
    meta_globals_t metaGlobals_;
    DLL_FUNCTIONS game_;
    NEW_DLL_FUNCTIONS gameNew_;
    DLL_FUNCTIONS gameForPlugin_;  // the plugin's copies (gamedll_funcs_t)
    NEW_DLL_FUNCTIONS gameNewForPlugin_;
    gamedll_funcs_t gamedllFuncs_;
    HookSet<DLL_FUNCTIONS> dll_;
    HookSet<NEW_DLL_FUNCTIONS> newDll_;
    enginefuncs_t *engineHooks_ = nullptr;
    enginefuncs_t *engineHooksPost_ = nullptr;
    std::vector<RegisteredCvar> cvars_;
    std::vector<RegisteredCommand> commands_;
    std::vector<std::string> gameCalls_;
    std::set<std::string> reported_;
    int errors_ = 0;
    bool attached_ = false;
    SecondPlugin second_;
};

}  // namespace hostsim
