#include "commands/timer_start.h"

#include "log/log.h"

uintptr_t StartTimerOrWarn(uintptr_t requestedId, uint32_t milliseconds, platform::SystemTimerProc proc,
                           const char *szConsequence) {
    const uintptr_t id = platform::StartSystemTimer(requestedId, milliseconds, proc);
    if (id == 0)
        LogMessage(true, LOGLEVEL_WARNING, LOGMODE_NORMAL, "Could not start a system timer: %s.", szConsequence);
    return id;
}
