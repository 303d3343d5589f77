#include "config/hardware_figures.h"

#include "config/auto_config_rules.h"
#include "platform/hardware.h"

float MeasureCpuClock() {
    int64_t frequency = 0;
    if (!platform::PerformanceFrequency(&frequency)) return 0.0f;
    const int64_t deadline = platform::PerformanceCounter() + frequency;
    const int64_t first = platform::TimeStampCounter();
    while (platform::PerformanceCounter() < deadline) {
    }
    const int64_t last = platform::TimeStampCounter();
    // Difference of two signed 64-bit stamps, computed without overflow.
    const int64_t ticks = static_cast<int64_t>(static_cast<uint64_t>(last) - static_cast<uint64_t>(first));
    return static_cast<float>(static_cast<double>(ticks) / 1e6);
}

HardwareFigures MeasureHardware() {
    HardwareFigures figures{};
    figures.fClockFigure = ClockFigure(MeasureCpuClock(), platform::ProcessorCount());
    figures.iFreeMemoryMb = FreeMemoryMegabytes(platform::AvailablePhysicalMemory());
    return figures;
}
