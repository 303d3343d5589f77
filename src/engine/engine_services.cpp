#include "engine/engine_services.h"

#include <cstdarg>
#include <cstdio>
#include <cstring>

#include "engine/numeric.h"
#include "engine/plugin_state.h"

edict_t *g_pListenServerHost = nullptr;

namespace {
char s_varArgs[kVarArgsSize];
char s_serverCommand[kServerCommandSize];
}  // namespace

// ------------------------------------------------------------------ variables

void SetVariableText(cvar_t *handle, const char *text) {
    if (handle == nullptr || g_engfuncs.pfnCvar_DirectSet == nullptr) return;
    g_engfuncs.pfnCvar_DirectSet(handle, const_cast<char *>(text != nullptr ? text : ""));
}

int VariableInt(const cvar_t *handle) {
    if (handle == nullptr) return 0;
    return TruncateToInt32(handle->value);
}

float VariableFloat(const cvar_t *handle) { return handle != nullptr ? handle->value : 0.0f; }

const char *VariableText(const cvar_t *handle) {
    if (handle == nullptr || handle->string == nullptr) return "";
    return handle->string;
}

// ------------------------------------------------------------------ commands

void IssueServerCommand(const char *szFormat, ...) {
    va_list args;
    va_start(args, szFormat);
    std::vsnprintf(s_serverCommand, sizeof(s_serverCommand), szFormat, args);
    va_end(args);
    if (g_engfuncs.pfnServerCommand == nullptr) return;
    g_engfuncs.pfnServerCommand(VarArgs("%s\n", s_serverCommand));
}

void RegisterServerCommand(const char *szName, void (*pfnHandler)(void)) {
    if (IsEmptyText(szName) || pfnHandler == nullptr || g_engfuncs.pfnAddServerCommand == nullptr) return;
    g_engfuncs.pfnAddServerCommand(const_cast<char *>(szName), pfnHandler);
}

// ------------------------------------------------------------------ text and entities

char *VarArgs(const char *szFormat, ...) {
    va_list args;
    va_start(args, szFormat);
    std::vsnprintf(s_varArgs, sizeof(s_varArgs), szFormat, args);
    va_end(args);
    return s_varArgs;
}

bool IsEmptyText(const char *szText) { return szText == nullptr || *szText == '\0'; }

bool TextsEqual(const char *szFirst, const char *szSecond) {
    if (IsEmptyText(szFirst) || IsEmptyText(szSecond)) return false;
    return std::strcmp(szFirst, szSecond) == 0;
}

bool IsDedicated() {
    return g_engfuncs.pfnIsDedicatedServer != nullptr && g_engfuncs.pfnIsDedicatedServer() > 0;
}

bool IsNullEntity(const edict_t *pEntity) {
    if (pEntity == nullptr) return true;
    if (g_engfuncs.pfnEntOffsetOfPEntity == nullptr) return false;
    return g_engfuncs.pfnEntOffsetOfPEntity(pEntity) == 0;
}

int PlayerIndex(const edict_t *pEntity) {
    if (g_engfuncs.pfnIndexOfEdict == nullptr) return 0;
    return g_engfuncs.pfnIndexOfEdict(pEntity);
}

bool IsWhiteSpace(char c) {
    return c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\v' || c == '\f';
}

void TrimSpaces(char *szText) {
    if (szText == nullptr) return;
    std::size_t length = std::strlen(szText);
    while (length > 0 && IsWhiteSpace(szText[length - 1])) szText[--length] = '\0';
    std::size_t start = 0;
    while (start < length && IsWhiteSpace(szText[start])) ++start;
    if (start > 0) std::memmove(szText, szText + start, length - start + 1);
}
