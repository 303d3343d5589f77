// POSIX backend of the platform seam (Linux servers).
#include "platform/platform.h"

#include <dlfcn.h>
#include <sys/prctl.h>
#include <sys/stat.h>
#include <sys/types.h>
#include <time.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>

#include "platform/fault_points.h"
#include "platform/system_timers_gametime.h"

// The deployable libraries must load on the old distributions servers run:
// bind the dynamic-loader calls to their original symbol versions rather than
// to the GLIBC_2.34 ones a current toolchain would pick.
#if defined(__i386__) && defined(__GLIBC__) && defined(ZK_OLD_GLIBC_SYMBOLS)
__asm__(".symver dlopen,dlopen@GLIBC_2.1");
__asm__(".symver dlsym,dlsym@GLIBC_2.0");
__asm__(".symver dlclose,dlclose@GLIBC_2.0");
#elif defined(__x86_64__) && defined(__GLIBC__) && defined(ZK_OLD_GLIBC_SYMBOLS)
__asm__(".symver dlopen,dlopen@GLIBC_2.2.5");
__asm__(".symver dlsym,dlsym@GLIBC_2.2.5");
__asm__(".symver dlclose,dlclose@GLIBC_2.2.5");
#elif defined(__aarch64__) && defined(__GLIBC__) && defined(ZK_OLD_GLIBC_SYMBOLS)
__asm__(".symver dlopen,dlopen@GLIBC_2.17");
__asm__(".symver dlsym,dlsym@GLIBC_2.17");
__asm__(".symver dlclose,dlclose@GLIBC_2.17");
#endif

namespace platform {

// ------------------------------------------------------------------ timer period
//
// A Linux server has no multimedia timer.  The nearest lever is the thread's
// timer slack (PR_SET_TIMERSLACK): how late the kernel may wake a sleeping
// thread.  Windows' default resolution is coarse (15.6 ms), so a period of
// 1 to 3 ms makes a Windows server's sleeps finer; Linux sleeps are already
// fine (50 us slack by default).  We therefore keep the meaning "a larger
// minimum sleep makes the server lighter" without slowing a Linux server at
// the defaults: periods up to 3 ms leave the thread's own slack untouched,
// and each millisecond above 3 adds one millisecond of slack, so the
// regulator's raised values (up to 10 ms) let the kernel batch wake-ups and
// the server use less processor time.  Ending a period restores the slack
// the thread had before.

namespace {
constexpr uint32_t kFreeSlackPeriodMs = 3;
bool s_haveBaseSlack = false;
unsigned long s_baseSlackNs = 50000;

void RememberBaseSlack() {
    if (s_haveBaseSlack) return;
    const int current = prctl(PR_GET_TIMERSLACK, 0, 0, 0, 0);
    if (current > 0) s_baseSlackNs = static_cast<unsigned long>(current);
    s_haveBaseSlack = true;
}
}  // namespace

bool GetTimerCaps(TimerCaps *caps) {
    if (caps == nullptr) return false;
    caps->wPeriodMin = 1;
    caps->wPeriodMax = 1000000;
    return true;
}

void BeginTimerPeriod(uint32_t milliseconds) {
    RememberBaseSlack();
    unsigned long slack = s_baseSlackNs;
    if (milliseconds > kFreeSlackPeriodMs)
        slack += static_cast<unsigned long>(milliseconds - kFreeSlackPeriodMs) * 1000000ul;
    prctl(PR_SET_TIMERSLACK, slack, 0, 0, 0);
}

void EndTimerPeriod(uint32_t milliseconds) {
    (void)milliseconds;
    RememberBaseSlack();
    prctl(PR_SET_TIMERSLACK, s_baseSlackNs, 0, 0, 0);
}

const char kTimerResolutionName[] = "timer slack";

bool TimerResolutionInForce(uint64_t *nanoseconds) {
    if (nanoseconds == nullptr) return false;
    const int slack = prctl(PR_GET_TIMERSLACK, 0, 0, 0, 0);
    if (slack < 0) return false;
    *nanoseconds = static_cast<uint64_t>(slack);
    return true;
}

// Linux has no power throttling of timers; the fault points let the tests
// walk the plugin's messages for a system that lacks or refuses it.
ThrottlingOptOut OptOutOfTimerThrottling() {
    if (FaultFires(FaultPoint::ThrottlingMissing)) return ThrottlingOptOut::FunctionMissing;
    if (FaultFires(FaultPoint::ThrottlingRefused)) return ThrottlingOptOut::Refused;
    return ThrottlingOptOut::NotNeeded;
}

// ------------------------------------------------------------------ dynamic libraries

LibraryHandle OpenLibrary(const char *path) {
    if (path == nullptr) return nullptr;
    return dlopen(path, RTLD_NOW);
}

void *LibrarySymbol(LibraryHandle library, const char *name) {
    if (library == nullptr || name == nullptr) return nullptr;
    return dlsym(library, name);
}

void CloseLibrary(LibraryHandle library) {
    if (library != nullptr) dlclose(library);
}

// ------------------------------------------------------------------ message box

#ifdef ZK_FAULT_POINTS
namespace {
int s_messageBoxesShown = 0;
}
int MessageBoxesShown() { return s_messageBoxesShown; }
#endif

bool InteractiveDesktop() { return false; }

bool ShowMessageBox(const char *text, const char *caption, MessageBoxIcon icon) {
    (void)icon;
#ifdef ZK_FAULT_POINTS
    ++s_messageBoxesShown;
#endif
    std::fprintf(stderr, "%s: %s\n", caption != nullptr ? caption : "", text != nullptr ? text : "");
    std::fflush(stderr);
    return true;
}

// ------------------------------------------------------------------ clock

LocalTime CurrentLocalTime() {
    const time_t now = time(nullptr);
    struct tm parts {};
    localtime_r(&now, &parts);
    return LocalTime{parts.tm_year, parts.tm_mon, parts.tm_mday, parts.tm_hour, parts.tm_min, parts.tm_sec};
}

int64_t CalendarSeconds() { return static_cast<int64_t>(time(nullptr)); }

double MonotonicSeconds() {
    struct timespec ts {};
    clock_gettime(CLOCK_MONOTONIC, &ts);
    return static_cast<double>(ts.tv_sec) + static_cast<double>(ts.tv_nsec) / 1e9;
}

uint64_t MonotonicNanoseconds() {
    struct timespec ts {};
    clock_gettime(CLOCK_MONOTONIC, &ts);  // the vDSO: no system call
    return static_cast<uint64_t>(ts.tv_sec) * 1000000000ull + static_cast<uint64_t>(ts.tv_nsec);
}

bool ProcessCpuNanoseconds(uint64_t *nanoseconds) {
    if (nanoseconds == nullptr) return false;
    struct timespec ts {};
    if (FaultFires(FaultPoint::ProcessCpuTime) || clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &ts) != 0) return false;
    *nanoseconds = static_cast<uint64_t>(ts.tv_sec) * 1000000000ull + static_cast<uint64_t>(ts.tv_nsec);
    return true;
}

