#include "platform/fault_points.h"

#include <cstdlib>

#include "platform/platform.h"

#ifdef ZK_FAULT_POINTS

namespace platform {
namespace {
struct Arming {
    int passes = 0;
    int failures = 0;  // -1: for ever
    bool stop = false;
};
Arming s_points[static_cast<int>(FaultPoint::Count)];
}  // namespace

bool FaultFires(FaultPoint point) {
    Arming &arming = s_points[static_cast<int>(point)];
    if (arming.failures == 0) return false;
    if (arming.passes > 0) {
        --arming.passes;
        return false;
    }
    if (arming.stop) std::_Exit(kStoppedAtFaultPoint);
    if (arming.failures > 0) --arming.failures;
    return true;
}

void ArmFault(FaultPoint point, int passes, int failures) {
    s_points[static_cast<int>(point)] = Arming{passes < 0 ? 0 : passes, failures, false};
}

void ArmStop(FaultPoint point, int passes) {
    s_points[static_cast<int>(point)] = Arming{passes < 0 ? 0 : passes, 1, true};
}

void DisarmFaults() {
    for (Arming &arming : s_points) arming = Arming{};
}

}  // namespace platform

// The test build's window on the plugin's timers, for the simulator's soak
// checks (the shipped library exports only its entry points).
ZK_EXPORT int ZK_ProbeLiveSystemTimers() { return platform::LiveSystemTimers(); }
ZK_EXPORT int ZK_ProbeLiveWindowFonts() { return platform::LiveWindowFonts(); }

#endif
