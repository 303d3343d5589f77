// Win32 backend of the platform seam (Windows servers).
#include "platform/platform.h"
#include "platform/fault_points.h"

#define WIN32_LEAN_AND_MEAN
#include <windows.h>
#include <mmsystem.h>

#include <cstddef>
#include <cstdlib>
#include <ctime>

namespace platform {

// ------------------------------------------------------------------ timer period

bool GetTimerCaps(TimerCaps *caps) {
    if (caps == nullptr) return false;
    TIMECAPS tc{};
    if (timeGetDevCaps(&tc, sizeof(tc)) != TIMERR_NOERROR) return false;
    caps->wPeriodMin = tc.wPeriodMin;
    caps->wPeriodMax = tc.wPeriodMax;
    return true;
}

void BeginTimerPeriod(uint32_t milliseconds) { timeBeginPeriod(milliseconds); }

void EndTimerPeriod(uint32_t milliseconds) { timeEndPeriod(milliseconds); }

// NtQueryTimerResolution (ntdll): the coarsest, finest and current system
// timer resolution, in units of 100 ns.  Resolved at run time: it is not in
// the import libraries.
typedef LONG(NTAPI *QueryTimerResolutionFn)(ULONG *coarsest, ULONG *finest, ULONG *current);

const char kTimerResolutionName[] = "timer period";

bool TimerResolutionInForce(uint64_t *nanoseconds) {
    if (nanoseconds == nullptr) return false;
    HMODULE ntdll = GetModuleHandleA("ntdll.dll");
    if (ntdll == nullptr) return false;
    const QueryTimerResolutionFn query =
        reinterpret_cast<QueryTimerResolutionFn>(reinterpret_cast<void *>(GetProcAddress(ntdll, "NtQueryTimerResolution")));
    if (query == nullptr) return false;
    ULONG coarsest = 0, finest = 0, current = 0;
    if (query(&coarsest, &finest, &current) < 0) return false;
    *nanoseconds = static_cast<uint64_t>(current) * 100u;
    return true;
}

// Power throttling, declared here: older SDK headers lack it, and the call
// itself is resolved at run time because Windows before 8 lacks
// SetProcessInformation.
namespace {
constexpr int kProcessPowerThrottling = 4;  // PROCESS_INFORMATION_CLASS
constexpr ULONG kThrottlingCurrentVersion = 1;
constexpr ULONG kThrottlingExecutionSpeed = 0x1;
constexpr ULONG kThrottlingIgnoreTimerResolution = 0x4;
struct PowerThrottlingState {
    ULONG Version;
    ULONG ControlMask;
    ULONG StateMask;
};
static_assert(sizeof(PowerThrottlingState) == 12, "PROCESS_POWER_THROTTLING_STATE is 12 bytes");
static_assert(offsetof(PowerThrottlingState, ControlMask) == 4, "ControlMask follows Version");
static_assert(offsetof(PowerThrottlingState, StateMask) == 8, "StateMask follows ControlMask");
typedef BOOL(WINAPI *SetProcessInformationFn)(HANDLE process, int informationClass, void *information, DWORD size);
}  // namespace

ThrottlingOptOut OptOutOfTimerThrottling() {
    HMODULE kernel32 = GetModuleHandleA("kernel32.dll");
    const SetProcessInformationFn set =
        kernel32 == nullptr || FaultFires(FaultPoint::ThrottlingMissing)
            ? nullptr
            : reinterpret_cast<SetProcessInformationFn>(
                  reinterpret_cast<void *>(GetProcAddress(kernel32, "SetProcessInformation")));
    if (set == nullptr) return ThrottlingOptOut::FunctionMissing;
    // Control both throttlings and switch both off (state 0).
    PowerThrottlingState state{kThrottlingCurrentVersion, kThrottlingExecutionSpeed | kThrottlingIgnoreTimerResolution, 0};
    if (FaultFires(FaultPoint::ThrottlingRefused) ||
        !set(GetCurrentProcess(), kProcessPowerThrottling, &state, sizeof(state)))
        return ThrottlingOptOut::Refused;
    return ThrottlingOptOut::Done;
}

// ------------------------------------------------------------------ dynamic libraries

LibraryHandle OpenLibrary(const char *path) {
    if (path == nullptr) return nullptr;
    return reinterpret_cast<LibraryHandle>(LoadLibraryA(path));
}

void *LibrarySymbol(LibraryHandle library, const char *name) {
    if (library == nullptr || name == nullptr) return nullptr;
    return reinterpret_cast<void *>(GetProcAddress(static_cast<HMODULE>(library), name));
}

void CloseLibrary(LibraryHandle library) {
    if (library != nullptr) FreeLibrary(static_cast<HMODULE>(library));
}

// ------------------------------------------------------------------ message box

namespace {
#ifdef ZK_FAULT_POINTS
int s_messageBoxesShown = 0;

// What a modal box does to the thread while it is open, without a box.
void RunModalLoop() {
    const ULONGLONG end = GetTickCount64() + 1500;
    while (GetTickCount64() < end) {
        MSG message;
        while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) {
            TranslateMessage(&message);
            DispatchMessageA(&message);
        }
        Sleep(10);
    }
}
#endif
}  // namespace

