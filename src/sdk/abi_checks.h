// Compile-time checks of our host-interface declarations against the sizes and
// offsets of the real binaries.  Included by every translation unit that talks
// to the host, so a wrong declaration never builds.
#pragma once

#include <cstddef>

#include "sdk/metamod.h"

#define ZK_FUNC_INDEX(type, member) (offsetof(type, member) / sizeof(void *))

// Engine table: 158 entries, and the indices of the 17 that we call.
static_assert(sizeof(enginefuncs_t) == 158 * sizeof(void *), "enginefuncs_t entry count");
static_assert(ZK_FUNC_INDEX(enginefuncs_t, pfnServerCommand) == 39, "pfnServerCommand");
static_assert(ZK_FUNC_INDEX(enginefuncs_t, pfnCVarRegister) == 56, "pfnCVarRegister");
static_assert(ZK_FUNC_INDEX(enginefuncs_t, pfnEntOffsetOfPEntity) == 70, "pfnEntOffsetOfPEntity");
static_assert(ZK_FUNC_INDEX(enginefuncs_t, pfnIndexOfEdict) == 71, "pfnIndexOfEdict");
static_assert(ZK_FUNC_INDEX(enginefuncs_t, pfnGetModelPtr) == 74, "pfnGetModelPtr");
static_assert(ZK_FUNC_INDEX(enginefuncs_t, pfnClientPrintf) == 80, "pfnClientPrintf");
static_assert(ZK_FUNC_INDEX(enginefuncs_t, pfnServerPrint) == 81, "pfnServerPrint");
static_assert(ZK_FUNC_INDEX(enginefuncs_t, pfnCmd_Argv) == 83, "pfnCmd_Argv");
static_assert(ZK_FUNC_INDEX(enginefuncs_t, pfnLoadFileForMe) == 95, "pfnLoadFileForMe");
static_assert(ZK_FUNC_INDEX(enginefuncs_t, pfnFreeFile) == 96, "pfnFreeFile");
static_assert(ZK_FUNC_INDEX(enginefuncs_t, pfnGetGameDir) == 99, "pfnGetGameDir");
static_assert(ZK_FUNC_INDEX(enginefuncs_t, pfnNumberOfEntities) == 105, "pfnNumberOfEntities");
static_assert(ZK_FUNC_INDEX(enginefuncs_t, pfnIsDedicatedServer) == 115, "pfnIsDedicatedServer");
static_assert(ZK_FUNC_INDEX(enginefuncs_t, pfnCVarGetPointer) == 116, "pfnCVarGetPointer");
static_assert(ZK_FUNC_INDEX(enginefuncs_t, pfnCvar_DirectSet) == 137, "pfnCvar_DirectSet");
static_assert(ZK_FUNC_INDEX(enginefuncs_t, pfnAddServerCommand) == 140, "pfnAddServerCommand");
static_assert(ZK_FUNC_INDEX(enginefuncs_t, pfnGetPlayerAuthId) == 143, "pfnGetPlayerAuthId");
static_assert(ZK_FUNC_INDEX(enginefuncs_t, pfnGetFileSize) == 146, "pfnGetFileSize");
static_assert(ZK_FUNC_INDEX(enginefuncs_t, pfnQueryClientCvarValue2) == 156, "pfnQueryClientCvarValue2");
static_assert(ZK_FUNC_INDEX(enginefuncs_t, pfnEngCheckParm) == 157, "pfnEngCheckParm");

// Game library tables.
static_assert(sizeof(DLL_FUNCTIONS) == 50 * sizeof(void *), "DLL_FUNCTIONS has 50 slots");
static_assert(ZK_FUNC_INDEX(DLL_FUNCTIONS, pfnClientConnect) == 15, "pfnClientConnect");
static_assert(ZK_FUNC_INDEX(DLL_FUNCTIONS, pfnServerActivate) == 21, "pfnServerActivate");
static_assert(ZK_FUNC_INDEX(DLL_FUNCTIONS, pfnStartFrame) == 25, "pfnStartFrame");
static_assert(ZK_FUNC_INDEX(DLL_FUNCTIONS, pfnAllowLagCompensation) == 49, "pfnAllowLagCompensation");
static_assert(sizeof(NEW_DLL_FUNCTIONS) == 5 * sizeof(void *), "NEW_DLL_FUNCTIONS has 5 slots");

// Metamod.
static_assert(sizeof(META_FUNCTIONS) == 8 * sizeof(void *), "META_FUNCTIONS has 8 slots");
static_assert(sizeof(mutil_funcs_t) == 18 * sizeof(void *), "mutil_funcs_t has 18 slots");
static_assert(sizeof(gamedll_funcs_t) == 2 * sizeof(void *), "gamedll_funcs_t");
static_assert(sizeof(PLUG_LOADTIME) == 4 && sizeof(META_RES) == 4, "enums are int-sized");
static_assert(sizeof(hudtextparms_t) == 40, "hudtextparms_t");
static_assert(offsetof(hudtextparms_t, fadeinTime) == 20, "hudtextparms_t.fadeinTime");

// Entities and globals: the two fields we touch, and the sizes.
static_assert(offsetof(entvars_t, rendermode) == 328, "entvars_t.rendermode");

