// The engine functions the plugin is expected to call: each records its call,
// slows down when --slow-engine chose it, and does what the engine does with
// the EngineSim of the moment.  The engine table points at them.
#pragma once

#include <string>

#include "engine/slow_hook.h"
#include "sdk/abi_checks.h"

namespace hostsim {

// --slow-engine: an engine function the plugin calls made slow on purpose
// (its name as in enginefuncs_t, "pfnCvar_DirectSet").
SlowHook &EngineSlowHook();

std::string EdictArg(const edict_t *entity);  // "edict N", "null" or "bad edict"

namespace engine_calls {

void ServerCommand(char *text);
void CVarRegister(cvar_t *variable);
int EntOffsetOfPEntity(const edict_t *entity);
int IndexOfEdict(const edict_t *entity);
void *GetModelPtr(edict_t *entity);
void ClientPrintf(edict_t *entity, PRINT_TYPE type, const char *text);
void ServerPrint(const char *text);
const char *Cmd_Args(void);
const char *Cmd_Argv(int index);
int Cmd_Argc(void);
byte *LoadFileForMe(char *path, int *length);
void FreeFile(void *buffer);
void GetGameDir(char *out);
int NumberOfEntities(void);
int IsDedicatedServer(void);
cvar_t *CVarGetPointer(const char *name);
void Cvar_DirectSet(struct cvar_s *variable, char *value);
void AddServerCommand(char *name, void (*handler)(void));
int GetFileSize(char *path);
void GetPlayerStats(const edict_t *client, int *ping, int *loss);

}  // namespace engine_calls

}  // namespace hostsim
