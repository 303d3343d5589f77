// The server event hooks: eleven hooks and three post hooks in the game
// library's function table, and the player presence table they keep.
#pragma once

#include "sdk/gamedll.h"

// The hook tables, one static positional table each (every slot named).
extern const DLL_FUNCTIONS kPluginHooks;
extern const DLL_FUNCTIONS kPluginPostHooks;
// Writes every non-null slot of hooks into table; no other slot is touched.
void InstallHooks(DLL_FUNCTIONS *table, const DLL_FUNCTIONS &hooks);

// Player presence: 33 slots by player index, 1 to 32 used.
constexpr int kPresenceSlots = 33;
extern int g_presence[kPresenceSlots];
void ClearPresence();
void SetPresence(const edict_t *pEntity, int present);
int CountPresentPlayers();
