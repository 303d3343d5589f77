// POSIX backend of the hardware figures (Linux servers).
#include "platform/hardware.h"

#include <time.h>
#include <unistd.h>

#include <cstdio>
#include <cstring>

#if defined(__i386__) || defined(__x86_64__)
#include <x86intrin.h>
#endif

namespace platform {

bool PerformanceFrequency(int64_t *frequency) {
    if (frequency == nullptr) return false;
    struct timespec probe {};
    if (clock_gettime(CLOCK_MONOTONIC, &probe) != 0) {
        *frequency = 0;
        return false;
    }
    *frequency = 1000000000;
    return true;
}

int64_t PerformanceCounter() {
    struct timespec now {};
    if (clock_gettime(CLOCK_MONOTONIC, &now) != 0) return 0;
    return static_cast<int64_t>(now.tv_sec) * 1000000000 + static_cast<int64_t>(now.tv_nsec);
}

int64_t TimeStampCounter() {
#if defined(__i386__) || defined(__x86_64__)
    return static_cast<int64_t>(__rdtsc());
#else
    return 0;
#endif
}

float ReportedProcessorMhz() {
    // Kilohertz; absent in most virtual machines and containers without /sys.
    unsigned long kilohertz = 0;
    if (std::FILE *file = std::fopen("/sys/devices/system/cpu/cpu0/cpufreq/cpuinfo_max_freq", "r")) {
        if (std::fscanf(file, "%lu", &kilohertz) != 1) kilohertz = 0;
        std::fclose(file);
    }
    return static_cast<float>(static_cast<double>(kilohertz) / 1000.0);
}

int ProcessorCount() {
    const long count = sysconf(_SC_NPROCESSORS_ONLN);
    if (count < 1) return 0;
    return count > 1024 ? 1024 : static_cast<int>(count);
}

uint64_t AvailablePhysicalMemory() {
    // The kernel's own estimate of memory available without swapping.
    if (std::FILE *meminfo = std::fopen("/proc/meminfo", "r")) {
        char line[256];
        unsigned long long kilobytes = 0;
        bool found = false;
        while (!found && std::fgets(line, sizeof(line), meminfo) != nullptr) {
            if (std::strncmp(line, "MemAvailable:", 13) == 0)
                found = std::sscanf(line + 13, "%llu", &kilobytes) == 1;
        }
        std::fclose(meminfo);
        if (found) return static_cast<uint64_t>(kilobytes) * 1024u;
    }
    // Older kernels: the free pages.
    const long pages = sysconf(_SC_AVPHYS_PAGES);
    const long pageSize = sysconf(_SC_PAGESIZE);
    if (pages <= 0 || pageSize <= 0) return 0;
    return static_cast<uint64_t>(pages) * static_cast<uint64_t>(pageSize);
}

}  // namespace platform
