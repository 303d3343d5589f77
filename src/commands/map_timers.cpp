#include "commands/map_timers.h"

#include "commands/hpk_bridge.h"
#include "commands/timer_start.h"
#include "config/auto_config.h"
#include "platform/platform.h"
#include "resources/database_step.h"
#include "sdk/abi.h"

// Each callback stops its timer before its job: a job that shows a message
// box runs the box's modal loop, which dispatches the thread's messages, so a
// timer still running would fire again inside the box and run the job twice.
// The jobs that stop their timer themselves (DatabaseStep, HpkSetup) then
// find it stopped already.
namespace {
ZK_HOST_CALLED void ZK_TIMER_CALLBACK DatabaseTimerProc(void *, unsigned int message, uintptr_t id, uint32_t) {
    if (message != platform::kTimerMessage) return;
    platform::StopSystemTimer(id);
    DatabaseStep(id);
}

ZK_HOST_CALLED void ZK_TIMER_CALLBACK AutoConfigTimerProc(void *, unsigned int message, uintptr_t id, uint32_t) {
    if (message != platform::kTimerMessage) return;
    platform::StopSystemTimer(id);
    RunAutoConfig();
}
}  // namespace

void StartMapTimers() {
    StartTimerOrWarn(1, 1000, DatabaseTimerProc, "the resource database step is skipped on this map");
    StartTimerOrWarn(10, 1000, AutoConfigTimerProc, "the automatic configuration is skipped on this map");
    StartTimerOrWarn(20, 10000, HpkSetupTimerProc, "the kicker is not set up on this map");
}

void StopAllPluginTimers() {
    StopHpkResend();
    platform::StopAllSystemTimers();
    ForgetHpkSetupTimer();
}
