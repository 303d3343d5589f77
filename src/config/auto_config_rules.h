// The rules that turn the machine's figures into the automatic
// configuration's settings.  Pure functions: the figures come in as values.
#pragma once

#include <cstdint>

struct AutoConfigSettings {
    int32_t autofps;
    int32_t sleepsm;
    int32_t cpu;
    int32_t cpu_level;
    int32_t cpu_timer;
    int32_t cpu_mspike;
    int32_t proc_mdl;
    int32_t proc_spr;
    int32_t strengthening;
};

// The clock figure: one processor's clock (MHz) times the processor count.
float ClockFigure(float fProcessorMhz, int iProcessors);
// Available physical memory in MB (bytes divided by 1024 twice), as a signed
// 32-bit number.
int32_t FreeMemoryMegabytes(uint64_t bytes);
AutoConfigSettings DeriveAutoConfig(float fClockFigure, int32_t iFreeMemoryMb);
