// The frame-timing model of the real-time mode: how long the simulated
// engine waits between two frames.  Like a dedicated server, it follows
// sys_ticrate (a frame 1/(sys_ticrate+1) s after the last), optionally
// capped like an engine that accepts a higher sys_ticrate than it can run,
// with random jitter and a long frame every so many frames, or making only a
// share of the frames sys_ticrate asks for (some engines run about 88 %).
#pragma once

#include <cstdint>
#include <string>

namespace hostsim {

struct FrameTimingOptions {
    double maxFps = 0;          // 0: no cap
    double ratePercent = 100;   // the frames made, in % of what sys_ticrate asks
    double jitterUs = 0;        // each interval moves by up to +/- this much
    long longFrameEvery = 0;    // 0: no long frames
    double longFrameMs = 0;     // the length of a long frame
    uint32_t seed = 12345;      // the jitter's sequence, the same every run
};

// Takes "--max-fps", "--rate-percent", "--jitter-us", "--long-frame-every"
// and "--long-frame-ms" with their values.  False when `option` is none of them;
// false with a message when the value is not usable.
bool ParseFrameTimingOption(const std::string &option, const std::string &value, FrameTimingOptions *options,
                            std::string *error, bool *known);

class FrameTiming {
public:
    FrameTiming() = default;
    explicit FrameTiming(const FrameTimingOptions &options) : options_(options), state_(options.seed | 1u) {}

    // The wait before the next frame, in seconds, at this sys_ticrate.
    double nextInterval(double ticrate);

private:
    double jitter();  // uniform in [-1, 1]

    FrameTimingOptions options_;
    uint32_t state_ = 12345;
    long frames_ = 0;
};

}  // namespace hostsim
