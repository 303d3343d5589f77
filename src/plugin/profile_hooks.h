// The hook tables of a server started with -zeq_kestrin_profile: every call
// into the game library is timed into its family (frame_profile.h).  Without
// the launch option none of this is installed.
#pragma once

#include "sdk/gamedll.h"

// Standalone: the table handed to the engine, made from the game's: the
// plugin's hooks timed as its own work, every other slot the game fills its
// function timed.  Also hands standalone.h the timed game table the plugin's
// hooks pass through to.
void InstallProfiledStandalone(DLL_FUNCTIONS *table);
// Metamod: pre hooks start the clock (after the plugin's own work), post
// hooks stop it.
extern const DLL_FUNCTIONS kProfiledPreHooks;
extern const DLL_FUNCTIONS kProfiledPostHooks;
