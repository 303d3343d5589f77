#include "engine/plugin_state.h"

enginefuncs_t g_engfuncs;
globalvars_t *gpGlobals = nullptr;

mutil_funcs_t *gpMetaUtilFuncs = nullptr;
meta_globals_t *gpMetaGlobals = nullptr;
gamedll_funcs_t *gpGamedllFuncs = nullptr;

plugin_info_t Plugin_info = {
    META_INTERFACE_VERSION,  // ifvers
    ZK_PRODUCT_NAME,         // name
    ZK_VERSION,              // version
    __DATE__,                // date
    ZK_AUTHOR,               // author
    ZK_WEBSITE,              // url
    ZK_LOGTAG,               // logtag
    PT_STARTUP,              // loadable
    PT_NEVER,                // unloadable
};

bool loadedByMetamod = false;
platform::TimerCaps g_timerCaps = {0, 0};
int gameVersion = 0;
int32_t ticrateTarget = 100;
bool cpuLoadReadable = true;
