// Measurement of the machine for the automatic configuration.
#pragma once

#include <cstdint>

struct HardwareFigures {
    float fClockFigure;      // MHz, one processor's clock times the count (1 to 4)
    int32_t iFreeMemoryMb;   // available physical memory
};

// The clock of the processor it runs on, in MHz.  On x86: time-stamp
// counter ticks over one second of the performance counter (busy wait).
// Where there is no time-stamp counter (aarch64): the highest clock the
// system reports (cpufreq), or, where it reports none (most virtual
// machines), AdditionChainMhz over one second.  0.0 without a performance
// counter.
float MeasureCpuClock();

// The clock counted rather than read: a chain of dependent integer additions,
// each of which waits for the one before and so takes one processor cycle on
// every x86 and ARM core, run for `milliseconds` of the performance counter
// (on aarch64 Linux the generic timer, CNTVCT_EL0 at CNTFRQ_EL0 ticks a
// second, read through the kernel's vDSO).  Additions per microsecond, so
// MHz; lower where other programs share the processor.  0.0 on other
// processors or without a performance counter.
float AdditionChainMhz(int milliseconds);

// Measures the clock and the free memory (blocks for up to one second).
HardwareFigures MeasureHardware();
