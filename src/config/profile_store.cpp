#include "config/profile_store.h"

#include <cstring>

#define ZK_NUMBER_LEVEL_DEFAULT {0, 0.0, "r"}
#define ZK_SYS_LEVEL_DEFAULT {"a", "a", "a", "a", "r"}
#define ZK_SERVER_LEVEL_DEFAULT {0.0, 0.0, 0, "r"}
#define ZK_BOTS_LEVEL_DEFAULT {0, 0, "r"}

FpsLevel g_fpsLevels[kProfileLevels] = {ZK_NUMBER_LEVEL_DEFAULT, ZK_NUMBER_LEVEL_DEFAULT, ZK_NUMBER_LEVEL_DEFAULT,
                                        ZK_NUMBER_LEVEL_DEFAULT};
CpuLevel g_cpuLevels[kProfileLevels] = {ZK_NUMBER_LEVEL_DEFAULT, ZK_NUMBER_LEVEL_DEFAULT, ZK_NUMBER_LEVEL_DEFAULT,
                                        ZK_NUMBER_LEVEL_DEFAULT};
SysLevel g_sysLevels[kProfileLevels] = {ZK_SYS_LEVEL_DEFAULT, ZK_SYS_LEVEL_DEFAULT, ZK_SYS_LEVEL_DEFAULT,
                                        ZK_SYS_LEVEL_DEFAULT};
ServerLevel g_serverLevels[kProfileLevels] = {ZK_SERVER_LEVEL_DEFAULT, ZK_SERVER_LEVEL_DEFAULT,
                                              ZK_SERVER_LEVEL_DEFAULT, ZK_SERVER_LEVEL_DEFAULT};
BotsLevel g_botsLevels[kProfileLevels] = {ZK_BOTS_LEVEL_DEFAULT, ZK_BOTS_LEVEL_DEFAULT, ZK_BOTS_LEVEL_DEFAULT,
                                          ZK_BOTS_LEVEL_DEFAULT};

void CopyProfileText(char *szField, std::size_t size, const char *szText) {
    if (szField == nullptr || size == 0) return;
    if (szText == nullptr) szText = "";
    std::size_t length = std::strlen(szText);
    if (length >= size) length = size - 1;
    std::memcpy(szField, szText, length);
    szField[length] = '\0';
}

void ResetProfileStoreForTests() {
    for (int i = 0; i < kProfileLevels; ++i) {
        g_fpsLevels[i] = FpsLevel ZK_NUMBER_LEVEL_DEFAULT;
        g_cpuLevels[i] = CpuLevel ZK_NUMBER_LEVEL_DEFAULT;
        g_sysLevels[i] = SysLevel ZK_SYS_LEVEL_DEFAULT;
        g_serverLevels[i] = ServerLevel ZK_SERVER_LEVEL_DEFAULT;
        g_botsLevels[i] = BotsLevel ZK_BOTS_LEVEL_DEFAULT;
    }
}
