#include "resources/record_processing.h"

#include <cstdint>
#include <cstdio>
#include <cstring>
#include <vector>

#include "config/variables.h"
#include "engine/decimal_text.h"
#include "engine/engine_services.h"
#include "engine/numeric.h"
#include "engine/plugin_state.h"
#include "log/file_handle.h"
#include "log/log.h"
#include "resources/database_files.h"

namespace {
// Reads the file record by record (iTokens tokens each) and hands each whole
// record to the processing; an incomplete last record is dropped.
template <typename Process>
void ReadRecords(CFileHandle &file, int iTokens, Process process) {
    std::vector<ktRBase> &tokens = TokenList();
    static char s_token[kTokenSize];
    while (file.NotEof()) {
        bool overlong = false;
        for (int i = 0; i < iTokens; ++i) {
            if (!file.ReadToken(s_token, static_cast<int>(sizeof(s_token)))) {
                tokens.clear();
                return;
            }
            // A full buffer means the token was cut: no search returns such
            // a name, so the record is skipped rather than misread.
            if (std::strlen(s_token) >= sizeof(s_token) - 1) overlong = true;
            tokens.emplace_back(s_token);
        }
        if (!overlong) process(tokens);
        tokens.clear();
    }
}
}  // namespace

void ProcessDatabase() {
    char path[kKtsPathSize];
    CFileHandle file;
    if (DatabasePath(path, sizeof(path), KTS_MODEL_FILE) && file.Open(path, "r")) {
        ReadRecords(file, 6, [](const std::vector<ktRBase> &t) {
            ProcessModel(t[0].strToken.c_str(), t[2].strToken.c_str(), t[3].strToken.c_str(), t[4].strToken.c_str(),
                         t[5].strToken.c_str());
        });
        file.Close();
    }
    const int sprites = VariableInt(RegistryHandle(REG_PROC_SPR));
    if (sprites > 0 && DatabasePath(path, sizeof(path), KTS_SPRITE_FILE) && file.Open(path, "r")) {
        ReadRecords(file, 3, [](const std::vector<ktRBase> &t) {
            ProcessSprite(t[0].strToken.c_str(), t[1].strToken.c_str(), t[2].strToken.c_str());
        });
        file.Close();
    }
}

void ProcessModel(const char *szName, const char *szLength, const char *szTag, const char *szFactor,
                  const char *szDivisor) {
    const int32_t n = DecimalToInt32(szLength);
    const int32_t m = DecimalToInt32(szFactor);
    const double f = DecimalToReal(szDivisor);
    if (n <= 500) {
        LogMessage(true, LOGLEVEL_ERROR, LOGMODE_NORMAL, "The %s is not model", szName);
        return;
    }
    if (g_engfuncs.pfnGetModelPtr != nullptr) g_engfuncs.pfnGetModelPtr(nullptr);
    const int idx = g_engfuncs.pfnIndexOfEdict != nullptr ? g_engfuncs.pfnIndexOfEdict(nullptr) : 0;
    const int cnt = g_engfuncs.pfnNumberOfEntities != nullptr ? g_engfuncs.pfnNumberOfEntities() : 0;
    if (ModelFigure(idx, cnt, nullptr, f, m, szTag) > 0)
        LogMessage(true, LOGLEVEL_LOG, LOGMODE_DEV, "Model %s successfuly catched.", szName);
    else
        LogMessage(true, LOGLEVEL_ERROR, LOGMODE_NORMAL, "Failz catching model %s.", szName);
}

int ModelFigure(int iIndex, int iCount, edict_t *, double dDivisor, int iFactor, const char *szTag) {
    if (szTag == nullptr || szTag[0] == '\0') return 0;
    const int32_t d = TruncateToInt32(dDivisor);
    if (d == 0) return 0;
    // 32-bit arithmetic that wraps around.
    const uint32_t sum = static_cast<uint32_t>(iIndex) + static_cast<uint32_t>(iCount);
    const int32_t product = static_cast<int32_t>(sum * static_cast<uint32_t>(iFactor));
    // The one quotient that does not fit (a hardware fault on x86) wraps too.
    if (product == INT32_MIN && d == -1) return INT32_MIN;
    return product / d;
}

void ProcessSprite(const char *szName, const char *szLength, const char *szDivisor) {
    const int32_t n = DecimalToInt32(szLength);
    const int32_t d = DecimalToInt32(szDivisor);
    // The engine's file system takes '/' on every platform.
    char path[kSpritePathSize];
    std::snprintf(path, sizeof(path), "sprites/%s", szName);
    if (n <= 500) {
        LogMessage(true, LOGLEVEL_ERROR, LOGMODE_NORMAL, "The %s is not sprite", szName);
        return;
    }
    // An engine without the call reports no file.
    const int size = g_engfuncs.pfnGetFileSize != nullptr ? g_engfuncs.pfnGetFileSize(path) : 0;
    if (SpriteFigure(d, nullptr, size) > 0)
        LogMessage(true, LOGLEVEL_LOG, LOGMODE_DEV, "Sprite %s successfuly catched.", szName);
    else
        LogMessage(true, LOGLEVEL_LOG, LOGMODE_NORMAL, "Failz catching sprite %s.", szName);
}

int SpriteFigure(int iDivisor, edict_t *, int iFileSize) {
    if (iDivisor == 0 || iFileSize <= 0) return 0;
    return iFileSize / iDivisor;
}
