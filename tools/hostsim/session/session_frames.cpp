// The session's frames: what one frame runs, and the waits that run them on
// game time or on the wall clock.
#include <algorithm>
#include <cmath>

#include "os/host_os.h"
#include "session/session.h"

namespace hostsim {

void Session::runFrame(double time, double frametime) {
    engine_.setTime(time, frametime);
    game_.startFrame();
    // Entities whose think time has come, then each player around its move.
    for (int index : thinkers_) {
        edict_t *thinker = engine_.edict(index);
        if (thinker->v.nextthink <= 0 || thinker->v.nextthink > static_cast<float>(time)) continue;
        thinker->v.nextthink = static_cast<float>(time + frametime);
        game_.think(thinker);
    }
    for (std::size_t i = 1; i < clients_.size(); ++i) {
        if (!clients_[i].connected) continue;
        game_.playerPreThink(engine_.edict(static_cast<int>(i)));
        game_.playerPostThink(engine_.edict(static_cast<int>(i)));
    }
    if (afterFrame_) afterFrame_();
}

void Session::wait(double seconds, double framesPerSecond) {
    if (finished_) return;
    start();
    if (realtime_)
        waitRealtime(seconds);
    else
        waitVirtual(seconds, framesPerSecond);
}

// Frames at a fixed rate of game time (framesPerSecond 0: each frame as long
// as the real-time model makes it at the sys_ticrate of that moment, so a
// control that steers sys_ticrate can be watched over minutes of game time in
// a second or two).  Where the host has a message queue
// (Windows), game time may not run ahead of the wall clock, so that system
// timers the plugin started fire at the right game moments.
void Session::waitVirtual(double seconds, double framesPerSecond) {
    if (!mapRunning_) {
        betweenFrames();  // no map: only the console runs
        return;
    }
    const bool paced = hostos::HasMessageQueue();
    const double wallStart = hostos::MonotonicSeconds();
    if (framesPerSecond <= 0) {
        const double end = time_ + seconds;
        while (time_ < end) {
            if (!betweenFrames()) return;
            cvar_t *ticrate = engine_.findCvar("sys_ticrate");
            const double step = timing_.nextInterval(ticrate ? ticrate->value : 100.0);
            if (paced) {
                double lead = wallStart + (time_ + step - (end - seconds)) - hostos::MonotonicSeconds();
                if (lead > 0) hostos::SleepSeconds(lead);
                hostos::PumpMessages();
            }
            time_ += step;
            runFrame(time_, step);
        }
        return;
    }
    const double step = 1.0 / framesPerSecond;
    const long long frames = std::llround(seconds * framesPerSecond);
    for (long long i = 0; i < frames; ++i) {
        if (!betweenFrames()) return;
        if (paced) {
            double lead = wallStart + static_cast<double>(i + 1) * step - hostos::MonotonicSeconds();
            if (lead > 0) hostos::SleepSeconds(lead);
            hostos::PumpMessages();
        }
        time_ += step;
        runFrame(time_, step);
    }
}

// Frames on the wall clock, like a dedicated server's loop: a frame is due
// 1/(sys_ticrate+1) seconds after the last one; until then the loop sleeps.
void Session::waitRealtime(double seconds) {
    const double end = hostos::MonotonicSeconds() + seconds;
    for (;;) {
        hostos::PumpMessages();
        double now = hostos::MonotonicSeconds();
        if (now >= end) return;
        if (!mapRunning_) {
            if (!betweenFrames()) return;
            hostos::SleepSeconds(0.001);
            continue;
        }
        if (pendingInterval_ < 0) {
            cvar_t *ticrate = engine_.findCvar("sys_ticrate");
            pendingInterval_ = timing_.nextInterval(ticrate ? ticrate->value : 100.0);
        }
        double remaining = lastFrameWall_ + pendingInterval_ - now;
        if (remaining > 0) {
            hostos::SleepSeconds(std::min(remaining, 0.001));
            continue;
        }
        pendingInterval_ = -1;
        if (!betweenFrames()) return;
        double frametime = now - lastFrameWall_;
        lastFrameWall_ = now;
        time_ = 1.0 + (now - mapStartWall_);
        runFrame(time_, frametime);
    }
}

}  // namespace hostsim
