// The engine with the plugin loaded as the game library (standalone mode).
//
// Load order, as the engine does it: GiveFnptrsToDll (the engine's own
// table), GetNewDLLFunctions (version 1), GetEntityAPI2 (version 140) or else
// GetEntityAPI, then Server_GetBlendingInterface once.
#pragma once

#include <string>

#include "engine/engine_sim.h"
#include "games/game_dll.h"

namespace hostsim {

class StandaloneSim : public GameDll {
public:
    explicit StandaloneSim(EngineSim &engine);

    // Loads the game library's tables.  On failure prints what the engine
    // prints, and returns false with the reason.
    bool load(const PluginExports &exports, std::string *error);

    const DLL_FUNCTIONS &functions() const { return functions_; }
    const NEW_DLL_FUNCTIONS &newFunctions() const { return newFunctions_; }

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
    void detach() override {}
    int errorCount() const override { return errors_; }

private:
    EngineSim &engine_;
    PluginExports exports_;
    DLL_FUNCTIONS functions_;
    NEW_DLL_FUNCTIONS newFunctions_;
    int errors_ = 0;
};

}  // namespace hostsim
