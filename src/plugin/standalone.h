// Standalone mode: the plugin stands in the game library's place, loads the
// real game library itself and passes the engine's calls through to it.
#pragma once

#include "engine/known_mods.h"
#include "sdk/metamod.h"

// Loads the game library for the mod and hands it the engine table.
void LoadGameLibrary(const KnownMod &mod, enginefuncs_t *pengfuncs, globalvars_t *pGlobals);
void FreeGameLibrary();

// The game library's entry points (null when absent).
GETENTITYAPI_FN GameGetEntityAPI();
GETNEWDLLFUNCTIONS_FN GameGetNewDLLFunctions();
SERVER_GETBLENDINGINTERFACE_FN GameGetBlendingInterface();
void *GameEntityExport(const char *szName);

// The private copy of the game's DLL_FUNCTIONS and the pair that points at it.
DLL_FUNCTIONS *GameDllFunctions();
gamedll_funcs_t *GameDllPair();

// The game library's table, which the hooks call after their own work in
// standalone mode (null under Metamod); with the profile's hooks installed,
// the timed game table that their installation hands over.
const DLL_FUNCTIONS *PassThroughTable();
void SetTimedPassThrough(const DLL_FUNCTIONS *table);
