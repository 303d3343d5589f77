#include "config/profile_validation.h"

#include "config/profile_store.h"
#include "engine/decimal_text.h"
#include "log/log.h"

namespace {
// The report bands [k, k + 0.9] for k = 0 to 9, with the upper bounds as the
// decimal constants (1.0 + 0.9 is not the double 1.9).
const double kBandLow[10] = {0.0, 1.0, 2.0, 3.0, 4.0, 5.0, 6.0, 7.0, 8.0, 9.0};
const double kBandHigh[10] = {0.9, 1.9, 2.9, 3.9, 4.9, 5.9, 6.9, 7.9, 8.9, 9.9};

// The band index of x, or -1 when x lies in none.
int Band(double x) {
    for (int k = 0; k < 10; ++k)
        if (x >= kBandLow[k] && x <= kBandHigh[k]) return k;
    return -1;
}

template <typename... Args>
void Report(const char *szFormat, Args... args) {
    LogMessage(true, LOGLEVEL_LOG, LOGMODE_DEV, szFormat, args...);
}

void Warn(const char *szText) { LogMessage(true, LOGLEVEL_WARNING, LOGMODE_NORMAL, "%s", szText); }

void ClampInteger(int32_t &value, const char *szAboveMax, const char *szBelowMin) {
    if (value > 9) {
        Warn(szAboveMax);
        value = 9;
    } else if (value < 0) {
        Warn(szBelowMin);
        value = 0;
    }
}

void ClampReal(double &value, const char *szAboveMax, const char *szBelowMin) {
    if (value > 9.9) {
        Warn(szAboveMax);
        value = 9.9;
    } else if (value < 0.0) {
        Warn(szBelowMin);
        value = 0.0;
    }
}

struct NumberLevelTexts {
    const char *szStandard;
    const char *szMode;
    const char *szValue;
    const char *szNumberMax;
    const char *szNumberMin;
    const char *szValueMax;
    const char *szValueMin;
};

const NumberLevelTexts kFpsTexts = {
    "[FPS] Num:%d. Standart Mode:%d",     "[FPS] Num:%d. Mode:%d",
    "[FPS] Num:%d. Mode Value:%s",        "[FPS] iNumber > 9. Auto Set To Max",
    "[FPS] iNumber < 0. Auto Set To Min", "[FPS] dNumber > 9.9. Auto Set To Max",
    "[FPS] dNumber < 0. Auto Set To Min"};
const NumberLevelTexts kCpuTexts = {
    "[CPU] Num:%d. Standart Mode:%d",     "[CPU] Num:%d. Mode:%d",
    "[CPU] Num:%d. Mode Value:%s",        "[CPU] iNumber > 9. Auto Set To Max",
    "[CPU] iNumber < 0. Auto Set To Min", "[CPU] dNumber > 9.9. Auto Set To Max",
    "[CPU] dNumber < 0. Auto Set To Min"};

void ApplyNumberLevel(int p, int32_t &iNumber, double &dNumber, const NumberLevelTexts &texts) {
    if (iNumber == 0)
        Report(texts.szStandard, p, iNumber);
    else if (iNumber >= 1 && iNumber <= 9)
        Report(texts.szMode, p, iNumber);
    if (Band(dNumber) >= 0) Report(texts.szValue, p, DecimalText(dNumber, 6).szText);
    ClampInteger(iNumber, texts.szNumberMax, texts.szNumberMin);
    ClampReal(dNumber, texts.szValueMax, texts.szValueMin);
}

void ApplyServerLevel(ServerLevel &r) {
    const int fpsBand = Band(r.dFpsMode);
    if (fpsBand == 0)
        Report("[SERVER] FPS Standart Mode: %s", DecimalText(r.dFpsMode, 6).szText);
    else if (fpsBand > 0)
        Report("[SERVER] FPS Mode: %s", DecimalText(r.dFpsMode, 6).szText);
    const int cpuBand = Band(r.dCpuMode);
    if (cpuBand == 0)
        Report("[SERVER] CPU Standart Mode: %s", DecimalText(r.dCpuMode, 6).szText);
    else if (cpuBand > 0)
        Report("[SERVER] CPU Mode: %s", DecimalText(r.dCpuMode, 6).szText);
    if (r.iSysNumber >= 0 && r.iSysNumber <= 9) Report("[SERVER] Sys Number: %d", r.iSysNumber);
    ClampInteger(r.iSysNumber, "[SERVER] Sys Number > 9. Auto Set To Max", "[SERVER] Sys Number < 0. Auto Set To Min");
    ClampReal(r.dCpuMode, "[SERVER] CPU Mode > 9.9. Auto Set To Max", "[SERVER] CPU Mode < 0. Auto Set To Min");
    ClampReal(r.dFpsMode, "[SERVER] FPS Mode > 9.9. Auto Set To Max", "[SERVER] FPS Mode < 0. Auto Set To Min");
}

void ApplyBotsLevel(BotsLevel &r) {
    if (r.iMaxLevel == 0)
        Report("[BOTS] Standart mode: %d", r.iMaxLevel);
    else if (r.iMaxLevel >= 1 && r.iMaxLevel <= 9)
        Report("[BOTS] Max level: %d", r.iMaxLevel);
    ClampInteger(r.iMaxLevel, "[BOTS] Max Level > 9. Auto Set To Max", "[BOTS] Max Level < 0. Auto Set To Min");
    if (r.iMinLevel == 0)
        Report("[BOTS] Standart mode: %d", r.iMinLevel);
    else if (r.iMinLevel >= 1 && r.iMinLevel <= 9)
        Report("[BOTS] Min level: %d", r.iMinLevel);
    ClampInteger(r.iMinLevel, "[BOTS] Min Level > 9. Auto Set To Max", "[BOTS] Min Level < 0. Auto Set To Min");
}
}  // namespace

void ApplyProfile(bool bAutoRate) {
    if (!bAutoRate) {
        LogMessage(true, LOGLEVEL_WARNING, LOGMODE_DEV, "Works without AutoFPS. Engine Disabled");
        return;
    }
    for (int p = 0; p < kProfileLevels; ++p) {
        ApplyNumberLevel(p, g_fpsLevels[p].iNumber, g_fpsLevels[p].dNumber, kFpsTexts);
        ApplyNumberLevel(p, g_cpuLevels[p].iNumber, g_cpuLevels[p].dNumber, kCpuTexts);
        ApplyServerLevel(g_serverLevels[p]);
        ApplyBotsLevel(g_botsLevels[p]);
    }
}
