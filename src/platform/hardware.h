// Hardware figures for the automatic configuration: the performance counter,
// the processor's time-stamp counter, the processor count and the free
// physical memory.  hardware_win32.cpp implements them with the Win32 API,
// hardware_posix.cpp with POSIX and /proc.
#pragma once

#include <cstdint>

namespace platform {

// Ticks per second of PerformanceCounter; false when there is no counter.
bool PerformanceFrequency(int64_t *frequency);
// A steady high-resolution counter (POSIX: nanoseconds, frequency 1e9).
int64_t PerformanceCounter();
// The processor's time-stamp counter; 0 where the processor has none.
int64_t TimeStampCounter();
// The processor's highest clock as the system reports it, in MHz (Linux:
// cpufreq's cpuinfo_max_freq of the first processor); 0 when it does not say.
float ReportedProcessorMhz();
// Processors the system reports (0 when it does not say).
int ProcessorCount();
// Available physical memory in bytes (0 when unknown).
uint64_t AvailablePhysicalMemory();

}  // namespace platform