#if ZK_ABI_32
static_assert(sizeof(void *) == 4, "32-bit build");
static_assert(sizeof(enginefuncs_t) == 632, "enginefuncs_t is 632 bytes");
static_assert(kEngineFuncsClassicBytes == 628, "classic engine table is 628 bytes");
static_assert(sizeof(DLL_FUNCTIONS) == 200, "DLL_FUNCTIONS is 200 bytes");
static_assert(offsetof(entvars_t, flags) == 420, "entvars_t.flags");
static_assert(sizeof(entvars_t) == 676, "entvars_t size");
static_assert(offsetof(edict_t, pvPrivateData) == 124, "edict_t.pvPrivateData");
static_assert(offsetof(edict_t, v) == 128, "edict_t.v");
static_assert(sizeof(edict_t) == 804, "edict_t size");
static_assert(offsetof(globalvars_t, deathmatch) == 20, "globalvars_t.deathmatch");
static_assert(offsetof(globalvars_t, mapname) == 12, "globalvars_t.mapname");
static_assert(offsetof(globalvars_t, trace_ent) == 116, "globalvars_t.trace_ent");
static_assert(offsetof(globalvars_t, maxClients) == 144, "globalvars_t.maxClients");
static_assert(offsetof(globalvars_t, pStringBase) == 152, "globalvars_t.pStringBase");
static_assert(sizeof(globalvars_t) == 172, "globalvars_t size");
static_assert(sizeof(cvar_t) == 20, "cvar_t size");
static_assert(offsetof(cvar_t, flags) == 8 && offsetof(cvar_t, value) == 12, "cvar_t fields");
static_assert(sizeof(plugin_info_t) == 36, "plugin_info_t size");
static_assert(offsetof(plugin_info_t, loadable) == 28, "plugin_info_t.loadable");
static_assert(sizeof(meta_globals_t) == 20, "meta_globals_t size");
static_assert(sizeof(META_FUNCTIONS) == 32, "META_FUNCTIONS size");
static_assert(sizeof(mutil_funcs_t) == 72, "mutil_funcs_t size");
#else
// LP64 (amd64 and arm64 engines, Linux): the same declarations with 8-byte
// pointers.  Offsets the reference measured on x86_64 where it gives them;
// the rest (globalvars_t.maxClients, plugin_info_t.loadable,
// meta_globals_t.orig_ret) follow from the declared types and LP64's natural
// alignment, which aarch64 shares.
static_assert(sizeof(void *) == 8 && sizeof(long) == 8, "LP64 build");
static_assert(sizeof(enginefuncs_t) == 1264, "enginefuncs_t is 1264 bytes (64-bit)");
static_assert(kEngineFuncsClassicBytes == 1256, "classic engine table is 1256 bytes (64-bit)");
static_assert(sizeof(DLL_FUNCTIONS) == 400, "DLL_FUNCTIONS is 400 bytes (64-bit)");
static_assert(offsetof(entvars_t, spawnflags) == 440, "entvars_t.spawnflags (64-bit)");
static_assert(offsetof(entvars_t, pContainingEntity) == 544, "entvars_t.pContainingEntity (64-bit)");
static_assert(offsetof(entvars_t, euser1) == 688, "entvars_t.euser1 (64-bit)");
static_assert(offsetof(globalvars_t, deathmatch) == 20, "globalvars_t.deathmatch (64-bit)");
static_assert(offsetof(globalvars_t, mapname) == 12, "globalvars_t.mapname (64-bit)");
static_assert(offsetof(globalvars_t, maxClients) == 152, "globalvars_t.maxClients (64-bit)");
static_assert(offsetof(plugin_info_t, loadable) == 56, "plugin_info_t.loadable (64-bit)");
static_assert(offsetof(meta_globals_t, orig_ret) == 16, "meta_globals_t.orig_ret (64-bit)");
static_assert(sizeof(META_FUNCTIONS) == 64, "META_FUNCTIONS size (64-bit)");
static_assert(sizeof(mutil_funcs_t) == 144, "mutil_funcs_t size (64-bit)");
static_assert(offsetof(gamedll_funcs_t, newapi_table) == 8, "gamedll_funcs_t.newapi_table (64-bit)");
static_assert(offsetof(entvars_t, flags) == 444, "entvars_t.flags (64-bit)");
static_assert(sizeof(entvars_t) == 720, "entvars_t size (64-bit)");
static_assert(offsetof(edict_t, pvPrivateData) == 136, "edict_t.pvPrivateData (64-bit)");
static_assert(offsetof(edict_t, v) == 144, "edict_t.v (64-bit)");
static_assert(sizeof(edict_t) == 864, "edict_t size (64-bit)");
static_assert(offsetof(globalvars_t, trace_ent) == 120, "globalvars_t.trace_ent (64-bit)");
static_assert(offsetof(globalvars_t, pStringBase) == 160, "globalvars_t.pStringBase (64-bit)");
static_assert(sizeof(globalvars_t) == 192, "globalvars_t size (64-bit)");
static_assert(sizeof(cvar_t) == 32, "cvar_t size (64-bit)");
static_assert(offsetof(cvar_t, flags) == 16 && offsetof(cvar_t, value) == 20, "cvar_t fields (64-bit)");
static_assert(sizeof(plugin_info_t) == 64, "plugin_info_t size (64-bit)");
static_assert(sizeof(meta_globals_t) == 32, "meta_globals_t size (64-bit)");
#endif
