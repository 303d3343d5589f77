// Win32 backend of the processor-load counters: the Performance Data Helper.
// "pdh.dll" is bound at run time, so the plugin loads and runs where the
// library is missing; it is never linked and never released.
//
// Fault guard.  MinGW's GCC has no __try/__except.  Every PDH call runs
// instead under a vectored exception handler, added just before the call
// and removed right after it (so that an unloaded plugin leaves no handler
// behind).  When the guarded call raises a hardware fault on the guarding
// thread, the handler rewrites the faulting context to resume in a landing
// function on a fresh part of the same stack, and that function returns to
// the guard with __builtin_longjmp (no unwinding, no C runtime state).
// Software exceptions (RPC, C++, debugger notices) pass untouched to the
// handlers PDH installs itself.  A vectored handler sees a fault before any
// frame handler does; a hardware fault that PDH would catch by itself is
// therefore reported as a fault of the call.
#include "platform/cpu_load.h"
#include "platform/fault_points.h"

#define WIN32_LEAN_AND_MEAN
#include <windows.h>

#include <cstddef>
#include <cstdio>

namespace platform {

namespace {

// ------------------------------------------------------------------ PDH declarations
typedef LONG PdhStatus;
typedef void *PdhQuery;
typedef void *PdhCounter;
constexpr PdhStatus kPdhSuccess = 0;
constexpr DWORD kPdhFmtLong = 0x00000100;  // PDH_FMT_LONG
constexpr DWORD kPdhCstatusValidData = 0;  // PDH_CSTATUS_VALID_DATA

struct PdhFmtCounterValue {  // PDH_FMT_COUNTERVALUE
    DWORD CStatus;
    union {
        LONG longValue;
        double doubleValue;
        LONGLONG largeValue;
        LPCSTR AnsiStringValue;
        LPCWSTR WideStringValue;
    };
};
static_assert(sizeof(PdhFmtCounterValue) == 16, "PDH_FMT_COUNTERVALUE is 16 bytes");
static_assert(offsetof(PdhFmtCounterValue, longValue) == 8, "the value union follows the status at offset 8");

typedef PdhStatus(WINAPI *PdhOpenQueryAFn)(LPCSTR dataSource, DWORD_PTR userData, PdhQuery *query);
typedef PdhStatus(WINAPI *PdhCloseQueryFn)(PdhQuery query);
typedef PdhStatus(WINAPI *PdhAddCounterAFn)(PdhQuery query, LPCSTR path, DWORD_PTR userData, PdhCounter *counter);
typedef PdhStatus(WINAPI *PdhRemoveCounterFn)(PdhCounter counter);
typedef PdhStatus(WINAPI *PdhCollectQueryDataFn)(PdhQuery query);
typedef PdhStatus(WINAPI *PdhGetFormattedCounterValueFn)(PdhCounter counter, DWORD format, LPDWORD type,
                                                         PdhFmtCounterValue *value);

enum BindState { kUntried = 0, kBound = 1, kFailed = 2 };
int32_t s_bindState = kUntried;
int s_bindAttempts = 0;
char s_libraryName[MAX_PATH] = "pdh.dll";

PdhOpenQueryAFn s_openQuery = nullptr;
PdhCloseQueryFn s_closeQuery = nullptr;
PdhAddCounterAFn s_addCounter = nullptr;
PdhRemoveCounterFn s_removeCounter = nullptr;
PdhCollectQueryDataFn s_collectQueryData = nullptr;
PdhGetFormattedCounterValueFn s_getFormattedCounterValue = nullptr;

template <typename Fn>
bool Take(HMODULE library, const char *name, Fn *out) {
    FARPROC address = GetProcAddress(library, name);
    *out = reinterpret_cast<Fn>(reinterpret_cast<void *>(address));
    return address != nullptr;
}

// ------------------------------------------------------------------ fault guard
struct Guard {
    void *jump[5];  // __builtin_setjmp buffer
    DWORD thread;
    volatile LONG active;
};
Guard s_guard;

bool IsHardwareFault(DWORD code) {
    switch (code) {
    case EXCEPTION_ACCESS_VIOLATION:
    case EXCEPTION_IN_PAGE_ERROR:
    case EXCEPTION_ILLEGAL_INSTRUCTION:
    case EXCEPTION_PRIV_INSTRUCTION:
    case EXCEPTION_INT_DIVIDE_BY_ZERO:
    case EXCEPTION_INT_OVERFLOW:
    case EXCEPTION_DATATYPE_MISALIGNMENT:
    case EXCEPTION_ARRAY_BOUNDS_EXCEEDED:
    case EXCEPTION_FLT_DIVIDE_BY_ZERO:
    case EXCEPTION_FLT_INVALID_OPERATION:
    case EXCEPTION_FLT_OVERFLOW:
    case EXCEPTION_FLT_UNDERFLOW:
    case EXCEPTION_FLT_INEXACT_RESULT:
    case EXCEPTION_FLT_DENORMAL_OPERAND:
    case EXCEPTION_FLT_STACK_CHECK:
        return true;
    default:  // stack overflow included: there is no stack left to land on
        return false;
    }
}

__attribute__((noinline, noreturn)) void GuardLanding() { __builtin_longjmp(s_guard.jump, 1); }

LONG WINAPI GuardHandler(EXCEPTION_POINTERS *info) {
    if (s_guard.active == 0 || s_guard.thread != GetCurrentThreadId()) return EXCEPTION_CONTINUE_SEARCH;
    if (info == nullptr || info->ExceptionRecord == nullptr || info->ContextRecord == nullptr)
        return EXCEPTION_CONTINUE_SEARCH;
    if (!IsHardwareFault(info->ExceptionRecord->ExceptionCode)) return EXCEPTION_CONTINUE_SEARCH;
    s_guard.active = 0;
    CONTEXT *context = info->ContextRecord;
    // Resume below the faulting frame (and below this dispatch), aligned as
    // right after a call instruction.
#if defined(_WIN64)
    context->Rsp = ((context->Rsp - 4096) & ~static_cast<DWORD64>(15)) - 8;
    context->Rip = reinterpret_cast<DWORD64>(&GuardLanding);
#else
    context->Esp = ((context->Esp - 4096) & ~static_cast<DWORD>(15)) - 4;
    context->Eip = reinterpret_cast<DWORD>(&GuardLanding);
#endif
    return EXCEPTION_CONTINUE_EXECUTION;
}

}  // namespace

__attribute__((noinline)) bool RunUnderFaultGuard(void (*call)(void *), void *context) {
    if (call == nullptr) return false;
    void *volatile handler = AddVectoredExceptionHandler(1, GuardHandler);
    if (handler == nullptr) {  // no guard to be had: the call runs unprotected
        call(context);
        return true;
    }
    volatile bool returned = false;
    if (__builtin_setjmp(s_guard.jump) == 0) {
        s_guard.thread = GetCurrentThreadId();
        s_guard.active = 1;
        call(context);
        s_guard.active = 0;
        returned = true;
    }
    s_guard.active = 0;
    RemoveVectoredExceptionHandler(handler);
    return returned;
}

namespace {

// One guarded PDH call: a fault is CpuStatus::Fault, a status other than
// success CpuStatus::Failed.
template <typename Call>
CpuStatus GuardedPdh(Call &call) {
    struct Thunk {
        static void Run(void *context) { (*static_cast<Call *>(context))(); }
    };
    if (FaultFires(FaultPoint::CounterFault) || !RunUnderFaultGuard(&Thunk::Run, &call)) return CpuStatus::Fault;
    return CpuStatus::Ok;
}

}  // namespace

bool BindCpuCounters() {
    if (s_bindState == kBound) return true;
    if (s_bindState == kFailed) return false;
    ++s_bindAttempts;
    HMODULE library = LoadLibraryA(s_libraryName);
    if (library == nullptr) {
        s_bindState = kFailed;
        return false;
    }
    bool all = true;
    all = Take(library, "PdhOpenQueryA", &s_openQuery) && all;
    all = Take(library, "PdhCloseQuery", &s_closeQuery) && all;
    all = Take(library, "PdhAddCounterA", &s_addCounter) && all;
    all = Take(library, "PdhRemoveCounter", &s_removeCounter) && all;
    all = Take(library, "PdhCollectQueryData", &s_collectQueryData) && all;
    all = Take(library, "PdhGetFormattedCounterValue", &s_getFormattedCounterValue) && all;
    s_bindState = all ? kBound : kFailed;
    return all;
}

CpuStatus OpenCpuQuery(void **query) {
    if (query == nullptr || !BindCpuCounters()) return CpuStatus::Failed;
    PdhStatus status = -1;
    auto call = [&] { status = s_openQuery(nullptr, 0, query); };
    const CpuStatus guarded = GuardedPdh(call);
    if (guarded != CpuStatus::Ok) return guarded;
    return status == kPdhSuccess ? CpuStatus::Ok : CpuStatus::Failed;
}

CpuStatus AddCpuCounter(void *query, const char *path, void **counter) {
    if (counter == nullptr || !BindCpuCounters()) return CpuStatus::Failed;
    PdhStatus status = -1;
    auto call = [&] { status = s_addCounter(query, path, 0, counter); };
    const CpuStatus guarded = GuardedPdh(call);
    if (guarded != CpuStatus::Ok) return guarded;
    return status == kPdhSuccess ? CpuStatus::Ok : CpuStatus::Failed;
}

CpuStatus CollectCpuSample(void *query, void *counter, uint32_t *value) {
    if (value == nullptr || !BindCpuCounters()) return CpuStatus::Failed;
    bool formatted = false;
    PdhFmtCounterValue sample{};
    auto call = [&] {
        if (s_collectQueryData(query) != kPdhSuccess) return;
        if (s_getFormattedCounterValue(counter, kPdhFmtLong, nullptr, &sample) != kPdhSuccess) return;
        formatted = sample.CStatus == kPdhCstatusValidData;
    };
    const CpuStatus guarded = GuardedPdh(call);
    if (guarded != CpuStatus::Ok) return guarded;
    if (!formatted) return CpuStatus::Failed;
    *value = static_cast<uint32_t>(sample.longValue);
    return CpuStatus::Ok;
}

CpuStatus RemoveCpuCounter(void *counter) {
    if (!BindCpuCounters()) return CpuStatus::Failed;
    PdhStatus status = -1;
    auto call = [&] { status = s_removeCounter(counter); };
    const CpuStatus guarded = GuardedPdh(call);
    if (guarded != CpuStatus::Ok) return guarded;
    return status == kPdhSuccess ? CpuStatus::Ok : CpuStatus::Failed;
}

CpuStatus CloseCpuQuery(void *query) {
    if (!BindCpuCounters()) return CpuStatus::Failed;
    PdhStatus status = -1;
    auto call = [&] { status = s_closeQuery(query); };
    const CpuStatus guarded = GuardedPdh(call);
    if (guarded != CpuStatus::Ok) return guarded;
    return status == kPdhSuccess ? CpuStatus::Ok : CpuStatus::Failed;
}

namespace {
uint32_t s_versionForTests = 0;  // 0: the running system's
}  // namespace

bool WindowsVersionWord(uint32_t *version) {
    if (version == nullptr) return false;
    *version = s_versionForTests != 0 ? s_versionForTests : static_cast<uint32_t>(GetVersion());
    return true;
}

void SetWindowsVersionWordForTests(uint32_t version) { s_versionForTests = version; }

const char *CpuCounterSource() { return s_libraryName; }

void ResetCpuCountersForTests(const char *source) {
    std::snprintf(s_libraryName, sizeof(s_libraryName), "%s", source != nullptr ? source : "pdh.dll");
    s_bindState = kUntried;
    s_bindAttempts = 0;
    s_openQuery = nullptr;
    s_closeQuery = nullptr;
    s_addCounter = nullptr;
    s_removeCounter = nullptr;
    s_collectQueryData = nullptr;
    s_getFormattedCounterValue = nullptr;
}

int CpuBindAttemptsForTests() { return s_bindAttempts; }

}  // namespace platform
