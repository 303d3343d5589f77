#include "config/presets.h"

#include <cstdio>

#include "engine/engine_services.h"
#include "engine/plugin_state.h"
#include "log/log.h"

namespace {
constexpr int kPresetSize = 10;

const char *const kStrengthenedSet[kPresetSize] = {
    "sv_maxupdaterate 70", "sv_minupdaterate 10", "sv_unlag 1",  "sv_maxunlag 0.9",  "sv_maxspeed 320",
    "sv_maxrate 20000",    "sv_minrate 100",      "sv_stats 1 ", "sv_friction 4",    "sv_stopspeed 75"};
const char *const kStandardSet[kPresetSize] = {
    "sv_maxupdaterate 30", "sv_minupdaterate 10", "sv_unlag 1",  "sv_maxunlag 0.5", "sv_maxspeed 320",
    "sv_maxrate 0",        "sv_minrate 0",        "sv_stats 1 ", "sv_friction 4",   "sv_stopspeed 75"};
}  // namespace

int ApplyServerPreset(bool bStrengthen) {
    const char *const *set = bStrengthen ? kStrengthenedSet : kStandardSet;
    for (int i = 0; i < kPresetSize; ++i) {
        char entry[64];
        std::snprintf(entry, sizeof(entry), "%s", set[i]);
        TrimSpaces(entry);
        IssueServerCommand("%s", entry);
    }
    return 1;
}

int SetBotsSupport(bool bEnable) {
    if (!bEnable) {
        LogMessage(false, LOGLEVEL_LOG, LOGMODE_NORMAL, "Bots Support Disabled");
        return 1;
    }
    const cvar_t *bots =
        g_engfuncs.pfnCVarGetPointer != nullptr ? g_engfuncs.pfnCVarGetPointer("zeq_bots_version") : nullptr;
    if (bots == nullptr) {
        LogMessage(true, LOGLEVEL_LOG, LOGMODE_NORMAL, "Bots support failz. Can't Find Bots.");
        IssueServerCommand("zeq_kestrin_bots_support 0");
        return 0;
    }
    LogMessage(true, LOGLEVEL_LOG, LOGMODE_NORMAL, "Bots Support Working Now");
    return 1;
}

void DetectGameVersion() {
    switch (gameVersion) {
    case 1: {
        byte *file = nullptr;
        if (g_engfuncs.pfnLoadFileForMe != nullptr) {
            char name[] = "events/galil.sc";
            file = g_engfuncs.pfnLoadFileForMe(name, nullptr);
        }
        if (file != nullptr) {
            PluginPrint("Game Registered: CS %s", "1.6 (Steam)");
            if (g_engfuncs.pfnFreeFile != nullptr) g_engfuncs.pfnFreeFile(file);
        } else {
            PluginPrint("Game Registered: CS %s", "1.5 (WON)");
            gameVersion = 3;
        }
        break;
    }
    case 2:
        PluginPrint("Game Registered: CS %s", "CZ (Steam)");
        break;
    case 3:
        PluginPrint("Game Registered: CS %s", "1.x (WON)");
        break;
    default:
        break;
    }
}
