#include "config/command_file.h"

#include <cstring>

#include "engine/engine_services.h"
#include "engine/paths.h"
#include "log/log.h"

namespace {
constexpr int kCommandLineSize = 255;
constexpr int kConfigPathSize = 260;

bool IsSkippedLine(const char *szLine) {
    const char c = szLine[0];
    return c == '\0' || c == '/' || c == '\r' || c == '\n' || c == ' ' || c == '\t';
}
}  // namespace

bool OpenConfigFile(const char *fileName, const char *notFoundMessage, CFileHandle &file, bool bOpen) {
    if (file.IsOpen()) file.Close();
    if (bOpen) {
        char path[kConfigPathSize];
        if (fileName != nullptr && PluginPath(path, sizeof(path), "configs", fileName)) file.Open(path, "rt");
    }
    if (file.IsOpen()) return true;
    LogMessage(true, LOGLEVEL_ERROR, LOGMODE_NORMAL, "%s", notFoundMessage != nullptr ? notFoundMessage : "");
    return false;
}

void ExecuteCommandFile(CFileHandle &file) {
    if (!file.IsOpen()) return;
    char line[kCommandLineSize];
    while (file.ReadLine(line, sizeof(line))) {
        if (IsSkippedLine(line)) continue;
        std::size_t length = std::strlen(line);
        while (length > 0 && IsWhiteSpace(line[length - 1])) line[--length] = '\0';
        IssueServerCommand("%s", line);
    }
}