#ifdef ZK_FAULT_POINTS
int MessageBoxesShown() { return s_messageBoxesShown; }
#endif

bool InteractiveDesktop() {
    if (FaultFires(FaultPoint::NoDesktop)) return false;
    HWINSTA station = GetProcessWindowStation();
    if (station == nullptr) return false;
    USEROBJECTFLAGS flags{};
    DWORD needed = 0;
    if (!GetUserObjectInformationA(station, UOI_FLAGS, &flags, sizeof(flags), &needed)) return false;
    if ((flags.dwFlags & WSF_VISIBLE) == 0) return false;
    // Since Vista every service runs in session 0, which no user sees: a
    // LocalSystem service allowed to interact with the desktop still has a
    // visible window station there, and a box would hold the server for
    // ever.  A session that cannot be read counts as no desktop too: a box
    // nobody may see is worse than a logged line.
    DWORD session = 0;
    if (!ProcessIdToSessionId(GetCurrentProcessId(), &session)) return false;
    if (FaultFires(FaultPoint::SessionZero)) session = 0;
    return session != 0;
}

bool ShowMessageBox(const char *text, const char *caption, MessageBoxIcon icon) {
    if (!InteractiveDesktop()) return false;
#ifdef ZK_FAULT_POINTS
    ++s_messageBoxesShown;
    if (FaultFires(FaultPoint::ModalLoop)) {
        RunModalLoop();
        return true;
    }
#endif
    UINT type = MB_OK;
    if (icon == MessageBoxIcon::Error) type |= MB_ICONHAND;
    return MessageBoxA(nullptr, text != nullptr ? text : "", caption != nullptr ? caption : "", type) != 0;
}

// ------------------------------------------------------------------ clock

LocalTime CurrentLocalTime() {
    SYSTEMTIME st{};
    GetLocalTime(&st);
    return LocalTime{st.wYear - 1900, st.wMonth - 1, st.wDay, st.wHour, st.wMinute, st.wSecond};
}

int64_t CalendarSeconds() { return static_cast<int64_t>(std::time(nullptr)); }

double MonotonicSeconds() {
    LARGE_INTEGER frequency{}, counter{};
    if (!QueryPerformanceFrequency(&frequency) || frequency.QuadPart == 0) return GetTickCount64() / 1000.0;
    QueryPerformanceCounter(&counter);
    return static_cast<double>(counter.QuadPart) / static_cast<double>(frequency.QuadPart);
}

