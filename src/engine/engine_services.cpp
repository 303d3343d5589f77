#include "engine/engine_services.h"

#include <cstdarg>
#include <cstdio>
#include <cstring>

#include "engine/message_table.h"
#include "engine/numeric.h"
#include "engine/plugin_state.h"

edict_t *g_pListenServerHost = nullptr;

namespace {
char s_varArgs[kVarArgsSize];
char s_serverCommand[kServerCommandSize];

// Prints a finished text on the server console, plain or tagged.
void PrintFinished(const char *text, bool tagged) {
    if (g_engfuncs.pfnServerPrint == nullptr) return;
    char line[kConsolePrintSize + 32];
    if (tagged)
        std::snprintf(line, sizeof(line), "[%s] %s\n", ZK_PRODUCT_NAME, text);
    else
        std::snprintf(line, sizeof(line), "%s\n", text);
    g_engfuncs.pfnServerPrint(line);
}
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

// ------------------------------------------------------------------ commands and prints

void IssueServerCommand(const char *szFormat, ...) {
    va_list args;
    va_start(args, szFormat);
    std::vsnprintf(s_serverCommand, sizeof(s_serverCommand), szFormat, args);
    va_end(args);
    if (g_engfuncs.pfnServerCommand == nullptr) return;
    g_engfuncs.pfnServerCommand(VarArgs("%s\n", s_serverCommand));
}

void ConsolePrint(const char *szFormat, ...) {
    char text[kConsolePrintSize];
    va_list args;
    va_start(args, szFormat);
    std::vsnprintf(text, sizeof(text), LookupMessage(szFormat), args);
    va_end(args);
    PrintFinished(text, false);
}

void PluginPrint(const char *szFormat, ...) {
    char text[kConsolePrintSize];
    va_list args;
    va_start(args, szFormat);
    std::vsnprintf(text, sizeof(text), LookupMessage(szFormat), args);
    va_end(args);
    PrintFinished(text, true);
}

void ClientPrint(edict_t *pEntity, int iType, const char *szFormat, ...) {
    char text[kClientPrintSize];
    va_list args;
    va_start(args, szFormat);
    std::vsnprintf(text, sizeof(text), LookupMessage(szFormat), args);
    va_end(args);

    const bool tagged = (iType & 1023) != 0;
    if (IsNullEntity(pEntity) || pEntity == g_pListenServerHost) {
        PrintFinished(text, tagged);
        return;
    }
    if (g_engfuncs.pfnClientPrintf == nullptr) return;
    // Append the newline, keeping it even when the text fills the buffer.
    std::size_t length = std::strlen(text);
    if (length + 1 >= sizeof(text)) length = sizeof(text) - 2;
    text[length] = '\n';
    text[length + 1] = '\0';
    if (tagged) {
        // The tag is 15 characters: the line has room for the whole text.
        char line[kClientPrintSize + 32];
        std::snprintf(line, sizeof(line), "[%s] %s", ZK_PRODUCT_NAME, text);
        g_engfuncs.pfnClientPrintf(pEntity, static_cast<PRINT_TYPE>(iType & ~1023), line);
    } else {
        g_engfuncs.pfnClientPrintf(pEntity, static_cast<PRINT_TYPE>(iType), text);
    }
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
