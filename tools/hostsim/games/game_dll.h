// What the engine talks to: the plugin loaded as the game library
// (StandaloneSim), or Metamod with the plugin attached (MetamodSim).
#pragma once

#include <functional>
#include <string>

#include "sdk/abi_checks.h"

namespace hostsim {

// The plugin's entry points.  From a loaded library (LookupExports), or set
// by hand by a test that links the plugin's code into its own executable.
struct PluginExports {
    GIVEFNPTRSTODLL_FN giveFnptrsToDll = nullptr;
    GETENTITYAPI_FN getEntityAPI = nullptr;
    GETENTITYAPI2_FN getEntityAPI2 = nullptr;
    GETNEWDLLFUNCTIONS_FN getNewDLLFunctions = nullptr;
    SERVER_GETBLENDINGINTERFACE_FN serverGetBlendingInterface = nullptr;
    META_INIT_FN metaInit = nullptr;
    META_QUERY_FN metaQuery = nullptr;
    META_ATTACH_FN metaAttach = nullptr;
    META_DETACH_FN metaDetach = nullptr;
    // Entity class exports, looked up by name (null when missing).
    std::function<ENTITY_FN(const char *)> findEntity;
};

// Resolves the entry points of a library opened with hostos::OpenLibrary.
PluginExports LookupExports(void *library);

// The engine's view of the game library.  Each call runs the plugin's hooks
// and the game's function in the order the host would.
class GameDll {
public:
    virtual ~GameDll() = default;

    virtual void gameInit() = 0;
    // Creates a map entity of this class in the edict: the class export
    // (standalone) and then the game's Spawn.
    virtual void spawnEntity(edict_t *entity, const char *classname) = 0;
    virtual qboolean clientConnect(edict_t *entity, const char *name, const char *address, char reject[128]) = 0;
    virtual void clientPutInServer(edict_t *entity) = 0;
    virtual void clientDisconnect(edict_t *entity) = 0;
    virtual void serverActivate(edict_t *edicts, int edictCount, int maxClients) = 0;
    virtual void serverDeactivate() = 0;
    virtual void startFrame() = 0;
    virtual void playerPreThink(edict_t *entity) = 0;
    virtual void playerPostThink(edict_t *entity) = 0;
    virtual void think(edict_t *entity) = 0;
    virtual void gameShutdown() = 0;
    // Metamod: detaches the plugin (forced).  Standalone: nothing; the
    // library itself is closed by whoever opened it.
    virtual void detach() = 0;

    // Problems the host reported (and went on after): a hook that did not
    // set its result, a class the library does not export, and so on.
    virtual int errorCount() const = 0;
};

}  // namespace hostsim
