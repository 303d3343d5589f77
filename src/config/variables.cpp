#include "config/variables.h"

#include "engine/player_presence.h"
#include "engine/plugin_state.h"
#include "log/log.h"

cvar_t *g_pZeqFps = nullptr;
cvar_t *g_pZeqTicrate = nullptr;
cvar_t *g_pAutoFps = nullptr;
cvar_t *g_pSleepsm = nullptr;
cvar_t *g_pJoinMsg = nullptr;
cvar_t *g_pInfo = nullptr;
cvar_t *g_pSysrate = nullptr;
cvar_t *g_pVersion = nullptr;
cvar_t *g_pSysTicrate = nullptr;
cvar_t *g_pCpu = nullptr;
cvar_t *g_pCpuMspike = nullptr;
cvar_t *g_pCpuLevel = nullptr;
cvar_t *g_pCpuTimer = nullptr;

namespace {

constexpr int kServerExtUnlogged = FCVAR_SERVER | FCVAR_EXTDLL | FCVAR_UNLOGGED;

// The main table, registered in this order; closed by an empty record.  The
// engine keeps a pointer to each record (standalone), so they are static.
cvar_t s_mainVariables[] = {
    {"zeq_fps", "100", kServerExtUnlogged, 0.0f, nullptr},
    {"zeq_ticrate", "100", kServerExtUnlogged, 0.0f, nullptr},
    {"zeq_kestrin_autofps", "100", FCVAR_EXTDLL, 0.0f, nullptr},
    {"zeq_kestrin_sleepsm", "3", FCVAR_EXTDLL, 0.0f, nullptr},
    {"zeq_kestrin_join_msg", "1", FCVAR_EXTDLL, 0.0f, nullptr},
    {"zeq_kestrin_info", "1", FCVAR_EXTDLL, 0.0f, nullptr},
    {"zeq_kestrin_sysrate", "0", FCVAR_EXTDLL, 0.0f, nullptr},
    {"zeq_kestrin_cpu", "0", FCVAR_EXTDLL, 0.0f, nullptr},
    {"zeq_kestrin_cpu_mspike", "3", FCVAR_EXTDLL, 0.0f, nullptr},
    {"zeq_kestrin_cpu_level", "75", FCVAR_EXTDLL, 0.0f, nullptr},
    {"zeq_kestrin_cpu_timer", "2", FCVAR_EXTDLL, 0.0f, nullptr},
    {"zeq_kestrin_version", ZK_VERSION, FCVAR_SERVER | FCVAR_EXTDLL, 0.0f, nullptr},
    {"", "", 0, 0.0f, nullptr},
};

const char *const kRegistryNames[REG_COUNT] = {
    "zeq_kestrin_hostname",   "zeq_kestrin_website",     "zeq_kestrin_proc_spr", "zeq_kestrin_proc_mdl",
    "zeq_kestrin_autoconfig", "zeq_kestrin_hpk",         "zeq_kestrin_hpk_maxping",
    "zeq_kestrin_hpk_checks", "zeq_kestrin_hpk_tests",   "zeq_kestrin_hpk_delay",
};

cvar_t s_registry[kRegistryCapacity];
int s_registryCount = 0;
cvar_t *s_registryHandles[REG_COUNT];

cvar_t *Lookup(const char *name) {
    return g_engfuncs.pfnCVarGetPointer != nullptr ? g_engfuncs.pfnCVarGetPointer(name) : nullptr;
}

}  // namespace

cvar_t *RegistryHandle(int index) {
    if (index < 0 || index >= REG_COUNT) return nullptr;
    return s_registryHandles[index];
}

int RegistryCount() { return s_registryCount; }

void RegisterMainVariables() {
    LogMessage(true, LOGLEVEL_LOG, LOGMODE_NORMAL, "%s v%s - %s", ZK_PRODUCT_NAME, ZK_VERSION, ZK_WEBSITE);
    LogMessage(true, LOGLEVEL_LOG, LOGMODE_NORMAL, "Compiled: %s %s +300 (GMT)", __DATE__, __TIME__);

    if (g_engfuncs.pfnCVarRegister != nullptr)
        for (cvar_t *record = s_mainVariables; record->name[0] != '\0'; ++record) g_engfuncs.pfnCVarRegister(record);

    g_pZeqFps = Lookup("zeq_fps");
    g_pZeqTicrate = Lookup("zeq_ticrate");
    g_pAutoFps = Lookup("zeq_kestrin_autofps");
    g_pSleepsm = Lookup("zeq_kestrin_sleepsm");
    g_pJoinMsg = Lookup("zeq_kestrin_join_msg");
    g_pInfo = Lookup("zeq_kestrin_info");
    g_pSysrate = Lookup("zeq_kestrin_sysrate");
    g_pVersion = Lookup("zeq_kestrin_version");
    g_pSysTicrate = Lookup("sys_ticrate");
    g_pCpu = Lookup("zeq_kestrin_cpu");
    g_pCpuMspike = Lookup("zeq_kestrin_cpu_mspike");
    g_pCpuLevel = Lookup("zeq_kestrin_cpu_level");
    g_pCpuTimer = Lookup("zeq_kestrin_cpu_timer");

    PluginPrint("=============-----------------------------=============\n");
    PluginPrint("%s v%s by %s\n", ZK_PRODUCT_NAME, ZK_VERSION, ZK_AUTHOR);
    PluginPrint("=============-----------------------------=============\n");

    if (g_pSysTicrate != nullptr) g_pSysTicrate->flags |= FCVAR_SERVER | FCVAR_UNLOGGED;
    SetVariableText(g_pSysTicrate, "100.0");

    ticrateTarget = 100;
    ClearPresence();
    LogMessage(false, LOGLEVEL_LOG, LOGMODE_NORMAL, "Initalized success");
}

cvar_t *RegisterVariable(int index, const char *defaultText, int flags) {
    if (s_registryCount == kRegistryCapacity)
        CriticalError("Can't register variable, number of variables exceed 60.");
    if (index < 0 || index >= REG_COUNT) return nullptr;

    cvar_t &record = s_registry[s_registryCount];
    record.name = kRegistryNames[index];
    record.string = defaultText;
    record.flags = flags;
    record.value = 0.0f;
    record.next = nullptr;
    if (g_engfuncs.pfnCVarRegister != nullptr) g_engfuncs.pfnCVarRegister(&record);
    ++s_registryCount;

    s_registryHandles[index] = Lookup(kRegistryNames[index]);
    return s_registryHandles[index];
}

void RegisterOwnVariables() {
    static const char *const kDefaults[REG_COUNT] = {"Hostname", ZK_WEBSITE_DEFAULT, "0", "0", "0",
                                                     "0",        "100",              "5", "5", "14"};
    for (int index = 0; index < REG_COUNT; ++index)
        RegisterVariable(index, kDefaults[index], FCVAR_SERVER | FCVAR_EXTDLL);
}

void ResetRegistryForTests() {
    for (cvar_t &record : s_registry) record = cvar_t{};
    for (cvar_t *&handle : s_registryHandles) handle = nullptr;
    s_registryCount = 0;
}
