// The engine loading the plugin as its game library (standalone mode), and
// calling the game's functions as the engine does.
#include "games/standalone_sim.h"

#include <cstring>

namespace hostsim {

namespace {

// Studio callbacks the engine offers Server_GetBlendingInterface.  A game
// that uses them has no business here, so each one fails loudly.
[[noreturn]] void UnexpectedStudioCall(const char *name) {
    EngineError("unexpected studio interface call %s", name);
}
void *StudioMemCalloc(int, std::size_t) { UnexpectedStudioCall("Mem_Calloc"); }
void *StudioCacheCheck(void *) { UnexpectedStudioCall("Cache_Check"); }
void StudioLoadCacheFile(char *, void *) { UnexpectedStudioCall("LoadCacheFile"); }
void *StudioModExtradata(void *) { UnexpectedStudioCall("Mod_Extradata"); }

struct StudioApi {
    void *(*memCalloc)(int, std::size_t);
    void *(*cacheCheck)(void *);
    void (*loadCacheFile)(char *, void *);
    void *(*modExtradata)(void *);
};

}  // namespace

StandaloneSim::StandaloneSim(EngineSim &engine) : engine_(engine) {
    std::memset(&functions_, 0, sizeof functions_);
    std::memset(&newFunctions_, 0, sizeof newFunctions_);
}

bool StandaloneSim::load(const PluginExports &exports, std::string *error) {
    std::string ignored;
    std::string &reason = error ? *error : ignored;
    exports_ = exports;
    if (!exports_.giveFnptrsToDll) {
        reason = "Couldn't get GiveFnptrsToDll from the game library";
        return false;
    }
    exports_.giveFnptrsToDll(engine_.engineFuncs(), engine_.globals());

    if (exports_.getNewDLLFunctions) {
        int version = NEW_DLL_FUNCTIONS_VERSION;
        if (!exports_.getNewDLLFunctions(&newFunctions_, &version)) std::memset(&newFunctions_, 0, sizeof newFunctions_);
    }

    if (exports_.getEntityAPI2) {
        int version = INTERFACE_VERSION;
        if (!exports_.getEntityAPI2(&functions_, &version)) {
            engine_.printf("==================\nGame DLL version mismatch\nDLL version is %i, engine version is %i\n",
                           version, INTERFACE_VERSION);
            if (version <= INTERFACE_VERSION)
                engine_.printf("The game DLL for %s appears to be outdated, check for updates\n",
                               engine_.options().gameName.c_str());
            else
                engine_.print("Engine appears to be outdated, check for updates\n");
            engine_.print("==================\n");
            reason = "Game DLL version mismatch";
            return false;
        }
    } else if (exports_.getEntityAPI) {
        if (!exports_.getEntityAPI(&functions_, INTERFACE_VERSION)) {
            engine_.printf("==================\nGame DLL version mismatch\nThe game DLL for %s appears to be "
                           "outdated, check for updates\n==================\n",
                           engine_.options().gameName.c_str());
            reason = "Game DLL version mismatch";
            return false;
        }
    } else {
        reason = "Couldn't get DLL API from the game library";
        return false;
    }

    if (exports_.serverGetBlendingInterface) {
        static StudioApi studio = {&StudioMemCalloc, &StudioCacheCheck, &StudioLoadCacheFile, &StudioModExtradata};
        static float rotation[3][4];
        static float bones[128][3][4];
        struct sv_blending_interface_s *blending = nullptr;
        exports_.serverGetBlendingInterface(1, &blending, reinterpret_cast<struct server_studio_api_s *>(&studio),
                                            &rotation, &bones);
    }
    return true;
}

void StandaloneSim::gameInit() {
    if (functions_.pfnGameInit) functions_.pfnGameInit();
    // The engine asks for the game's description (the server browser's game
    // name) without checking the entry: a table that lost it would crash it.
    if (!functions_.pfnGetGameDescription) {
        engine_.printf("hostsim: unexpected: the game table has no pfnGetGameDescription\n");
        ++errors_;
    } else {
        functions_.pfnGetGameDescription();
    }
}

void StandaloneSim::spawnEntity(edict_t *entity, const char *classname) {
    ENTITY_FN create = exports_.findEntity ? exports_.findEntity(classname) : nullptr;
    if (!create) {
        engine_.printf("Can't init %s\n", classname);
        ++errors_;
        engine_.freeEntity(entity);
        return;
    }
    create(&entity->v);
    if (functions_.pfnSpawn && functions_.pfnSpawn(entity) < 0) engine_.freeEntity(entity);
}

qboolean StandaloneSim::clientConnect(edict_t *entity, const char *name, const char *address, char reject[128]) {
    return functions_.pfnClientConnect ? functions_.pfnClientConnect(entity, name, address, reject) : 1;
}

void StandaloneSim::clientPutInServer(edict_t *entity) {
    if (functions_.pfnClientPutInServer) functions_.pfnClientPutInServer(entity);
}

void StandaloneSim::clientDisconnect(edict_t *entity) {
    if (functions_.pfnClientDisconnect) functions_.pfnClientDisconnect(entity);
}

void StandaloneSim::serverActivate(edict_t *edicts, int edictCount, int maxClients) {
    if (functions_.pfnServerActivate) functions_.pfnServerActivate(edicts, edictCount, maxClients);
}

void StandaloneSim::serverDeactivate() {
    if (functions_.pfnServerDeactivate) functions_.pfnServerDeactivate();
}

void StandaloneSim::startFrame() {
    if (functions_.pfnStartFrame) functions_.pfnStartFrame();
}

void StandaloneSim::playerPreThink(edict_t *entity) {
    if (functions_.pfnPlayerPreThink) functions_.pfnPlayerPreThink(entity);
}

void StandaloneSim::playerPostThink(edict_t *entity) {
    if (functions_.pfnPlayerPostThink) functions_.pfnPlayerPostThink(entity);
}

void StandaloneSim::think(edict_t *entity) {
    if (functions_.pfnThink) functions_.pfnThink(entity);
}

void StandaloneSim::gameShutdown() {
    if (newFunctions_.pfnGameShutdown) newFunctions_.pfnGameShutdown();
}

}  // namespace hostsim
