#include "config/hardware_figures.h"

#include "config/auto_config_rules.h"
#include "platform/hardware.h"

namespace {
constexpr int kAdditionsPerPass = 64;
constexpr int kPassesPerReading = 4096;

// One pass of the chain: kAdditionsPerPass dependent additions to one
// register, which the compiler can neither merge nor drop.
inline uintptr_t AdditionPass(uintptr_t value) {
#if defined(__aarch64__)
    __asm__ volatile(".rept 64\n\tadd %0, %0, #1\n\t.endr" : "+r"(value));
#elif defined(__i386__) || defined(__x86_64__)
    __asm__ volatile(".rept 64\n\tadd $1, %0\n\t.endr" : "+r"(value));
#endif
    return value;
}
}  // namespace

float AdditionChainMhz(int milliseconds) {
#if defined(__aarch64__) || defined(__i386__) || defined(__x86_64__)
    int64_t frequency = 0;
    if (milliseconds <= 0 || !platform::PerformanceFrequency(&frequency)) return 0.0f;
    const int64_t start = platform::PerformanceCounter();
    const int64_t deadline = start + frequency / 1000 * milliseconds;
    uint64_t passes = 0;
    uintptr_t value = 0;
    int64_t now = start;
    while (now < deadline) {
        for (int i = 0; i < kPassesPerReading; ++i) value = AdditionPass(value);
        passes += kPassesPerReading;
        now = platform::PerformanceCounter();
    }
    if (now <= start) return 0.0f;
    const double microseconds = static_cast<double>(now - start) * 1e6 / static_cast<double>(frequency);
    return static_cast<float>(static_cast<double>(passes) * kAdditionsPerPass / microseconds);
#else
    (void)milliseconds;
    return 0.0f;
#endif
}

float MeasureCpuClock() {
    int64_t frequency = 0;
    if (!platform::PerformanceFrequency(&frequency)) return 0.0f;
    if (platform::TimeStampCounter() == 0) {
        const float reported = platform::ReportedProcessorMhz();
        return reported > 0.0f ? reported : AdditionChainMhz(1000);
    }
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
