// Measurement of the machine for the automatic configuration.
#pragma once

#include <cstdint>

struct HardwareFigures {
    float fClockFigure;      // MHz, one processor's clock times the count (1 to 4)
    int32_t iFreeMemoryMb;   // available physical memory
};

// The clock of the processor it runs on, in MHz: time-stamp counter ticks
// over one second of the performance counter (busy wait).  0.0 without a
// performance counter.
float MeasureCpuClock();

// Measures the clock and the free memory (blocks for one second).
HardwareFigures MeasureHardware();
