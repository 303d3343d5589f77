#include "config/auto_config_rules.h"

#include "engine/numeric.h"

float ClockFigure(float fProcessorMhz, int iProcessors) {
    // The rule is written for 1 to 4 processors.  A machine that reports
    // more counts as 4 (the figure is a rough size class, and more cores do
    // not make a single server thread faster); one that reports none as 1.
    int count = iProcessors;
    if (count < 1) count = 1;
    if (count > 4) count = 4;
    return count == 1 ? fProcessorMhz : fProcessorMhz * static_cast<float>(count);
}

int32_t FreeMemoryMegabytes(uint64_t bytes) {
    const uint64_t megabytes = bytes / 1024u / 1024u;
    // Taken as a 32-bit number: the low 32 bits, read as signed.
    return static_cast<int32_t>(static_cast<uint32_t>(megabytes & 0xFFFFFFFFu));
}

AutoConfigSettings DeriveAutoConfig(float fClockFigure, int32_t iFreeMemoryMb) {
    AutoConfigSettings s{};

    s.autofps = TruncateToInt32(static_cast<double>(fClockFigure) / 10.0 + 20.0);
    if (s.autofps > 1000) s.autofps = 890;
    if (s.autofps < 110) s.autofps = 150;

    if (s.autofps > 599)
        s.sleepsm = 1;
    else if (s.autofps >= 401)
        s.sleepsm = 2;
    else if (s.autofps >= 300)
        s.sleepsm = 3;
    else if (s.autofps >= 200)
        s.sleepsm = 4;
    else if (s.autofps >= 100)
        s.sleepsm = 5;
    else
        s.sleepsm = 6;

    s.cpu = iFreeMemoryMb < 1000 ? 1 : 0;
    s.cpu_level = 50;

    // Exactly 500 MB lies in none of the bands: both stay 0.
    if (iFreeMemoryMb > 500) {
        s.cpu_timer = 1;
        s.cpu_mspike = 1;
    } else if (iFreeMemoryMb >= 300 && iFreeMemoryMb <= 499) {
        s.cpu_timer = 2;
        s.cpu_mspike = 1;
    } else if (iFreeMemoryMb < 300) {
        s.cpu_timer = 3;
        s.cpu_mspike = 2;
    }

    s.proc_mdl = fClockFigure > 1500.0f ? 1 : 0;
    s.proc_spr = fClockFigure > 1800.0f ? 1 : 0;
    s.strengthening = fClockFigure > 1700.0f ? 1 : 0;
    return s;
}
