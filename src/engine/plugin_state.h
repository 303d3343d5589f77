// Process-wide state of the plugin frame: the engine's function table and
// globals, Metamod's tables, the mode, the timer period and the game version.
#pragma once

#include "platform/platform.h"
#include "sdk/abi_checks.h"
#include "sdk/metamod.h"

extern enginefuncs_t g_engfuncs;
extern globalvars_t *gpGlobals;

extern mutil_funcs_t *gpMetaUtilFuncs;
extern meta_globals_t *gpMetaGlobals;
extern gamedll_funcs_t *gpGamedllFuncs;
extern plugin_info_t Plugin_info;

// Set by Meta_Init; false means standalone mode.
extern bool loadedByMetamod;

// The multimedia timer capabilities; wPeriodMin also holds the period we
// currently hold (timerPeriod).
extern platform::TimerCaps g_timerCaps;
inline uint32_t &TimerPeriod() { return g_timerCaps.wPeriodMin; }

// The frame rate the governor steers sys_ticrate toward; the main variables'
// registration resets it to 100, the governor moves it.
extern int32_t ticrateTarget;

// False from a map start whose processor-load monitor could not be opened to
// the next map start: spike regulation has no load figure on this map.
extern bool cpuLoadReadable;

// 1 Counter-Strike 1.6 (Steam), 2 Condition Zero (Steam), 3 Counter-Strike 1.x (WON).
extern int gameVersion;

// Writes the Metamod result of a hook (Metamod mode only).
inline void SetMetaResult(META_RES result) {
    if (loadedByMetamod && gpMetaGlobals != nullptr) gpMetaGlobals->mres = result;
}

#define ZK_PRODUCT_NAME "ZEQ Kes-Trin"
#define ZK_VERSION "1.70"
#define ZK_AUTHOR "ZEQ Dev Team"
#define ZK_WEBSITE "www.kestrin.example.org"
#define ZK_LOGTAG "ZEQ Kes-Trin"
