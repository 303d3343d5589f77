#include "commands/map_timers.h"

#include "commands/hpk_bridge.h"
#include "config/auto_config.h"
#include "log/log.h"
#include "platform/platform.h"
#include "resources/database_step.h"
#include "sdk/abi.h"

// Each callback stops its timer before its job: a job that shows a message
// box runs the box's modal loop, which dispatches the thread's messages, so a
// timer still running would fire again inside the box and run the job twice.
// The jobs that stop their timer themselves (DatabaseStep, HpkSetup) then
// find it stopped already.
namespace {
uintptr_t s_autoConfigTimerId = 0;
uintptr_t s_hpkSetupTimerId = 0;

ZK_HOST_CALLED void ZK_TIMER_CALLBACK DatabaseTimerProc(void *, unsigned int message, uintptr_t id, uint32_t) {
    if (message != platform::kTimerMessage) return;
    platform::StopSystemTimer(id);
    DatabaseStep(id);
}

ZK_HOST_CALLED void ZK_TIMER_CALLBACK AutoConfigTimerProc(void *, unsigned int message, uintptr_t id, uint32_t) {
    if (message != platform::kTimerMessage) return;
    s_autoConfigTimerId = id;
    platform::StopSystemTimer(id);
    RunAutoConfig();
}

ZK_HOST_CALLED void ZK_TIMER_CALLBACK HpkSetupTimerProc(void *, unsigned int message, uintptr_t id, uint32_t) {
    if (message != platform::kTimerMessage) return;
    s_hpkSetupTimerId = id;
    platform::StopSystemTimer(id);
    HpkSetup();
}
}  // namespace

void StartMapTimers() {
    StartTimerOrWarn(1, 1000, DatabaseTimerProc, "the resource database step is skipped on this map");
    StartTimerOrWarn(10, 1000, AutoConfigTimerProc, "the automatic configuration is skipped on this map");
    StartTimerOrWarn(20, 10000, HpkSetupTimerProc, "the kicker is not set up on this map");
}

uintptr_t StartTimerOrWarn(uintptr_t requestedId, uint32_t milliseconds, platform::SystemTimerProc proc,
                           const char *szConsequence) {
    const uintptr_t id = platform::StartSystemTimer(requestedId, milliseconds, proc);
    if (id == 0)
        LogMessage(true, LOGLEVEL_WARNING, LOGMODE_NORMAL, "Could not start a system timer: %s.", szConsequence);
    return id;
}

void StopAllPluginTimers() {
    StopHpkResend();
    platform::StopAllSystemTimers();
    s_autoConfigTimerId = 0;
    s_hpkSetupTimerId = 0;
}

uintptr_t HpkSetupTimerId() { return s_hpkSetupTimerId; }
