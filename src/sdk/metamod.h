// Our declarations of the Metamod plugin interface ("5:13").
#pragma once

#include <cstdarg>

#include "sdk/gamedll.h"

#define META_INTERFACE_VERSION "5:13"

typedef enum { PT_NEVER = 0, PT_STARTUP, PT_CHANGELEVEL, PT_ANYTIME, PT_ANYPAUSE } PLUG_LOADTIME;

typedef enum {
    PNL_NULL = 0,
    PNL_INI_DELETED,
    PNL_FILE_NEWER,
    PNL_COMMAND,
    PNL_CMD_FORCED,
    PNL_DELAYED,
    PNL_PLUGIN,
    PNL_PLG_FORCED,
    PNL_RELOAD,
} PL_UNLOAD_REASON;

typedef enum { MRES_UNSET = 0, MRES_IGNORED, MRES_HANDLED, MRES_OVERRIDE, MRES_SUPERCEDE } META_RES;

typedef struct {
    const char *ifvers;
    const char *name;
    const char *version;
    const char *date;
    const char *author;
    const char *url;
    const char *logtag;
    PLUG_LOADTIME loadable;
    PLUG_LOADTIME unloadable;
} plugin_info_t;
typedef plugin_info_t *plid_t;

typedef struct {
    META_RES mres;
    META_RES prev_mres;
    META_RES status;
    void *orig_ret;
    void *override_ret;
} meta_globals_t;

typedef struct {
    GETENTITYAPI_FN pfnGetEntityAPI;
    GETENTITYAPI_FN pfnGetEntityAPI_Post;
    GETENTITYAPI2_FN pfnGetEntityAPI2;
    GETENTITYAPI2_FN pfnGetEntityAPI2_Post;
    GETNEWDLLFUNCTIONS_FN pfnGetNewDLLFunctions;
    GETNEWDLLFUNCTIONS_FN pfnGetNewDLLFunctions_Post;
    GET_ENGINE_FUNCTIONS_FN pfnGetEngineFunctions;
    GET_ENGINE_FUNCTIONS_FN pfnGetEngineFunctions_Post;
} META_FUNCTIONS;

typedef struct {
    DLL_FUNCTIONS *dllapi_table;
    NEW_DLL_FUNCTIONS *newapi_table;
} gamedll_funcs_t;

typedef struct hudtextparms_s {
    float x, y;
    int effect;
    byte r1, g1, b1, a1;
    byte r2, g2, b2, a2;
    float fadeinTime, fadeoutTime, holdTime, fxTime;
    int channel;
} hudtextparms_t;

typedef enum { GINFO_NAME = 0, GINFO_DESC, GINFO_GAMEDIR, GINFO_DLL_FULLPATH, GINFO_DLL_FILENAME, GINFO_REALDLL_FULLPATH } ginfo_t;

typedef struct meta_util_funcs_s {
    void (*pfnLogConsole)(plid_t, const char *, ...);                                        // 0
    void (*pfnLogMessage)(plid_t, const char *, ...);                                        // 1
    void (*pfnLogError)(plid_t, const char *, ...);                                          // 2
    void (*pfnLogDeveloper)(plid_t, const char *, ...);                                      // 3
    void (*pfnCenterSay)(plid_t, const char *, ...);                                         // 4
    void (*pfnCenterSayParms)(plid_t, hudtextparms_t, const char *, ...);                    // 5
    void (*pfnCenterSayVarargs)(plid_t, hudtextparms_t, const char *, va_list);              // 6
    qboolean (*pfnCallGameEntity)(plid_t, const char *, entvars_t *);                        // 7
    int (*pfnGetUserMsgID)(plid_t, const char *, int *);                                     // 8
    const char *(*pfnGetUserMsgName)(plid_t, int, int *);                                    // 9
    const char *(*pfnGetPluginPath)(plid_t);                                                 // 10
    const char *(*pfnGetGameInfo)(plid_t, ginfo_t);                                          // 11
    int (*pfnLoadPlugin)(plid_t, const char *, PLUG_LOADTIME, void **);                      // 12
    int (*pfnUnloadPlugin)(plid_t, const char *, PLUG_LOADTIME, PL_UNLOAD_REASON);           // 13
    int (*pfnUnloadPluginByHandle)(plid_t, void *, PLUG_LOADTIME, PL_UNLOAD_REASON);         // 14
    const char *(*pfnIsQueryingClientCvar)(plid_t, const edict_t *);                         // 15
    int (*pfnMakeRequestID)(plid_t);                                                         // 16
    void (*pfnGetHookTables)(plid_t, enginefuncs_t **, DLL_FUNCTIONS **, NEW_DLL_FUNCTIONS **); // 17
} mutil_funcs_t;

typedef void (*META_INIT_FN)(void);
typedef int (*META_QUERY_FN)(char *, plugin_info_t **, mutil_funcs_t *);
typedef int (*META_ATTACH_FN)(PLUG_LOADTIME, META_FUNCTIONS *, meta_globals_t *, gamedll_funcs_t *);
typedef int (*META_DETACH_FN)(PLUG_LOADTIME, PL_UNLOAD_REASON);
