// The server event hooks: eleven hooks and three post hooks in the game
// library's function table.  The player presence table they keep is in
// engine/player_presence.h.
#pragma once

#include "sdk/gamedll.h"

// The hook tables, one static positional table each (every slot named).
extern const DLL_FUNCTIONS kPluginHooks;
extern const DLL_FUNCTIONS kPluginPostHooks;
// Writes every non-null slot of hooks into table; no other slot is touched.
void InstallHooks(DLL_FUNCTIONS *table, const DLL_FUNCTIONS &hooks);
