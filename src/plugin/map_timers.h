// The three one-shot system timers started at every map start: the resource
// database step (1 s), the automatic configuration (1 s) and the high-ping
// kicker setup (10 s).  Each callback acts only on the timer message,
// remembers the identifier it received, runs its job once and stops itself.
#pragma once

#include <cstdint>

void StartMapTimers();
// Identifiers last received by the callbacks (the jobs stop them too).
uintptr_t DatabaseTimerId();
uintptr_t HpkSetupTimerId();
