// Keeps the timer resolution the plugin asks for when the server's window is
// minimised or hidden (Windows 11 throttles such processes otherwise).
#pragma once

#include "platform/platform.h"

// Opts the process out of timer and execution-speed throttling, once per
// process; logs one line when the system lacks the call or refuses it.
void KeepTimerResolutionWhenHidden();
// The outcome of that attempt (NotNeeded before it).
platform::ThrottlingOptOut TimerThrottlingOutcome();
// Tests run several sessions in one process.
void ResetTimerThrottlingForTests();
