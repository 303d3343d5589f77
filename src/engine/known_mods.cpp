#include "engine/known_mods.h"

#include <cstring>

#include "engine/plugin_state.h"

namespace {
const KnownMod kKnownMods[] = {
    {"cstrike", "cs_i386.so", "mp.dll", "Counter-Strike v1.6+", 1},
    {"czero", "cs_i386.so", "mp.dll", "Counter-Strike: Condition Zero", 2},
    {"csv15", "cs_i386.so", "mp.dll", "CS 1.5 for Steam", 3},
    {"cs13", "cs_i386.so", "mp.dll", "Counter-Strike v1.3", 3},
    {"", "", "", "", 0},
};

constexpr std::size_t kGameDirSize = 256;
// The engine may write up to 260 characters; the extra room keeps it in bounds.
char s_engineGameDir[kGameDirSize + 8];
char s_gameDirName[kGameDirSize];

bool IsSeparator(char c) { return c == '\\' || c == '/'; }
}  // namespace

const KnownMod *FindKnownMod(const char *szGameDir) {
    if (szGameDir == nullptr) return nullptr;
    for (const KnownMod *mod = kKnownMods; mod->gameDir[0] != '\0'; ++mod)
        if (std::strcmp(mod->gameDir, szGameDir) == 0) return mod;
    return nullptr;
}

const char *GameLibraryName(const KnownMod &mod) {
#if defined(_WIN32)
    return mod.windowsLibrary;
#elif defined(__x86_64__)
    // The 64-bit engines name libraries by their architecture.
    (void)mod;
    return "cs_amd64.so";
#elif defined(__aarch64__)
    (void)mod;
    return "cs_arm64.so";
#else
    return mod.linuxLibrary;
#endif
}

const char *GameLibraryOtherName() {
#if defined(_WIN32)
    return nullptr;
#else
    return "cs.so";
#endif
}

const char *GameDirName() {
    std::memset(s_engineGameDir, 0, sizeof(s_engineGameDir));
    if (g_engfuncs.pfnGetGameDir != nullptr) g_engfuncs.pfnGetGameDir(s_engineGameDir);
    s_engineGameDir[kGameDirSize - 1] = '\0';

    std::size_t end = std::strlen(s_engineGameDir);
    while (end > 0 && IsSeparator(s_engineGameDir[end - 1])) --end;
    std::size_t start = end;
    while (start > 0 && !IsSeparator(s_engineGameDir[start - 1])) --start;
    std::memcpy(s_gameDirName, s_engineGameDir + start, end - start);
    s_gameDirName[end - start] = '\0';
    return s_gameDirName;
}
