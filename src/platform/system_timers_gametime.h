// System timers measured in game time, for hosts without a thread message loop
// (a Linux server).  Timers fire on the server thread from the per-frame hook,
// in due order, so that they behave like the Windows thread timers a real
// Windows server dispatches between frames.
//
// The clock is the sum of the positive steps of the engine's game time: the
// game time starts again at every map change, so a step backwards adds
// nothing, and a timer started on one map keeps its period on the next.
#pragma once

#include <cstdint>

#include "platform/platform.h"

namespace platform {
namespace gametime_timers {

uintptr_t Start(uintptr_t requestedId, uint32_t milliseconds, SystemTimerProc proc);
bool Stop(uintptr_t id);
// Stops every timer; the clock goes on.
void StopAll();
int Live();
void Advance(float gameTime);
// Forgets every timer and the clock (tests only).
void Reset();

}  // namespace gametime_timers
}  // namespace platform
