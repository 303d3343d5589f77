// The one seam between the plugin and the operating system.  Every OS service
// the plugin uses is declared here; platform_win32.cpp implements it with the
// Win32 API, platform_posix.cpp with POSIX.  Nothing outside src/platform
// includes an OS header.
#pragma once

#include <cstdint>

#include "sdk/abi.h"

// Calling convention of a system timer callback (TIMERPROC is CALLBACK, that
// is __stdcall, on 32-bit Windows).
#define ZK_TIMER_CALLBACK ZK_STDCALL

namespace platform {

// ------------------------------------------------------------------ timer period
// Windows: the multimedia timer resolution (timeGetDevCaps, timeBeginPeriod,
// timeEndPeriod).  POSIX: the thread's timer slack (see platform_posix.cpp).
struct TimerCaps {
    uint32_t wPeriodMin;
    uint32_t wPeriodMax;
};
static_assert(sizeof(TimerCaps) == 8, "TIMECAPS is 8 bytes");

bool GetTimerCaps(TimerCaps *caps);
void BeginTimerPeriod(uint32_t milliseconds);
void EndTimerPeriod(uint32_t milliseconds);

// The timer resolution in force for this process, in nanoseconds.  Windows:
// the system timer resolution (NtQueryTimerResolution); POSIX: the calling
// thread's timer slack.  False when it cannot be read.
bool TimerResolutionInForce(uint64_t *nanoseconds);
// What that resolution is called here: "timer period" or "timer slack".
extern const char kTimerResolutionName[];

// Windows 11 and later give a process whose window is minimised or hidden
// the coarse default timer resolution, whatever it asked for, unless the
// process opts out of power throttling.  NotNeeded where the system has no
// such throttling (POSIX).
enum class ThrottlingOptOut { Done, FunctionMissing, Refused, NotNeeded };
ThrottlingOptOut OptOutOfTimerThrottling();

// ------------------------------------------------------------------ dynamic libraries
typedef void *LibraryHandle;
LibraryHandle OpenLibrary(const char *path);
void *LibrarySymbol(LibraryHandle library, const char *name);
void CloseLibrary(LibraryHandle library);

// ------------------------------------------------------------------ message box
// True where a box can be seen and closed: Windows, with the process on the
// interactive window station outside session 0.  False for a service (also
// one allowed to interact with the desktop: it runs in session 0) or a
// server started without a desktop (a box there would hold the server thread
// for ever, unseen), and on POSIX.
bool InteractiveDesktop();
// Windows: a modal MessageBoxA without owner; true once it is closed.  False,
// showing nothing, without an interactive desktop or when the box cannot be
// created: the caller then reports the text in its own way.  POSIX (a server
// has no desktop): the caption and text go to standard error, it never
// blocks, true.
enum class MessageBoxIcon { None, Error };
bool ShowMessageBox(const char *text, const char *caption, MessageBoxIcon icon);

// ------------------------------------------------------------------ clock
struct LocalTime {
    int year;   // years since 1900
    int month;  // 0 to 11
    int day;    // 1 to 31
    int hour;
    int minute;
    int second;
};
LocalTime CurrentLocalTime();
int64_t CalendarSeconds();    // seconds since the epoch
double MonotonicSeconds();    // a steady clock for measuring intervals
// The same clock in nanoseconds, cheap enough for every frame: no system
// call (vDSO clock_gettime, QueryPerformanceCounter) and no allocation.
uint64_t MonotonicNanoseconds();
// Processor time this process has used so far (all its threads), in
// nanoseconds; false when it cannot be read.
bool ProcessCpuNanoseconds(uint64_t *nanoseconds);
void SleepMilliseconds(uint32_t milliseconds);

// ------------------------------------------------------------------ files and directories
extern const char kPathSeparator;
// By the path's status (a directory that cannot be listed exists as well).
bool DirectoryExists(const char *path);
bool FileExists(const char *path);
// Creates the last component of the path only; its parent must exist.
bool CreateOneDirectory(const char *path);

// ------------------------------------------------------------------ system timers
// A callback of the standard timer-callback shape.  Windows: a thread timer
// without a window (SetTimer/KillTimer); it runs when the host thread
// dispatches its messages.  POSIX (no message loop in a Linux server): timers
// are measured in game time and fired on the server thread by
// AdvanceSystemTimers, which the per-frame hook calls.
constexpr unsigned int kTimerMessage = 275;  // WM_TIMER
typedef void(ZK_TIMER_CALLBACK *SystemTimerProc)(void *window, unsigned int message, uintptr_t id,
                                                   uint32_t time);
// Returns the identifier the system assigned, 0 on failure.
uintptr_t StartSystemTimer(uintptr_t requestedId, uint32_t milliseconds, SystemTimerProc proc);
bool StopSystemTimer(uintptr_t id);
// Stops every live timer.  Before the library goes away: a Windows thread
// timer left running would call into unmapped code.  Windows kills only the
// calling thread's timers, so call it on the thread that started them.
void StopAllSystemTimers();
// Number of live timers (for soak checks).
int LiveSystemTimers();
// POSIX: fires the due timers; its fast path is one comparison.  Windows:
// nothing (the host's message loop dispatches them).
void AdvanceSystemTimers(float gameTime);

// ------------------------------------------------------------------ process
[[noreturn]] void ExitProcess(int code);
// The process's identifier (names a temporary file no other server shares).
uint32_t ProcessId();

}  // namespace platform
