// The console and player prints of engine_services.h.  Each format passes
// through the message table, which itself uses the other engine services:
// the prints are kept apart from those, above the table.
#include <cstdarg>
#include <cstdio>
#include <cstring>

#include "engine/engine_services.h"
#include "engine/message_table.h"
#include "engine/plugin_state.h"

namespace {
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
