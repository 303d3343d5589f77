// The profile store: four levels of each of the five record kinds of the
// profile file kestrin.ini.  Levels 1 to 4 of the file are positions 0 to 3.
// Filled by the profile parser, clamped by ApplyProfile, shown by the
// information window.  Process-wide, set to the defaults at load and never
// cleared.
#pragma once

#include <cstddef>
#include <cstdint>

constexpr int kProfileLevels = 4;
// Room for a whole word of the file (words are cut to 254 characters).
constexpr int kProfileTextSize = 256;

struct FpsLevel {
    int32_t iNumber;
    double dNumber;
    char szText[kProfileTextSize];
};

struct CpuLevel {
    int32_t iNumber;
    double dNumber;
    char szText[kProfileTextSize];
};

struct SysLevel {
    char szText1[kProfileTextSize];
    char szText2[kProfileTextSize];
    char szText3[kProfileTextSize];
    char szText4[kProfileTextSize];
    char szText5[kProfileTextSize];
};

struct ServerLevel {
    double dFpsMode;
    double dCpuMode;
    int32_t iSysNumber;
    char szText[kProfileTextSize];
};

struct BotsLevel {
    int32_t iMaxLevel;
    int32_t iMinLevel;
    char szText[kProfileTextSize];
};

extern FpsLevel g_fpsLevels[kProfileLevels];
extern CpuLevel g_cpuLevels[kProfileLevels];
extern SysLevel g_sysLevels[kProfileLevels];
extern ServerLevel g_serverLevels[kProfileLevels];
extern BotsLevel g_botsLevels[kProfileLevels];

// Copies a text into a field, cut to the field's size.
void CopyProfileText(char *szField, std::size_t size, const char *szText);

// Puts every record back to its load-time default (tests run many sessions
// in one process).
void ResetProfileStoreForTests();
