#include "log/log.h"

#include <cstdarg>
#include <cstdio>

#include "engine/message_table.h"
#include "engine/numeric.h"
#include "engine/paths.h"
#include "engine/plugin_state.h"
#include "log/file_handle.h"
#include "platform/platform.h"

void DailyLogName(char *szName, size_t size, const platform::LocalTime &day) {
    std::snprintf(szName, size, "Kestrin_%02d%02d%02d.log", day.day, day.month, day.year);
}

namespace {

// The log's own variables, closed by an empty record.  Under Metamod the
// engine keeps a copy of each record, so they are always read through the
// handles looked up after registration.
cvar_t s_logVariables[] = {
    {"zeq_kestrin_logs", "2", FCVAR_SERVER | FCVAR_EXTDLL, 0.0f, nullptr},
    {"zeq_kestrin_loglevel", "0", FCVAR_SERVER | FCVAR_EXTDLL, 0.0f, nullptr},
    {nullptr, nullptr, 0, 0.0f, nullptr},
};

bool s_bFirstCall = true;
cvar_t *s_pLogs = nullptr;
cvar_t *s_pLogLevel = nullptr;

const char *LevelPrefix(int iLevel) {
    switch (iLevel) {
        case LOGLEVEL_LOG: return "[ZEQ] LOG: ";
        case LOGLEVEL_WARNING: return "[ZEQ] WARNING: ";
        case LOGLEVEL_ERROR: return "[ZEQ] ERROR: ";
        case LOGLEVEL_FATAL: return "[ZEQ] FATAL ERROR: ";
        default: return "[ZEQ] ";  // never passed by the plugin
    }
}

void WriteLog(bool bEcho, int iLevel, int iMode, const char *szMessage) {
    const int logs = VariableInt(s_pLogs);
    const int loglevel = VariableInt(s_pLogLevel);
    if (logs <= 0) return;

    char directory[kLogPathSize];
    if (!PluginPath(directory, sizeof(directory), "logs")) return;
    if (!platform::DirectoryExists(directory) && !platform::CreateOneDirectory(directory)) return;

    const platform::LocalTime now = platform::CurrentLocalTime();
    char path[kLogPathSize];
    bool pathFits;
    if (logs == 1) {
        pathFits = PluginPath(path, sizeof(path), "logs", "Kestrin.log");
    } else {
        char name[64];
        DailyLogName(name, sizeof(name), now);
        pathFits = PluginPath(path, sizeof(path), "logs", name);
    }
    if (!pathFits) return;

    CFileHandle file;
    if (!file.Open(path, "at")) return;

    // Room for the stamp, the prefix and a whole message; the line kept is
    // cut to the log's limit of 1023 characters.
    char line[kLogLineSize + 64];
    std::snprintf(line, sizeof(line), "[%02d:%02d:%02d] %s%s", now.hour, now.minute, now.second, LevelPrefix(iLevel),
                  szMessage);
    line[kLogLineSize - 1] = '\0';
    if (iMode == LOGMODE_NORMAL || (iMode == LOGMODE_DEV && loglevel > 0)) {
        if (bEcho) ConsolePrint("%s", line);
        file.Printf("%s\n", line);
    }
    file.Close();
}

// Formats into a buffer, cut to its size; a null format gives an empty text.
void FormatText(char *szOut, std::size_t size, const char *szFormat, va_list args) {
    szOut[0] = '\0';
    if (szFormat != nullptr) std::vsnprintf(szOut, size, szFormat, args);
}

}  // namespace

void RegisterLogVariables(bool bFirst) {
    if (!bFirst) return;
    if (g_engfuncs.pfnCVarRegister != nullptr)
        for (cvar_t *record = s_logVariables; record->name != nullptr; ++record) g_engfuncs.pfnCVarRegister(record);
    if (g_engfuncs.pfnCVarGetPointer != nullptr) {
        s_pLogs = g_engfuncs.pfnCVarGetPointer("zeq_kestrin_logs");
        s_pLogLevel = g_engfuncs.pfnCVarGetPointer("zeq_kestrin_loglevel");
    }
}

void LogMessage(bool bEcho, int iLevel, int iMode, const char *szFormat, ...) {
    RegisterLogVariables(s_bFirstCall);
    s_bFirstCall = false;

    char message[kLogMessageSize];
    va_list args;
    va_start(args, szFormat);
    FormatText(message, sizeof(message), szFormat, args);
    va_end(args);

    const bool loggingOn = VariableInt(s_pLogs) > 0;
    WriteLog(bEcho, iLevel, iMode, message);
    if (iLevel == LOGLEVEL_FATAL && loggingOn) CriticalError("%s", message);
}

void CriticalError(const char *szFormat, ...) {
    char text[kLogMessageSize];
    va_list args;
    va_start(args, szFormat);
    FormatText(text, sizeof(text), szFormat, args);
    va_end(args);

    DestroyMessageTable();
    LogMessage(true, LOGLEVEL_ERROR, LOGMODE_NORMAL, "%s", text);
    ShowMessageOrLog(text, "ZEQ Kestrin Critical Error", platform::MessageBoxIcon::Error);
    platform::ExitProcess(1);
}

void ShowMessageOrLog(const char *szText, const char *szCaption, platform::MessageBoxIcon icon) {
    const char *text = szText != nullptr ? szText : "";
    const char *caption = szCaption != nullptr ? szCaption : "";
    if (platform::ShowMessageBox(text, caption, icon)) return;
    LogMessage(true, LOGLEVEL_WARNING, LOGMODE_NORMAL,
               "Message box%s%s%s not shown: the server has no interactive desktop (run as a service?). It reads: %s",
               caption[0] != '\0' ? " \"" : "", caption, caption[0] != '\0' ? "\"" : "", text);
}

void ResetLogForTests() {
    s_bFirstCall = true;
    s_pLogs = nullptr;
    s_pLogLevel = nullptr;
}
