#include "commands/hpk_bridge.h"

#include "commands/timer_start.h"
#include "config/variables.h"
#include "engine/engine_services.h"
#include "log/log.h"
#include "platform/platform.h"
#include "sdk/abi.h"

namespace {

constexpr uintptr_t kResendTimerRequestedId = 30;

uintptr_t s_resendTimerId = 0;
uintptr_t s_hpkSetupTimerId = 0;  // last received by the setup callback

// Hands the four settings to the script's variables, in this order.
void SendKickerSettings() {
    const int iMaxPing = VariableInt(RegistryHandle(REG_HPK_MAXPING));
    const int iChecks = VariableInt(RegistryHandle(REG_HPK_CHECKS));
    const int iTests = VariableInt(RegistryHandle(REG_HPK_TESTS));
    const int iDelay = VariableInt(RegistryHandle(REG_HPK_DELAY));
    IssueServerCommand("kestrin_maxping %d", iMaxPing);
    IssueServerCommand("kestrin_checks %d", iChecks);
    IssueServerCommand("kestrin_tests %d", iTests);
    IssueServerCommand("kestrin_delay %d", iDelay);
}

// Every tick re-sends the current values; the kicker switch is looked at only
// by the next setup.
ZK_HOST_CALLED void ZK_TIMER_CALLBACK ResendTimerProc(void *, unsigned int message, uintptr_t, uint32_t) {
    if (message != platform::kTimerMessage) return;
    SendKickerSettings();
}

uintptr_t HpkSetupTimerId() { return s_hpkSetupTimerId; }

}  // namespace

void StopHpkResend() {
    if (s_resendTimerId == 0) return;
    platform::StopSystemTimer(s_resendTimerId);
    s_resendTimerId = 0;
}

void HpkSetup() {
    platform::StopSystemTimer(HpkSetupTimerId());

    if (VariableInt(RegistryHandle(REG_HPK)) > 0) {
        LogMessage(true, LOGLEVEL_LOG, LOGMODE_NORMAL, "HPK is Enabled.");
        SendKickerSettings();
        StopHpkResend();
        s_resendTimerId = StartTimerOrWarn(kResendTimerRequestedId, kHpkResendPeriodMs, ResendTimerProc,
                                           "the kicker settings are sent once only");
    } else {
        StopHpkResend();
        IssueServerCommand("amx_pausecfg pause zeq_kestrin.amxx");
        LogMessage(true, LOGLEVEL_LOG, LOGMODE_NORMAL, "HPK is Disabled.");
    }
}

// Stops its timer before the job, like the other map timers (map_timers.cpp),
// and remembers the identifier, which the job stops again.
ZK_HOST_CALLED void ZK_TIMER_CALLBACK HpkSetupTimerProc(void *, unsigned int message, uintptr_t id, uint32_t) {
    if (message != platform::kTimerMessage) return;
    s_hpkSetupTimerId = id;
    platform::StopSystemTimer(id);
    HpkSetup();
}

void ForgetHpkSetupTimer() { s_hpkSetupTimerId = 0; }

uintptr_t HpkResendTimerId() { return s_resendTimerId; }

void ResetHpkBridgeForTests() { s_resendTimerId = 0; }
