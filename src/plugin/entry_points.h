// The library's exported entry points and the attach work they share.
#pragma once

#include "engine/plugin_state.h"

ZK_EXPORT ZK_HOST_CALLED void ZK_STDCALL GiveFnptrsToDll(enginefuncs_t *pengfuncsFromEngine, globalvars_t *pGlobals);
ZK_EXPORT ZK_HOST_CALLED int GetEntityAPI2(DLL_FUNCTIONS *pFunctionTable, int *interfaceVersion);
ZK_EXPORT ZK_HOST_CALLED int GetEntityAPI2_Post(DLL_FUNCTIONS *pFunctionTable, int *interfaceVersion);
ZK_EXPORT ZK_HOST_CALLED int GetNewDLLFunctions(NEW_DLL_FUNCTIONS *pFunctionTable, int *interfaceVersion);
ZK_EXPORT ZK_HOST_CALLED int Server_GetBlendingInterface(int version, struct sv_blending_interface_s **ppinterface,
                                                         struct server_studio_api_s *pstudio,
                                                         float (*rotationmatrix)[3][4],
                                                         float (*bonetransform)[128][3][4]);
ZK_EXPORT ZK_HOST_CALLED void Meta_Init(void);
ZK_EXPORT ZK_HOST_CALLED int Meta_Query(char *ifvers, plugin_info_t **pPlugInfo, mutil_funcs_t *pMetaUtilFuncs);
ZK_EXPORT ZK_HOST_CALLED int Meta_Attach(PLUG_LOADTIME now, META_FUNCTIONS *pFunctionTable,
                                         meta_globals_t *pMGlobals, gamedll_funcs_t *pGamedllFuncs);
ZK_EXPORT ZK_HOST_CALLED int Meta_Detach(PLUG_LOADTIME now, PL_UNLOAD_REASON reason);

// Takes the timer period (the greater of 3 ms and the device minimum).
void TakeTimerPeriod();
// Gives the held timer period back.
void GiveBackTimerPeriod();
// Called when the library is unloaded.
void OnLibraryUnload();