namespace {
// The counter's frequency is fixed at boot: read it once.
int64_t CounterFrequency() {
    static int64_t frequency = 0;
    if (frequency == 0) {
        LARGE_INTEGER value{};
        frequency = QueryPerformanceFrequency(&value) && value.QuadPart > 0 ? value.QuadPart : -1;
    }
    return frequency;
}

uint64_t FileTimeNanoseconds(const FILETIME &time) {
    return ((static_cast<uint64_t>(time.dwHighDateTime) << 32) | time.dwLowDateTime) * 100u;
}
}  // namespace

uint64_t MonotonicNanoseconds() {
    const int64_t frequency = CounterFrequency();
    if (frequency <= 0) return static_cast<uint64_t>(GetTickCount64()) * 1000000u;
    LARGE_INTEGER counter{};
    QueryPerformanceCounter(&counter);
    const uint64_t ticks = static_cast<uint64_t>(counter.QuadPart);
    const uint64_t f = static_cast<uint64_t>(frequency);
    // Split, so that ticks * 10^9 cannot overflow.
    return ticks / f * 1000000000u + ticks % f * 1000000000u / f;
}

bool ProcessCpuNanoseconds(uint64_t *nanoseconds) {
    if (nanoseconds == nullptr) return false;
    FILETIME created{}, exited{}, kernel{}, user{};
    if (FaultFires(FaultPoint::ProcessCpuTime)) return false;
    if (!GetProcessTimes(GetCurrentProcess(), &created, &exited, &kernel, &user)) return false;
    *nanoseconds = FileTimeNanoseconds(kernel) + FileTimeNanoseconds(user);
    return true;
}

void SleepMilliseconds(uint32_t milliseconds) { Sleep(milliseconds); }

// ------------------------------------------------------------------ files and directories

const char kPathSeparator = '\\';

bool DirectoryExists(const char *path) {
    if (path == nullptr || *path == '\0') return false;
    const DWORD attributes = GetFileAttributesA(path);
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
}

bool FileExists(const char *path) {
    if (path == nullptr || *path == '\0') return false;
    return GetFileAttributesA(path) != INVALID_FILE_ATTRIBUTES;
}

bool CreateOneDirectory(const char *path) {
    if (path == nullptr || *path == '\0' || FaultFires(FaultPoint::MakeDirectory)) return false;
    return CreateDirectoryA(path, nullptr) != 0;
}

// ------------------------------------------------------------------ system timers
// Thread timers without a window: the system assigns the identifier and the
// callback runs when the server thread dispatches its messages.

namespace {
constexpr int kMaxTracked = 64;
uintptr_t s_liveIds[kMaxTracked];

void Track(uintptr_t id) {
    for (uintptr_t &slot : s_liveIds)
        if (slot == id) return;
    for (uintptr_t &slot : s_liveIds)
        if (slot == 0) { slot = id; return; }
}

void Untrack(uintptr_t id) {
    for (uintptr_t &slot : s_liveIds)
        if (slot == id) slot = 0;
}
}  // namespace

uintptr_t StartSystemTimer(uintptr_t requestedId, uint32_t milliseconds, SystemTimerProc proc) {
    if (FaultFires(FaultPoint::StartTimer)) return 0;
    const UINT_PTR id = SetTimer(nullptr, requestedId, milliseconds, reinterpret_cast<TIMERPROC>(proc));
    if (id != 0) Track(id);
    return id;
}

bool StopSystemTimer(uintptr_t id) {
    Untrack(id);
    return KillTimer(nullptr, id) != 0;
}

void StopAllSystemTimers() {
    for (uintptr_t &slot : s_liveIds) {
        if (slot == 0) continue;
        KillTimer(nullptr, slot);
        slot = 0;
    }
}

int LiveSystemTimers() {
    int n = 0;
    for (uintptr_t id : s_liveIds)
        if (id != 0) ++n;
    return n;
}

void AdvanceSystemTimers(float gameTime) { (void)gameTime; }

// ------------------------------------------------------------------ process

void ExitProcess(int code) { std::exit(code); }

uint32_t ProcessId() { return static_cast<uint32_t>(GetCurrentProcessId()); }

}  // namespace platform