void SleepMilliseconds(uint32_t milliseconds) {
    struct timespec ts {};
    ts.tv_sec = static_cast<time_t>(milliseconds / 1000);
    ts.tv_nsec = static_cast<long>(milliseconds % 1000) * 1000000L;
    nanosleep(&ts, nullptr);
}

// ------------------------------------------------------------------ files and directories

const char kPathSeparator = '/';

// DirectoryExists: file_system_posix.cpp, beside the other status calls.

bool FileExists(const char *path) {
    if (path == nullptr || *path == '\0') return false;
    return access(path, F_OK) == 0;
}

bool CreateOneDirectory(const char *path) {
    if (path == nullptr || *path == '\0' || FaultFires(FaultPoint::MakeDirectory)) return false;
    return mkdir(path, 0755) == 0;
}

// ------------------------------------------------------------------ system timers

uintptr_t StartSystemTimer(uintptr_t requestedId, uint32_t milliseconds, SystemTimerProc proc) {
    if (FaultFires(FaultPoint::StartTimer)) return 0;
    return gametime_timers::Start(requestedId, milliseconds, proc);
}

bool StopSystemTimer(uintptr_t id) { return gametime_timers::Stop(id); }

void StopAllSystemTimers() { gametime_timers::StopAll(); }

int LiveSystemTimers() { return gametime_timers::Live(); }

void AdvanceSystemTimers(float gameTime) { gametime_timers::Advance(gameTime); }

// ------------------------------------------------------------------ process

void ExitProcess(int code) { std::exit(code); }

uint32_t ProcessId() { return static_cast<uint32_t>(getpid()); }

}  // namespace platform
