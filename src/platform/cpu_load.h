// Processor-load counters for the CPU load monitor.  cpu_load_win32.cpp
// implements them with the Performance Data Helper ("pdh.dll", bound at run
// time, every call under a fault guard); cpu_load_posix.cpp with the
// kernel's jiffy counters in /proc/stat.
//
// Queries and counters are opaque handles.  A query collects, a counter
// added to it formats the rate between the query's last two collections.
#pragma once

#include <cstdint>

namespace platform {

// Result of one counter operation.
enum class CpuStatus {
    Ok,      // the operation succeeded
    Failed,  // the system reported a failure status
    Fault,   // the call raised a fault (Windows: caught by the guard)
};

// Binds the counter source once in the process's life: the first call
// decides, later calls repeat that answer without trying again.
bool BindCpuCounters();

// Opens a query; *query receives its handle (untouched on a fault).
CpuStatus OpenCpuQuery(void **query);
// Adds the counter named by path to the query.
CpuStatus AddCpuCounter(void *query, const char *path, void **counter);
// Collects the query and formats the counter as a whole percent.  Ok: *value
// holds the rate.  Failed: no rate this time (the first collection of a
// counter, an invalid counter, unreadable data); *value is untouched.
CpuStatus CollectCpuSample(void *query, void *counter, uint32_t *value);
CpuStatus RemoveCpuCounter(void *counter);
// Closes the query and every counter still in it.
CpuStatus CloseCpuQuery(void *query);

// The GetVersion word (build number in the high word, version in the low
// word).  False where the system is not Windows and there is no such word.
bool WindowsVersionWord(uint32_t *version);
// What the counters are read from, for messages ("pdh.dll", "/proc/stat").
const char *CpuCounterSource();

// Tests: forgets the binding and takes its counters from `source` instead
// (Windows: a library name; POSIX: a file in /proc/stat's format); null
// restores the default.
void ResetCpuCountersForTests(const char *source);
// Tests: how often the source was tried (library loads, file probes).
int CpuBindAttemptsForTests();
// Tests: WindowsVersionWord gives `version` (0: the system's own answer again).
void SetWindowsVersionWordForTests(uint32_t version);

#if defined(_WIN32)
// Runs call(context) under the fault guard that protects every PDH call:
// false when it raised a fault, true when it returned.
bool RunUnderFaultGuard(void (*call)(void *), void *context);
#endif

}  // namespace platform
