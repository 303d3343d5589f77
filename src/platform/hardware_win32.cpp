// Win32 backend of the hardware figures (Windows servers).
#include "platform/hardware.h"

#define WIN32_LEAN_AND_MEAN
#include <windows.h>
#include <intrin.h>

namespace platform {

bool PerformanceFrequency(int64_t *frequency) {
    if (frequency == nullptr) return false;
    LARGE_INTEGER value;
    if (!QueryPerformanceFrequency(&value) || value.QuadPart <= 0) {
        *frequency = 0;
        return false;
    }
    *frequency = value.QuadPart;
    return true;
}

int64_t PerformanceCounter() {
    LARGE_INTEGER value;
    if (!QueryPerformanceCounter(&value)) return 0;
    return value.QuadPart;
}

int64_t TimeStampCounter() {
#if defined(_M_IX86) || defined(_M_X64) || defined(__i386__) || defined(__x86_64__)
    return static_cast<int64_t>(__rdtsc());
#else
    return 0;
#endif
}

// Windows servers run on x86, whose time-stamp counter gives the clock.
float ReportedProcessorMhz() { return 0.0f; }

int ProcessorCount() {
    SYSTEM_INFO info;
    GetSystemInfo(&info);
    return static_cast<int>(info.dwNumberOfProcessors);
}

uint64_t AvailablePhysicalMemory() {
    static_assert(sizeof(MEMORYSTATUSEX) == 64, "MEMORYSTATUSEX is 64 bytes");
    MEMORYSTATUSEX status;
    status.dwLength = 64;
    if (!GlobalMemoryStatusEx(&status)) return 0;
    return static_cast<uint64_t>(status.ullAvailPhys);
}

}  // namespace platform
