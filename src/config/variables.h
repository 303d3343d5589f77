// The plugin's engine variables: the twelve main variables registered at
// attach, the bounded registry of the plugin's own variables registered at
// game initialisation, and the handles through which every subsystem reads
// and writes them.  A handle the engine did not give is null; every reader
// goes through the null-safe services of engine_services.h.
#pragma once

#include "sdk/engine.h"

// Main handles, looked up once at attach.
extern cvar_t *g_pZeqFps;
extern cvar_t *g_pZeqTicrate;
extern cvar_t *g_pAutoFps;
extern cvar_t *g_pSleepsm;
extern cvar_t *g_pJoinMsg;
extern cvar_t *g_pInfo;
extern cvar_t *g_pSysrate;
extern cvar_t *g_pVersion;
extern cvar_t *g_pSysTicrate;
extern cvar_t *g_pCpu;
extern cvar_t *g_pCpuMspike;
extern cvar_t *g_pCpuLevel;
extern cvar_t *g_pCpuTimer;

// The own registry's fixed names, by index.
enum RegistryIndex {
    REG_HOSTNAME = 0,
    REG_WEBSITE,
    REG_PROC_SPR,
    REG_PROC_MDL,
    REG_AUTOCONFIG,
    REG_HPK,
    REG_HPK_MAXPING,
    REG_HPK_CHECKS,
    REG_HPK_TESTS,
    REG_HPK_DELAY,
    REG_COUNT
};
constexpr int kRegistryCapacity = 60;

// Handle of an own-registry variable (null before game initialisation).
cvar_t *RegistryHandle(int index);

void RegisterMainVariables();
cvar_t *RegisterVariable(int index, const char *defaultText, int flags);
// Registers the ten own variables with their defaults (game initialisation).
void RegisterOwnVariables();
int RegistryCount();
// Empties the registry (tests run several sessions in one process).
void ResetRegistryForTests();

#define ZK_WEBSITE_DEFAULT "www.kestrin.example.org"
