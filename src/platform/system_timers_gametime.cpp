#include "platform/system_timers_gametime.h"

#include <cstddef>

namespace platform {
namespace gametime_timers {
namespace {

constexpr int kMaxTimers = 64;

struct GameTimeTimer {
    uintptr_t id;        // 0: free slot
    double period;       // seconds
    double due;          // on the accumulated clock
    SystemTimerProc proc;
};

GameTimeTimer s_timers[kMaxTimers];
uintptr_t s_nextId = 1;
double s_clock = 0.0;          // accumulated game seconds
float s_lastGameTime = 0.0f;
bool s_haveLastGameTime = false;
double s_nextDue = 1e300;      // earliest due time of all live timers

void RecomputeNextDue() {
    double next = 1e300;
    for (const GameTimeTimer &t : s_timers)
        if (t.id != 0 && t.due < next) next = t.due;
    s_nextDue = next;
}

}  // namespace

uintptr_t Start(uintptr_t requestedId, uint32_t milliseconds, SystemTimerProc proc) {
    (void)requestedId;  // like a thread timer without a window: the system picks the id
    if (proc == nullptr) return 0;
    for (GameTimeTimer &t : s_timers) {
        if (t.id != 0) continue;
        t.id = s_nextId++;
        if (s_nextId == 0) s_nextId = 1;
        t.period = (milliseconds == 0 ? 1u : milliseconds) / 1000.0;
        t.due = s_clock + t.period;
        t.proc = proc;
        if (t.due < s_nextDue) s_nextDue = t.due;
        return t.id;
    }
    return 0;
}

bool Stop(uintptr_t id) {
    if (id == 0) return false;
    for (GameTimeTimer &t : s_timers) {
        if (t.id != id) continue;
        t.id = 0;
        t.proc = nullptr;
        RecomputeNextDue();
        return true;
    }
    return false;
}

void StopAll() {
    for (GameTimeTimer &t : s_timers) {
        t.id = 0;
        t.proc = nullptr;
    }
    s_nextDue = 1e300;
}

int Live() {
    int n = 0;
    for (const GameTimeTimer &t : s_timers)
        if (t.id != 0) ++n;
    return n;
}

void Advance(float gameTime) {
    if (s_haveLastGameTime && gameTime > s_lastGameTime) s_clock += gameTime - s_lastGameTime;
    s_lastGameTime = gameTime;
    s_haveLastGameTime = true;
    if (s_clock < s_nextDue) return;

    // Fire every due timer once, earliest first.  A callback may start or
    // stop timers; a timer started now is first due a whole period later.
    for (;;) {
        GameTimeTimer *earliest = nullptr;
        for (GameTimeTimer &t : s_timers)
            if (t.id != 0 && t.due <= s_clock && (earliest == nullptr || t.due < earliest->due))
                earliest = &t;
        if (earliest == nullptr) break;
        const uintptr_t id = earliest->id;
        SystemTimerProc proc = earliest->proc;
        // Re-arm before the call, as a periodic thread timer does; a
        // callback that stops its own timer simply frees the slot.
        earliest->due = s_clock + earliest->period;
        const uint32_t tickMs = static_cast<uint32_t>(static_cast<uint64_t>(s_clock * 1000.0));
        proc(nullptr, kTimerMessage, id, tickMs);
    }
    RecomputeNextDue();
}

void Reset() {
    for (GameTimeTimer &t : s_timers) t = GameTimeTimer{};
    s_nextId = 1;
    s_clock = 0.0;
    s_lastGameTime = 0.0f;
    s_haveLastGameTime = false;
    s_nextDue = 1e300;
}

}  // namespace gametime_timers
}  // namespace platform
