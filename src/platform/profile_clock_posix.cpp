// POSIX backend of the profile clock and the launch options.
#include "platform/profile_clock.h"

#include <fcntl.h>
#include <strings.h>
#include <time.h>
#include <unistd.h>

#if defined(__i386__) || defined(__x86_64__)
#include <x86intrin.h>
#define ZK_PROFILE_TSC 1
#endif

namespace platform {

namespace {
uint64_t ClockNanoseconds() {
    struct timespec ts {};
    clock_gettime(CLOCK_MONOTONIC, &ts);
    return static_cast<uint64_t>(ts.tv_sec) * 1000000000ull + static_cast<uint64_t>(ts.tv_nsec);
}
}  // namespace

#ifdef ZK_PROFILE_TSC
uint64_t ProfileTicks() { return __rdtsc(); }

double ProfileTickNanoseconds() {
    static double s_nsPerTick = 0.0;
    if (s_nsPerTick > 0.0) return s_nsPerTick;
    const uint64_t startNs = ClockNanoseconds();
    const uint64_t startTicks = __rdtsc();
    uint64_t nowNs = startNs;
    while (nowNs - startNs < 2000000u) nowNs = ClockNanoseconds();
    const uint64_t ticks = __rdtsc() - startTicks;
    s_nsPerTick = ticks > 0 ? static_cast<double>(nowNs - startNs) / static_cast<double>(ticks) : 1.0;
    return s_nsPerTick;
}
#else
uint64_t ProfileTicks() { return ClockNanoseconds(); }
double ProfileTickNanoseconds() { return 1.0; }
#endif

bool LaunchOptionGiven(const char *option) {
    if (option == nullptr || option[0] == '\0') return false;
    const int fd = open("/proc/self/cmdline", O_RDONLY);
    if (fd < 0) return false;
    static char s_arguments[16384];  // arguments are separated by NULs
    ssize_t length = 0;
    for (;;) {
        const ssize_t got = read(fd, s_arguments + length, sizeof(s_arguments) - 1 - static_cast<size_t>(length));
        if (got <= 0) break;
        length += got;
        if (static_cast<size_t>(length) >= sizeof(s_arguments) - 1) break;
    }
    close(fd);
    s_arguments[length] = '\0';
    for (ssize_t at = 0; at < length;) {
        const char *argument = s_arguments + at;
        if (strcasecmp(argument, option) == 0) return true;
        while (at < length && s_arguments[at] != '\0') ++at;
        ++at;
    }
    return false;
}

}  // namespace platform
