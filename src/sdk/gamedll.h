// Our declarations of the game library's tables: DLL_FUNCTIONS (interface
// version 140, 50 slots) and NEW_DLL_FUNCTIONS (5 slots), and the entry points
// the engine looks up in a game library.
#pragma once

#include "sdk/engine.h"

constexpr int INTERFACE_VERSION = 140;
constexpr int NEW_DLL_FUNCTIONS_VERSION = 1;

struct KeyValueData;
struct SAVERESTOREDATA;
struct TYPEDESCRIPTION;
struct customization_t;
struct playermove_s;
struct clientdata_s;
struct weapon_data_s;
struct usercmd_s;
struct netadr_s;

typedef struct {
    void (*pfnGameInit)(void);                                                      // 0
    int (*pfnSpawn)(edict_t *);                                                     // 1
    void (*pfnThink)(edict_t *);                                                    // 2
    void (*pfnUse)(edict_t *, edict_t *);                                           // 3
    void (*pfnTouch)(edict_t *, edict_t *);                                         // 4
    void (*pfnBlocked)(edict_t *, edict_t *);                                       // 5
    void (*pfnKeyValue)(edict_t *, KeyValueData *);                                 // 6
    void (*pfnSave)(edict_t *, SAVERESTOREDATA *);                                  // 7
    int (*pfnRestore)(edict_t *, SAVERESTOREDATA *, int);                           // 8
    void (*pfnSetAbsBox)(edict_t *);                                                // 9
    void (*pfnSaveWriteFields)(SAVERESTOREDATA *, const char *, void *, TYPEDESCRIPTION *, int); // 10
    void (*pfnSaveReadFields)(SAVERESTOREDATA *, const char *, void *, TYPEDESCRIPTION *, int);  // 11
    void (*pfnSaveGlobalState)(SAVERESTOREDATA *);                                  // 12
    void (*pfnRestoreGlobalState)(SAVERESTOREDATA *);                               // 13
    void (*pfnResetGlobalState)(void);                                              // 14
    qboolean (*pfnClientConnect)(edict_t *, const char *, const char *, char *);    // 15
    void (*pfnClientDisconnect)(edict_t *);                                         // 16
    void (*pfnClientKill)(edict_t *);                                               // 17
    void (*pfnClientPutInServer)(edict_t *);                                        // 18
    void (*pfnClientCommand)(edict_t *);                                            // 19
    void (*pfnClientUserInfoChanged)(edict_t *, char *);                            // 20
    void (*pfnServerActivate)(edict_t *, int, int);                                 // 21
    void (*pfnServerDeactivate)(void);                                              // 22
    void (*pfnPlayerPreThink)(edict_t *);                                           // 23
    void (*pfnPlayerPostThink)(edict_t *);                                          // 24
    void (*pfnStartFrame)(void);                                                    // 25
    void (*pfnParmsNewLevel)(void);                                                 // 26
    void (*pfnParmsChangeLevel)(void);                                              // 27
    const char *(*pfnGetGameDescription)(void);                                     // 28
    void (*pfnPlayerCustomization)(edict_t *, customization_t *);                   // 29
    void (*pfnSpectatorConnect)(edict_t *);                                         // 30
    void (*pfnSpectatorDisconnect)(edict_t *);                                      // 31
    void (*pfnSpectatorThink)(edict_t *);                                           // 32
    void (*pfnSys_Error)(const char *);                                             // 33
    void (*pfnPM_Move)(struct playermove_s *, qboolean);                            // 34
    void (*pfnPM_Init)(struct playermove_s *);                                      // 35
    char (*pfnPM_FindTextureType)(char *);                                          // 36
    void (*pfnSetupVisibility)(edict_t *, edict_t *, unsigned char **, unsigned char **); // 37
    void (*pfnUpdateClientData)(const edict_t *, int, struct clientdata_s *);       // 38
    int (*pfnAddToFullPack)(struct entity_state_s *, int, edict_t *, edict_t *, int, int, unsigned char *); // 39
    void (*pfnCreateBaseline)(int, int, struct entity_state_s *, edict_t *, int, float *, float *); // 40
    void (*pfnRegisterEncoders)(void);                                              // 41
    int (*pfnGetWeaponData)(edict_t *, struct weapon_data_s *);                     // 42
    void (*pfnCmdStart)(const edict_t *, const struct usercmd_s *, unsigned int);   // 43
    void (*pfnCmdEnd)(const edict_t *);                                             // 44
    int (*pfnConnectionlessPacket)(const struct netadr_s *, const char *, char *, int *); // 45
    int (*pfnGetHullBounds)(int, float *, float *);                                 // 46
    void (*pfnCreateInstancedBaselines)(void);                                      // 47
    int (*pfnInconsistentFile)(const edict_t *, const char *, char *);              // 48
    int (*pfnAllowLagCompensation)(void);                                           // 49
} DLL_FUNCTIONS;

typedef struct {
    void (*pfnOnFreeEntPrivateData)(edict_t *);                                     // 0
    void (*pfnGameShutdown)(void);                                                  // 1
    int (*pfnShouldCollide)(edict_t *, edict_t *);                                  // 2
    void (*pfnCvarValue)(const edict_t *, const char *);                            // 3
    void (*pfnCvarValue2)(const edict_t *, int, const char *, const char *);        // 4
} NEW_DLL_FUNCTIONS;

constexpr std::size_t kDllFunctionsSlots = 50;

// Entry points of a game library, as the engine (and our standalone mode)
// look them up by name.
typedef void(ZK_STDCALL *GIVEFNPTRSTODLL_FN)(enginefuncs_t *, globalvars_t *);
typedef int (*GETENTITYAPI_FN)(DLL_FUNCTIONS *, int);
typedef int (*GETENTITYAPI2_FN)(DLL_FUNCTIONS *, int *);
typedef int (*GETNEWDLLFUNCTIONS_FN)(NEW_DLL_FUNCTIONS *, int *);
typedef int (*GET_ENGINE_FUNCTIONS_FN)(enginefuncs_t *, int *);
typedef int (*SERVER_GETBLENDINGINTERFACE_FN)(int, struct sv_blending_interface_s **,
                                              struct server_studio_api_s *,
                                              float (*)[3][4], float (*)[128][3][4]);
typedef void (*ENTITY_FN)(entvars_t *);
