#include "engine/engine_calls.h"

#include <cstdio>

#include "engine/engine_sim.h"
#include "engine/engine_text.h"

namespace hostsim {

SlowHook &EngineSlowHook() {
    static SlowHook hook;
    return hook;
}

std::string EdictArg(const edict_t *entity) {
    if (!entity) return "null";
    int index = EngineSim::current() ? EngineSim::current()->indexOf(entity) : -1;
    return index < 0 ? std::string("bad edict") : "edict " + std::to_string(index);
}

namespace engine_calls {

namespace {

EngineSim &Sim() {
    EngineSim *sim = EngineSim::current();
    if (!sim) EngineError("engine call without an engine");
    return *sim;
}

}  // namespace

#define RECORD(slot, args)                                  \
    do {                                                    \
        SlowDownIfChosen(EngineSlowHook(), slot);           \
        if (sim.recording()) sim.record(slot, (args));      \
    } while (0)

void ServerCommand(char *text) {
    EngineSim &sim = Sim();
    RECORD("pfnServerCommand", QuoteArg(text));
    if (!text) EngineError("pfnServerCommand with a null string");
    sim.serverCommand(text);
}

void CVarRegister(cvar_t *variable) {
    EngineSim &sim = Sim();
    RECORD("pfnCVarRegister", variable ? QuoteArg(variable->name) : std::string("null"));
    if (!variable) EngineError("pfnCVarRegister with a null variable");
    variable->flags |= FCVAR_EXTDLL;  // the engine marks what the game library registers
    sim.registerCvar(variable);
}

int EntOffsetOfPEntity(const edict_t *entity) {
    EngineSim &sim = Sim();
    RECORD("pfnEntOffsetOfPEntity", EdictArg(entity));
    int index = sim.indexOf(entity);
    if (index < 0) EngineError("pfnEntOffsetOfPEntity with a pointer that is not an edict");
    return index * static_cast<int>(sizeof(edict_t));
}

int IndexOfEdict(const edict_t *entity) {
    EngineSim &sim = Sim();
    RECORD("pfnIndexOfEdict", EdictArg(entity));
    if (!entity) return 0;
    int index = sim.indexOf(entity);
    if (index < 0) EngineError("IndexOfEdict: bad entity");
    return index;
}

void *GetModelPtr(edict_t *entity) {
    EngineSim &sim = Sim();
    RECORD("pfnGetModelPtr", EdictArg(entity));
    // No model is ever loaded here, so there is no model data to return.
    if (entity && sim.indexOf(entity) < 0) EngineError("pfnGetModelPtr with a pointer that is not an edict");
    return nullptr;
}

void ClientPrintf(edict_t *entity, PRINT_TYPE type, const char *text) {
    EngineSim &sim = Sim();
    RECORD("pfnClientPrintf", EdictArg(entity) + ", " + std::to_string(static_cast<int>(type)) + ", " +
                                  QuoteArg(text));
    int index = sim.indexOf(entity);
    if (index < 0) EngineError("NUM_FOR_EDICT: bad pointer (pfnClientPrintf)");
    if (index < 1 || index > sim.globals()->maxClients) {
        sim.print("tried to sprint to a non-client\n");
        return;
    }
    if (text) sim.clientPrint(index, text);
}

void ServerPrint(const char *text) {
    EngineSim &sim = Sim();
    RECORD("pfnServerPrint", QuoteArg(text));
    if (text) sim.print(text);
}

const char *Cmd_Args(void) {
    EngineSim &sim = Sim();
    RECORD("pfnCmd_Args", std::string());
    return sim.args().c_str();
}

const char *Cmd_Argv(int index) {
    EngineSim &sim = Sim();
    RECORD("pfnCmd_Argv", std::to_string(index));
    if (index < 0 || static_cast<std::size_t>(index) >= sim.argv().size()) return "";
    return sim.argv()[static_cast<std::size_t>(index)].c_str();
}

int Cmd_Argc(void) {
    EngineSim &sim = Sim();
    RECORD("pfnCmd_Argc", std::string());
    return static_cast<int>(sim.argv().size());
}

byte *LoadFileForMe(char *path, int *length) {
    EngineSim &sim = Sim();
    RECORD("pfnLoadFileForMe", QuoteArg(path));
    return sim.loadFile(path, length);
}

void FreeFile(void *buffer) {
    EngineSim &sim = Sim();
    RECORD("pfnFreeFile", buffer ? std::string("buffer") : std::string("null"));
    sim.freeFile(buffer);
}

void GetGameDir(char *out) {
    EngineSim &sim = Sim();
    RECORD("pfnGetGameDir", std::string());
    if (!out) EngineError("pfnGetGameDir with a null buffer");
    sim.writeGameDir(out);
}

int NumberOfEntities(void) {
    EngineSim &sim = Sim();
    RECORD("pfnNumberOfEntities", std::string());
    return sim.usedEntityCount();
}

int IsDedicatedServer(void) {
    EngineSim &sim = Sim();
    RECORD("pfnIsDedicatedServer", std::string());
    return sim.options().dedicated ? 1 : 0;
}

cvar_t *CVarGetPointer(const char *name) {
    EngineSim &sim = Sim();
    RECORD("pfnCVarGetPointer", QuoteArg(name));
    return name ? sim.findCvar(name) : nullptr;
}

void Cvar_DirectSet(struct cvar_s *variable, char *value) {
    EngineSim &sim = Sim();
    RECORD("pfnCvar_DirectSet",
           (variable && variable->name ? QuoteArg(variable->name) : std::string("null")) + ", " + QuoteArg(value));
    if (!variable || !value) {
        std::fprintf(stderr, "hostsim: pfnCvar_DirectSet with a null %s ignored\n", variable ? "value" : "variable");
        return;
    }
    sim.setCvar(variable, value);
}

void AddServerCommand(char *name, void (*handler)(void)) {
    EngineSim &sim = Sim();
    RECORD("pfnAddServerCommand", QuoteArg(name));
    if (!name) EngineError("pfnAddServerCommand with a null name");
    sim.addServerCommand(name, handler);
}

int GetFileSize(char *path) {
    EngineSim &sim = Sim();
    RECORD("pfnGetFileSize", QuoteArg(path));
    return sim.fileSize(path);
}

void GetPlayerStats(const edict_t *client, int *ping, int *loss) {
    EngineSim &sim = Sim();
    RECORD("pfnGetPlayerStats", EdictArg(client));
    const int index = sim.indexOf(client);
    if (index < 1 || index > sim.globals()->maxClients) EngineError("pfnGetPlayerStats with an entity that is no client");
    int p = 0, l = 0;
    sim.playerStats(index, &p, &l);
    if (ping) *ping = p;
    if (loss) *loss = l;
}

#undef RECORD

}  // namespace engine_calls

}  // namespace hostsim
