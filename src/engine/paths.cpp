#include "engine/paths.h"

#include <cstdio>

#include "engine/known_mods.h"
#include "platform/platform.h"

namespace {
bool Finish(char *szOut, std::size_t size, int written) {
    if (written < 0 || static_cast<std::size_t>(written) >= size) {
        if (size > 0) szOut[0] = '\0';
        return false;
    }
    return true;
}
}  // namespace

bool PluginRootPath(char *szOut, std::size_t size) {
    const char sep = platform::kPathSeparator;
    return Finish(szOut, size, std::snprintf(szOut, size, "%s%caddons%czeq_kestrin", GameDirName(), sep, sep));
}

bool PluginPath(char *szOut, std::size_t size, const char *szDirectory, const char *szFile) {
    const char sep = platform::kPathSeparator;
    if (szFile == nullptr)
        return Finish(szOut, size,
                      std::snprintf(szOut, size, "%s%caddons%czeq_kestrin%c%s", GameDirName(), sep, sep, sep, szDirectory));
    return Finish(szOut, size,
                  std::snprintf(szOut, size, "%s%caddons%czeq_kestrin%c%s%c%s", GameDirName(), sep, sep, sep,
                                szDirectory, sep, szFile));
}

bool GamePath(char *szOut, std::size_t size, const char *szDirectory, const char *szFile) {
    const char sep = platform::kPathSeparator;
    return Finish(szOut, size, std::snprintf(szOut, size, "%s%c%s%c%s", GameDirName(), sep, szDirectory, sep, szFile));
}
