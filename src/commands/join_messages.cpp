#include "commands/join_messages.h"

#include <cstdio>

#include "config/variables.h"
#include "control/governor.h"
#include "engine/engine_services.h"
#include "engine/player_presence.h"
#include "engine/plugin_state.h"
#include "log/log.h"

namespace {

const char kLongJoinFormat[] =
    "------------------------------------------------------------------\n"
    "#  Welcome! BceM IIPuBET!\n"
    "#  Server is currently running at %lu FPS with %li clients present.\n"
    "#  Current map: %s \n"
    "#  Server is running with ZEQ Kes-Trin v1.70.\n"
    "------------------------------------------------------------------\n";

const char kShortJoinFormat[] = "### Server is running at %lu FPS with ZEQ Kes-Trin v1.70 ###\n";

const char kLongInfoFormat[] =
    "###########################################\n"
    "# Welcome to %s! Hello everyone! \n"
    "# Server WeB Site: http://%s. \n"
    "###########################################\n";

const char kShortInfoFormat[] = "### Welcome to %s ! Server WeB Site: http://%s . ###\n";

char s_szJoinText[kJoinMessageSize];
char s_szInfoText[kJoinMessageSize];

const char *MapName() {
    if (gpGlobals == nullptr || gpGlobals->pStringBase == nullptr) return "";
    return gpGlobals->pStringBase + gpGlobals->mapname;
}

// The finished text goes to the player's console as it is.
void SendToPlayer(edict_t *pEntity, const char *szText) {
    if (g_engfuncs.pfnClientPrintf == nullptr) return;
    g_engfuncs.pfnClientPrintf(pEntity, print_console, szText);
}

}  // namespace

bool SendJoinMessages(edict_t *pEntity) {
    if (pEntity == nullptr || gpGlobals == nullptr || gpGlobals->deathmatch == 0.0f) return false;
    const int iJoin = VariableInt(g_pJoinMsg);
    if (iJoin <= 0) return false;

    const unsigned long ulFps = measuredFps;
    if (iJoin >= 2) {
        const long lPlayers = CountPresentPlayers();
        std::snprintf(s_szJoinText, sizeof(s_szJoinText), kLongJoinFormat, ulFps, lPlayers, MapName());
    } else {
        std::snprintf(s_szJoinText, sizeof(s_szJoinText), kShortJoinFormat, ulFps);
    }
    SendToPlayer(pEntity, s_szJoinText);

    const char *szServerName = VariableText(RegistryHandle(REG_HOSTNAME));
    const char *szWebSite = VariableText(RegistryHandle(REG_WEBSITE));
    const int iInfo = VariableInt(g_pInfo);
    if (iInfo >= 2) {
        std::snprintf(s_szInfoText, sizeof(s_szInfoText), kLongInfoFormat, szServerName, szWebSite);
        SendToPlayer(pEntity, s_szInfoText);
    } else if (iInfo == 1) {
        std::snprintf(s_szInfoText, sizeof(s_szInfoText), kShortInfoFormat, szServerName, szWebSite);
        SendToPlayer(pEntity, s_szInfoText);
    } else {
        LogMessage(true, LOGLEVEL_LOG, LOGMODE_NORMAL, "Info Disabled");
    }
    return true;
}
