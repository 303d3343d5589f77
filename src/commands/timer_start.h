// Starting one of the plugin's system timers, with a warning when the system
// gives none.
#pragma once

#include <cstdint>

#include "platform/platform.h"

// Starts a system timer; when the system gives none, logs a warning that
// names what the server does without it, and returns 0.
uintptr_t StartTimerOrWarn(uintptr_t requestedId, uint32_t milliseconds, platform::SystemTimerProc proc,
                           const char *szConsequence);
