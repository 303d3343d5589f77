// The script line "stats": the process's heap bytes, open files and the
// plugin's live system timers, kept at a mark and compared with it.
#include <cstdio>
#include <string>

#include "os/host_os.h"
#include "session/session.h"

namespace hostsim {

Session::Resources Session::measure() const {
    Resources now;
    now.heap = hostos::HeapBytesInUse();
    now.files = hostos::OpenFileCount();
    now.timers = timerProbe_ ? timerProbe_() : -1;
    return now;
}

// Between frames, with the command buffer run, so that what the last frame
// queued is not counted half-done.
bool Session::stats(const std::string &what, std::string *error) {
    if (!betweenFrames()) return true;
    const Resources now = measure();
    auto shown = [](long long value) { return value < 0 ? std::string("?") : std::to_string(value); };
    std::printf("hostsim: stats heap=%s files=%s timers=%s\n", shown(now.heap).c_str(), shown(now.files).c_str(),
                shown(now.timers).c_str());
    if (what == "mark") {
        mark_ = now;
        marked_ = true;
    } else if (what == "same") {
        if (!marked_) {
            *error = "stats same needs an earlier stats mark";
            return false;
        }
        std::string changed;
        auto compare = [&](const char *name, long long before, long long after) {
            if (before != after) changed += " " + std::string(name) + " " + shown(before) + " -> " + shown(after);
        };
        compare("heap", mark_.heap, now.heap);
        compare("files", mark_.files, now.files);
        compare("timers", mark_.timers, now.timers);
        if (!changed.empty()) {
            *error = "resources changed since the mark:" + changed;
            return false;
        }
        std::printf("hostsim: stats unchanged since the mark\n");
    }
    std::fflush(stdout);
    return true;
}

}  // namespace hostsim
