// The clock the frame profile reads twice around every call it times, and
// the server's launch options, which decide at load whether those calls are
// timed at all.
#pragma once

#include <cstdint>

namespace platform {

// A raw, steady tick count, as cheap as the processor allows: the time-stamp
// counter on x86 (about 10 ns), QueryPerformanceCounter on Windows, the
// monotonic clock in nanoseconds elsewhere.  Only differences are meaningful.
uint64_t ProfileTicks();
// Nanoseconds per tick.  On x86 POSIX the counter is measured against the
// monotonic clock once (2 ms, at the first call); elsewhere it is known.
double ProfileTickNanoseconds();

// True when the process was started with this option among its arguments
// (compared without regard to case, as the engine compares its own):
// /proc/self/cmdline on Linux, GetCommandLineA on Windows.
bool LaunchOptionGiven(const char *option);

}  // namespace platform
