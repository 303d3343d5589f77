// The bridge to the companion high-ping kicker script: hands it the plugin's
// kicker settings as server commands and re-sends them every 20 seconds, or
// pauses the script when the kicker is off.
#pragma once

#include <cstdint>

#include "platform/platform.h"
#include "sdk/abi.h"

constexpr uint32_t kHpkResendPeriodMs = 20000;

// Runs ten seconds after each map start, from the setup timer's callback.
void HpkSetup();
ZK_HOST_CALLED void ZK_TIMER_CALLBACK HpkSetupTimerProc(void *, unsigned int message, uintptr_t id, uint32_t);
// Forgets the setup timer's identifier (every plugin timer is stopped).
void ForgetHpkSetupTimer();
// The running re-send timer's identifier, 0 when none runs.
uintptr_t HpkResendTimerId();
// Stops the re-send timer, if one runs.
void StopHpkResend();
// Forgets the re-send timer (tests clear the system timers between cases).
void ResetHpkBridgeForTests();
