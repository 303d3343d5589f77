// The stub game library: it stands for the Counter-Strike game library behind
// a plugin in standalone mode.  It exports what the engine looks up in a game
// library, and every call into it prints "[game] NAME(args)" on stdout.
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "games/game_tables.h"

namespace {

enginefuncs_t g_engine;
bool g_haveEngine = false;

void Say(const std::string &line) { std::printf("[game] %s\n", line.c_str()); }

struct StubPolicy {
    static std::string edict(const edict_t *entity) {
        if (!entity) return "null";
        if (!g_haveEngine || !g_engine.pfnIndexOfEdict) return "edict";
        return "edict " + std::to_string(g_engine.pfnIndexOfEdict(entity));
    }
    static void log(const std::string &line) { Say(line); }
};

const DLL_FUNCTIONS g_functions = hostsim::MakeGameTable<StubPolicy>();
const NEW_DLL_FUNCTIONS g_newFunctions = hostsim::MakeNewGameTable<StubPolicy>();

}  // namespace

ZK_EXPORT void ZK_STDCALL GiveFnptrsToDll(enginefuncs_t *engine, globalvars_t *globals) {
    // A game built against the classic interface copies 157 entries.
    if (engine) {
        std::memcpy(&g_engine, engine, kEngineFuncsClassicBytes);
        g_haveEngine = true;
    }
    // hostsim --slow-game HOOK:MS:EVERY
    if (const char *slow = std::getenv("HOSTSIM_SLOW_GAME")) hostsim::ParseSlowHook(slow, &hostsim::GameSlowHook());
    Say(std::string("GiveFnptrsToDll(") + (engine ? "engine" : "null") + ", " + (globals ? "globals" : "null") + ")");
}

ZK_EXPORT int GetEntityAPI(DLL_FUNCTIONS *table, int version) {
    Say("GetEntityAPI(" + std::to_string(version) + ")");
    if (!table || version != INTERFACE_VERSION) return 0;
    std::memcpy(table, &g_functions, sizeof(DLL_FUNCTIONS));
    return 1;
}

ZK_EXPORT int GetNewDLLFunctions(NEW_DLL_FUNCTIONS *table, int *version) {
    Say("GetNewDLLFunctions(" + (version ? std::to_string(*version) : std::string("null")) + ")");
    if (!table || !version) return 0;
    if (*version != NEW_DLL_FUNCTIONS_VERSION) {
        *version = NEW_DLL_FUNCTIONS_VERSION;
        return 0;
    }
    std::memcpy(table, &g_newFunctions, sizeof(NEW_DLL_FUNCTIONS));
    return 1;
}

ZK_EXPORT int Server_GetBlendingInterface(int version, struct sv_blending_interface_s **, struct server_studio_api_s *,
                                          float (*)[3][4], float (*)[128][3][4]) {
    Say("Server_GetBlendingInterface(" + std::to_string(version) + ")");
    return 0;  // the engine blends by itself
}

#define HOSTSIM_ENTITY(name) \
    ZK_EXPORT void name(entvars_t *) { Say(#name); }
#ifdef HOSTSIM_CLASSIC_GAME
#define HOSTSIM_REGAME_ENTITY(name)
#else
#define HOSTSIM_REGAME_ENTITY(name) HOSTSIM_ENTITY(name)
#endif
#include "games/stub_game_entities.inc"
#undef HOSTSIM_REGAME_ENTITY
#undef HOSTSIM_ENTITY
