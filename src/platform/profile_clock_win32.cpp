// Win32 backend of the profile clock and the launch options.
#include "platform/profile_clock.h"

#define WIN32_LEAN_AND_MEAN
#include <windows.h>

namespace platform {

uint64_t ProfileTicks() {
    LARGE_INTEGER counter{};
    QueryPerformanceCounter(&counter);
    return static_cast<uint64_t>(counter.QuadPart);
}

double ProfileTickNanoseconds() {
    static double s_nsPerTick = 0.0;
    if (s_nsPerTick > 0.0) return s_nsPerTick;
    LARGE_INTEGER frequency{};
    s_nsPerTick = QueryPerformanceFrequency(&frequency) && frequency.QuadPart > 0
                      ? 1e9 / static_cast<double>(frequency.QuadPart)
                      : 1.0;
    return s_nsPerTick;
}

bool LaunchOptionGiven(const char *option) {
    if (option == nullptr || option[0] == '\0') return false;
    const char *line = GetCommandLineA();
    if (line == nullptr) return false;
    char argument[256];
    while (*line != '\0') {
        while (*line == ' ' || *line == '\t') ++line;
        if (*line == '\0') break;
        size_t length = 0;
        bool quoted = false;
        for (; *line != '\0' && (quoted || (*line != ' ' && *line != '\t')); ++line) {
            if (*line == '"') {
                quoted = !quoted;
                continue;
            }
            if (length + 1 < sizeof(argument)) argument[length++] = *line;
        }
        argument[length] = '\0';
        if (lstrcmpiA(argument, option) == 0) return true;
    }
    return false;
}

}  // namespace platform
